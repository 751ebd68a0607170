#include "url.h"

#include <algorithm>
#include <cctype>

#ifdef FTPLS_HAVE_CURL
#include <cstdio>

#include <curl/curl.h>

#include "text.h"
#endif

namespace ftpls {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool IsUrl(std::string_view argument) {
    return StartsWithNoCase(argument, "ftp://") || StartsWithNoCase(argument, "ftps://");
}

bool IsOtherUrl(std::string_view argument) {
    const std::size_t end = argument.find("://");
    if (end == std::string_view::npos || end == 0 || IsUrl(argument)) return false;
    if (!std::isalpha(static_cast<unsigned char>(argument[0]))) return false;
    for (const char c : argument.substr(0, end)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

#ifndef FTPLS_HAVE_CURL

std::string UrlSupport() { return "URLs: not supported (built without libcurl)"; }

bool FetchListing(const std::string&, const FetchRequest&,
                  const std::function<void(std::string_view)>&, std::string&, std::string& error) {
    error = "URLs are not supported: ftpls was built without libcurl";
    return false;
}

#else

namespace {

// libcurl's global state, set up once for the process.
struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~CurlGlobal() { curl_global_cleanup(); }
};

struct Transfer {
    const std::function<void(std::string_view)>* sink = nullptr;
    std::string replies;    // the server's replies on the control connection
    std::string lastReply;  // the last complete reply line
};

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    if (t->sink != nullptr) (*t->sink)(std::string_view(data, size * count));
    return size * count;
}

// For FTP, libcurl hands every reply line of the control connection here.
std::size_t OnReply(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::string_view line(data, size * count);
    t->replies.append(line.data(), line.size());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ') {
        t->lastReply.assign(line.data(), line.size());
    }
    return size * count;
}

// True when the FEAT reply lists MLST (whose presence announces MLSD too).
bool OffersMlsd(const std::string& replies) {
    std::size_t start = 0;
    while (start < replies.size()) {
        std::size_t end = replies.find('\n', start);
        if (end == std::string::npos) end = replies.size();
        std::string_view line(replies.data() + start, end - start);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        if (StartsWithNoCase(line, "mlst") || StartsWithNoCase(line, "mlsd")) return true;
        start = end + 1;
    }
    return false;
}

// --verbose: each command ("> "), reply ("< ") and libcurl note ("* ") on
// standard error, escaped for the terminal, a password masked.
int OnDebug(CURL*, curl_infotype type, char* data, std::size_t size, void*) {
    const char* mark = type == CURLINFO_HEADER_OUT  ? "> "
                       : type == CURLINFO_HEADER_IN ? "< "
                       : type == CURLINFO_TEXT      ? "* "
                                                    : nullptr;
    if (mark == nullptr) return 0;
    std::string_view rest(data, size);
    std::string out;
    while (!rest.empty()) {
        const std::size_t eol = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, eol);
        rest.remove_prefix(std::min(eol + 1, rest.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (type == CURLINFO_HEADER_OUT && StartsWithNoCase(line, "pass ")) line = "PASS ****";
        out += mark;
        AppendDisplay(out, line);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stderr);
    return 0;
}

// The reason for `code`: the server's reply when the failure was one
// (4xx or 5xx), else libcurl's text.
std::string Reason(CURLcode code, const Transfer& t, const char* buffer) {
    if (code == CURLE_USE_SSL_FAILED) {
        // The reply to AUTH TLS, which alone would read like a refused login.
        return "the server does not offer TLS (--ssl)" +
               (t.lastReply.empty() ? std::string() : ": AUTH answered " + t.lastReply);
    }
    if (code == CURLE_PEER_FAILED_VERIFICATION) {
        return (buffer[0] != '\0' ? std::string(buffer) : std::string(curl_easy_strerror(code))) +
               " (--cacert=FILE names the certificates to trust)";
    }
    if (t.lastReply.size() > 4 && (t.lastReply[0] == '4' || t.lastReply[0] == '5')) {
        return t.lastReply;
    }
    return buffer[0] != '\0' ? std::string(buffer) : std::string(curl_easy_strerror(code));
}

struct Easy {
    CURL* handle = curl_easy_init();
    curl_slist* quote = nullptr;
    ~Easy() {
        curl_slist_free_all(quote);
        if (handle != nullptr) curl_easy_cleanup(handle);
    }
};

}  // namespace

std::string UrlSupport() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return std::string("URLs: ftp:// and ftps:// through libcurl ") + info->version;
}

bool FetchListing(const std::string& url, const FetchRequest& request,
                  const std::function<void(std::string_view)>& sink, std::string& used,
                  std::string& error) {
    static CurlGlobal global;
    Easy easy;
    if (easy.handle == nullptr) {
        error = "libcurl cannot start a transfer";
        return false;
    }
    CURL* h = easy.handle;
    char buffer[CURL_ERROR_SIZE] = {};
    Transfer t;
    // A directory: libcurl lists a URL that ends in '/'.
    std::string directory = url;
    if (directory.back() != '/') directory += '/';
    curl_easy_setopt(h, CURLOPT_URL, directory.c_str());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, buffer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // The login is chosen by LoginSource, never by libcurl's own netrc reading.
    curl_easy_setopt(h, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    if (request.login.user) {
        curl_easy_setopt(h, CURLOPT_USERNAME, request.login.user->c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, request.login.password.c_str());
    }
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp,ftps");
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnReply);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    if (request.ssl) curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!request.caCert.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, request.caCert.c_str());
    if (!request.caPath.empty()) curl_easy_setopt(h, CURLOPT_CAPATH, request.caPath.c_str());
    if (request.insecure) {
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    if (request.verbose) {
        curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, OnDebug);
        curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    }
    if (request.connectTimeout > 0)
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, request.connectTimeout);
    if (request.maxTime > 0) curl_easy_setopt(h, CURLOPT_TIMEOUT, request.maxTime);

    Command command = request.command;
    if (command == Command::kAuto) {
        // FEAT alone, no listing; the connection stays open for the listing.
        easy.quote = curl_slist_append(nullptr, "FEAT");
        curl_easy_setopt(h, CURLOPT_QUOTE, easy.quote);
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        const CURLcode code = curl_easy_perform(h);
        if (code != CURLE_OK) {
            error = Reason(code, t, buffer);
            return false;
        }
        command = OffersMlsd(t.replies) ? Command::kMlsd : Command::kList;
        curl_easy_setopt(h, CURLOPT_QUOTE, nullptr);
        curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
        t.lastReply.clear();
    }
    used = command == Command::kMlsd ? "MLSD" : "LIST";
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, used.c_str());
    t.sink = &sink;
    const CURLcode code = curl_easy_perform(h);
    if (code != CURLE_OK) {
        error = Reason(code, t, buffer);
        return false;
    }
    return true;
}

#endif

}  // namespace ftpls
