#include "login.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace ftpls {

namespace {

bool AllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Where the parts of a URL lie. `at` is npos when there is no user
// information; `rawSeparator` when the password holds a raw '/', '?' or '#'
// (a ':' that starts no port, and an '@' after the first separator).
struct Authority {
    std::size_t start = std::string_view::npos;  // after "://"
    std::size_t at = std::string_view::npos;
    std::size_t end = 0;  // the path, query or fragment, or the end
    bool rawSeparator = false;
};

// The ':' that would start a port in `hostPort`, skipping an IPv6 literal.
std::size_t PortColon(std::string_view hostPort) {
    std::size_t from = 0;
    if (!hostPort.empty() && hostPort[0] == '[') {
        from = hostPort.find(']');
        if (from == std::string_view::npos) return std::string_view::npos;
    }
    return hostPort.find(':', from);
}

Authority FindAuthority(std::string_view url) {
    Authority a;
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) return a;
    a.start = scheme + 3;
    a.end = std::min(url.find_first_of("/?#", a.start), url.size());
    const std::size_t at = url.substr(0, a.end).rfind('@');
    if (at != std::string_view::npos && at >= a.start) {
        a.at = at;
        return a;
    }
    const std::string_view hostPort = url.substr(a.start, a.end - a.start);
    const std::size_t colon = PortColon(hostPort);
    const std::size_t later = url.find('@', a.end);
    if (colon == std::string_view::npos || later == std::string_view::npos ||
        AllDigits(hostPort.substr(colon + 1))) {
        return a;
    }
    a.end = std::min(url.find_first_of("/?#", later), url.size());
    a.at = url.substr(0, a.end).rfind('@');
    a.rawSeparator = true;
    return a;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX decoded; a '%' without two hex digits stays as it is.
std::string Decode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool SameHost(std::string_view a, std::string_view b) {
    auto bare = [](std::string_view h) {
        if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
        return h;
    };
    a = bare(a);
    b = bare(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The tokens of netrc text.
class NetrcTokens {
public:
    explicit NetrcTokens(std::string_view text) : text_(text) {}

    bool Next(std::string& token) {
        token.clear();
        for (;;) {
            while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
                ++pos_;
            }
            if (pos_ >= text_.size()) return false;
            if (text_[pos_] != '#') break;
            const std::size_t eol = text_.find('\n', pos_);
            pos_ = eol == std::string_view::npos ? text_.size() : eol;
        }
        if (text_[pos_] == '"') {
            for (++pos_; pos_ < text_.size() && text_[pos_] != '"'; ++pos_) {
                if (text_[pos_] == '\\' && pos_ + 1 < text_.size()) ++pos_;
                token.push_back(text_[pos_]);
            }
            ++pos_;  // the closing quote
            return true;
        }
        while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            token.push_back(text_[pos_++]);
        }
        return true;
    }

    // Passes over a macro body: everything up to the next empty line.
    void SkipMacro() {
        for (std::size_t eol = text_.find('\n', pos_); eol != std::string_view::npos;
             eol = text_.find('\n', eol + 1)) {
            std::size_t next = eol + 1;
            if (next < text_.size() && text_[next] == '\r') ++next;
            if (next >= text_.size() || text_[next] == '\n') {
                pos_ = next;
                return;
            }
        }
        pos_ = text_.size();
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

bool SplitUrl(std::string_view url, UrlParts& parts, std::string& error) {
    parts = UrlParts();
    for (const char c : url) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) {
            error = "a URL cannot hold a space or a control character (write a space as %20)";
            return false;
        }
    }
    const Authority a = FindAuthority(url);
    if (a.start == std::string_view::npos) {
        error = "not a URL";
        return false;
    }
    if (a.rawSeparator) {
        error = "the password holds a raw '/', '?' or '#': write them as %2F, %3F and %23";
        return false;
    }
    for (std::size_t i = 0; i + 3 < a.start; ++i) {
        parts.scheme.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(url[i]))));
    }
    std::size_t hostStart = a.start;
    if (a.at != std::string_view::npos) {
        const std::string_view info = url.substr(a.start, a.at - a.start);
        const std::size_t colon = info.find(':');
        parts.user = Decode(info.substr(0, colon));
        if (colon != std::string_view::npos) parts.password = Decode(info.substr(colon + 1));
        hostStart = a.at + 1;
    }
    const std::string_view hostPort = url.substr(hostStart, a.end - hostStart);
    const std::size_t colon = PortColon(hostPort);
    parts.host = std::string(hostPort.substr(0, colon));
    if (colon != std::string_view::npos) parts.port = std::string(hostPort.substr(colon + 1));
    parts.path = std::string(url.substr(a.end));
    if (parts.host.empty()) {
        error = "the URL names no host";
        return false;
    }
    if (!AllDigits(parts.port) || parts.port.size() > 5) {
        error = "invalid port '" + parts.port + "'";
        return false;
    }
    return true;
}

std::string UrlWithoutLogin(const UrlParts& parts) {
    std::string url = parts.scheme + "://" + parts.host;
    if (!parts.port.empty()) url += ":" + parts.port;
    return url + parts.path;
}

std::string RedactUrl(std::string_view url) {
    const Authority a = FindAuthority(url);
    if (a.at == std::string_view::npos) return std::string(url);
    const std::size_t colon = url.substr(0, a.at).find(':', a.start);
    if (colon == std::string_view::npos) return std::string(url);
    return std::string(url.substr(0, colon)) + std::string(url.substr(a.at));
}

std::vector<NetrcEntry> ParseNetrc(std::string_view text) {
    std::vector<NetrcEntry> entries;
    NetrcTokens tokens(text);
    std::string token, value;
    while (tokens.Next(token)) {
        if (token == "machine" || token == "default") {
            entries.emplace_back();
            entries.back().isDefault = token == "default";
            if (token == "machine" && tokens.Next(value)) entries.back().machine = value;
        } else if (token == "login" || token == "password" || token == "account") {
            if (!tokens.Next(value) || entries.empty()) continue;
            if (token == "login") entries.back().login = value;
            if (token == "password") entries.back().password = value;
        } else if (token == "macdef") {
            tokens.Next(value);
            tokens.SkipMacro();
        }
    }
    return entries;
}

const NetrcEntry* FindNetrc(const std::vector<NetrcEntry>& entries, std::string_view host,
                            const std::optional<std::string>& user) {
    for (const NetrcEntry& e : entries) {
        if (e.isDefault || !SameHost(e.machine, host) || !e.login) continue;
        if (!user || *e.login == *user) return &e;
    }
    if (user) return nullptr;
    for (const NetrcEntry& e : entries) {
        if (e.isDefault && e.login) return &e;
    }
    return nullptr;
}

bool LoginSource::LoadNetrc(std::string& error) {
    if (loaded_) return true;
    netrcPath_ = settings_.netrcFile;
    const bool given = !netrcPath_.empty();
    if (!given) {
        const char* home = std::getenv("HOME");
#ifndef _WIN32
        if (home == nullptr || *home == '\0') {
            const passwd* pw = getpwuid(getuid());
            if (pw != nullptr) home = pw->pw_dir;
        }
#endif
        if (home == nullptr) {
            loaded_ = true;
            return true;
        }
        netrcPath_ = std::string(home) + "/.netrc";
    }
    std::FILE* file = std::fopen(netrcPath_.c_str(), "rb");
    if (file == nullptr) {
        if (!given && errno == ENOENT) {
            loaded_ = true;
            return true;
        }
        error = netrcPath_ + ": " + std::strerror(errno);
        return false;
    }
#ifndef _WIN32
    struct stat st {};
    netrcOpenToOthers_ = fstat(fileno(file), &st) == 0 && (st.st_mode & 077) != 0;
#endif
    // A netrc file is a few lines; the cap keeps a wrong path from filling memory.
    std::string text(1 << 20, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), file));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = netrcPath_ + ": cannot be read";
        return false;
    }
    netrc_ = ParseNetrc(text);
    loaded_ = true;
    return true;
}

bool LoginSource::FromNetrc(const UrlParts& parts, const std::optional<std::string>& user,
                            Login& login, bool& found, std::string& error) {
    found = false;
    if (!settings_.netrc) return true;
    if (!LoadNetrc(error)) return false;
    const NetrcEntry* entry = FindNetrc(netrc_, parts.host, user);
    if (entry == nullptr) return true;
    if (entry->password && netrcOpenToOthers_) {
        error = netrcPath_ + ": holds a password but others may read it; not used (chmod 600 " +
                netrcPath_ + ", or --no-netrc)";
        return false;
    }
    login.user = entry->login;
    if (entry->password) {
        login.password = *entry->password;
        found = true;
    }
    return true;
}

bool LoginSource::For(const UrlParts& parts, Login& login, std::string& error) {
    if (!Find(parts, login, error)) return false;
    // A line break would end the USER or PASS command and start another.
    const std::string_view breaks("\r\n\0", 3);
    if ((login.user && login.user->find_first_of(breaks) != std::string::npos) ||
        login.password.find_first_of(breaks) != std::string::npos) {
        error = "the user name or password holds a line break or NUL";
        login = Login();
        return false;
    }
    return true;
}

bool LoginSource::Find(const UrlParts& parts, Login& login, std::string& error) {
    login = Login();
    std::optional<std::string> user = parts.user ? parts.user : settings_.user;
    const bool named = user.has_value();
    bool found = false;
    if (!named) {
        // The netrc entry of the host names the user, or the login is anonymous.
        if (!FromNetrc(parts, std::nullopt, login, found, error)) return false;
        if (!login.user || found) return true;
        user = login.user;
    }
    login.user = user;
    if (parts.user && parts.password) {
        login.password = *parts.password;
        return true;
    }
    if (named && settings_.environmentPassword) {
        login.password = *settings_.environmentPassword;
        return true;
    }
    if (named) {
        if (!FromNetrc(parts, user, login, found, error)) return false;
        login.user = user;
        if (found) return true;
    }
    if (*user == "anonymous" || *user == "ftp") return true;
    const std::string key = *user + "@" + parts.host;
    const auto asked = asked_.find(key);
    if (asked != asked_.end()) {
        login.password = asked->second;
        return true;
    }
    if (settings_.prompt && PromptPassword("Password for " + key + ": ", login.password)) {
        asked_[key] = login.password;
        return true;
    }
    error = "no password for " + *user +
            " (set FTPLS_PASSWORD, put it in the netrc file, or run on a terminal)";
    return false;
}

#ifdef _WIN32

bool PromptPassword(const std::string&, std::string&) { return false; }

#else

namespace {

// The terminal's settings while echo is off, put back by a signal that ends
// the prompt.
int promptFd = -1;
termios promptSaved{};

extern "C" void RestoreEchoAndRaise(int signal) {
    if (promptFd >= 0) tcsetattr(promptFd, TCSAFLUSH, &promptSaved);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

bool PromptPassword(const std::string& prompt, std::string& password) {
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    termios saved{};
    const bool isTerminal = tcgetattr(fd, &saved) == 0;
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    struct sigaction before[4] = {};
    if (isTerminal) {
        promptFd = fd;
        promptSaved = saved;
        struct sigaction restore {};
        restore.sa_handler = RestoreEchoAndRaise;
        for (int i = 0; i < 4; ++i) sigaction(signals[i], &restore, &before[i]);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    bool ok = write(fd, prompt.data(), prompt.size()) == static_cast<ssize_t>(prompt.size());
    password.clear();
    bool ended = false;
    char c = 0;
    while (ok && password.size() < 4096) {
        const ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (c == '\n') {
            ended = true;
            break;
        }
        password.push_back(c);
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    if (isTerminal) {
        tcsetattr(fd, TCSAFLUSH, &saved);
        for (int i = 0; i < 4; ++i) sigaction(signals[i], &before[i], nullptr);
        promptFd = -1;
    }
    if (write(fd, "\n", 1) != 1) ok = false;
    close(fd);
    return ok && (ended || !password.empty());
}

#endif

}  // namespace ftpls
