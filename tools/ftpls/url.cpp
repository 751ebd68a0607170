#include "url.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <new>

#ifdef FTPLS_HAVE_CURL
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
    bool greeted = false;   // the server has sent something: the idle limit applies
    std::chrono::steady_clock::time_point heard;  // when the server last sent something
    bool outOfMemory = false;
    std::exception_ptr thrown;  // another exception from `sink`, thrown again after the transfer

    // Runs `step` inside a libcurl callback: an exception ends the transfer
    // (returned false) instead of unwinding through libcurl.
    template <typename Step>
    bool Guard(Step step) {
        heard = std::chrono::steady_clock::now();
        greeted = true;
        try {
            step();
            return true;
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        } catch (...) {
            thrown = std::current_exception();
        }
        return false;
    }
};

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::string_view chunk(data, size * count);
    const bool ok = t->Guard([&] {
        if (t->sink != nullptr) (*t->sink)(chunk);
    });
    return ok ? chunk.size() : 0;
}

// For FTP, libcurl hands every reply line of the control connection here.
std::size_t OnReply(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    std::string_view line(data, size * count);
    const bool ok = t->Guard([&] { t->replies.append(line.data(), line.size()); });
    if (!ok) return 0;
    const std::size_t length = line.size();
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ') {
        if (!t->Guard([&] { t->lastReply.assign(line.data(), line.size()); })) return 0;
    }
    return length;
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
// standard error, escaped for the terminal, a password masked. A line that
// memory cannot hold is left out: nothing may unwind through libcurl.
int OnDebug(CURL*, curl_infotype type, char* data, std::size_t size, void*) {
    const char* mark = type == CURLINFO_HEADER_OUT  ? "> "
                       : type == CURLINFO_HEADER_IN ? "< "
                       : type == CURLINFO_TEXT      ? "* "
                                                    : nullptr;
    if (mark == nullptr) return 0;
    std::string_view rest(data, size);
    try {
        std::string out;
        while (!rest.empty()) {
            const std::size_t eol = std::min(rest.find('\n'), rest.size());
            std::string_view line = rest.substr(0, eol);
            rest.remove_prefix(std::min(eol + 1, rest.size()));
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (type == CURLINFO_HEADER_OUT && StartsWithNoCase(line, "pass ")) {
                line = "PASS ****";
            }
            out += mark;
            AppendDisplay(out, line);
            out += '\n';
        }
        std::fwrite(out.data(), 1, out.size(), stderr);
    } catch (const std::bad_alloc&) {
    }
    return 0;
}

// True for a 4xx or 5xx reply line.
bool IsFailure(const std::string& reply) {
    return reply.size() > 4 && (reply[0] == '4' || reply[0] == '5');
}

// The reason for `code`: memory that ran out, a TLS failure, the server's
// reply when the failure was one, else libcurl's text.
std::string Reason(CURLcode code, const Transfer& t, const char* buffer) {
    if (t.outOfMemory) return "out of memory";
    if (code == CURLE_USE_SSL_FAILED) {
        // The reply to AUTH TLS, which alone would read like a refused login.
        return "the server does not offer TLS (--ssl)" +
               (t.lastReply.empty() ? std::string() : ": AUTH answered " + t.lastReply);
    }
    if (code == CURLE_PEER_FAILED_VERIFICATION) {
        return (buffer[0] != '\0' ? std::string(buffer) : std::string(curl_easy_strerror(code))) +
               " (--cacert=FILE names the certificates to trust)";
    }
    if (IsFailure(t.lastReply)) return t.lastReply;
    return buffer[0] != '\0' ? std::string(buffer) : std::string(curl_easy_strerror(code));
}

struct Easy {
    CURLM* multi = curl_multi_init();
    CURL* handle = curl_easy_init();
    curl_slist* quote = nullptr;
    ~Easy() {
        curl_slist_free_all(quote);
        if (handle != nullptr) curl_easy_cleanup(handle);
        if (multi != nullptr) curl_multi_cleanup(multi);
    }
};

std::string Seconds(long ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(ms) / 1000.0);
    return text;
}

using Clock = std::chrono::steady_clock;

long MillisecondsUntil(Clock::time_point end, Clock::time_point now) {
    if (end <= now) return 0;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
    return static_cast<long>(std::min<decltype(ms)>(ms, 1000)) + 1;
}

// Runs one request on `easy` to its end or to a limit of `request`: the
// deadline of the whole run, and the idle limit once the server has greeted.
// A limit reached sets `limit` to the reason and returns
// CURLE_OPERATION_TIMEDOUT.
CURLcode Perform(Easy& easy, Transfer& t, const FetchRequest& request, std::string& limit) {
    if (curl_multi_add_handle(easy.multi, easy.handle) != CURLM_OK) return CURLE_FAILED_INIT;
    t.heard = Clock::now();
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(easy.multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        const CURLMsg* message = curl_multi_info_read(easy.multi, &queued);
        if (message != nullptr && message->msg == CURLMSG_DONE) {
            result = message->data.result;
            break;
        }
        const Clock::time_point now = Clock::now();
        if (now >= request.deadline) {
            limit = "no answer within --max-time=" + Seconds(request.maxTimeMs) + " s";
            result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        Clock::time_point wake = request.deadline;
        if (t.greeted && request.idleTimeoutMs > 0) {
            const Clock::time_point idleEnd =
                t.heard + std::chrono::milliseconds(request.idleTimeoutMs);
            if (now >= idleEnd) {
                limit = "the server sent nothing for " + Seconds(request.idleTimeoutMs) +
                        " s (--idle-timeout)";
                result = CURLE_OPERATION_TIMEDOUT;
                break;
            }
            wake = std::min(wake, idleEnd);
        }
        curl_multi_poll(easy.multi, nullptr, 0, static_cast<int>(MillisecondsUntil(wake, now)),
                        nullptr);
    }
    curl_multi_remove_handle(easy.multi, easy.handle);
    return result;
}

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
    if (easy.handle == nullptr || easy.multi == nullptr) {
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
    if (request.connectTimeoutMs > 0)
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);

    // Ends the transfer with the reason for `code`; false.
    const auto fail = [&](CURLcode code, const std::string& limit) {
        if (t.thrown) std::rethrow_exception(t.thrown);
        error = !limit.empty() ? limit : Reason(code, t, buffer);
        return false;
    };
    std::string limit;
    Command command = request.command;
    if (command == Command::kAuto) {
        // FEAT alone, no listing; the connection stays open for the listing.
        // '*': a server that refuses FEAT is listed with LIST.
        easy.quote = curl_slist_append(nullptr, "*FEAT");
        curl_easy_setopt(h, CURLOPT_QUOTE, easy.quote);
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        const CURLcode code = Perform(easy, t, request, limit);
        if (code != CURLE_OK) return fail(code, limit);
        command = OffersMlsd(t.replies) ? Command::kMlsd : Command::kList;
        curl_easy_setopt(h, CURLOPT_QUOTE, nullptr);
        curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
    }
    t.lastReply.clear();
    used = command == Command::kMlsd ? "MLSD" : "LIST";
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, used.c_str());
    t.sink = &sink;
    const CURLcode code = Perform(easy, t, request, limit);
    if (code != CURLE_OK) return fail(code, limit);
    // The listing's last reply: libcurl lets 450 pass as an empty listing.
    if (IsFailure(t.lastReply)) return fail(code, limit);
    return true;
}

#endif

}  // namespace ftpls
