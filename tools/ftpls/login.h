// Who ftpls logs in as: the parts of an ftp:// URL, the netrc file and the
// password sources. A password never leaves here except in a Login.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ftpls {

// An ftp:// or ftps:// URL taken apart. User and password are decoded
// (%XX); host, port and path are kept as written.
struct UrlParts {
    std::string scheme;  // lower case
    std::optional<std::string> user;
    std::optional<std::string> password;
    std::string host;  // as written, "[::1]" with its brackets
    std::string port;  // digits, or empty
    std::string path;  // from the first '/' on, or empty
};

// Splits `url`. False when it cannot be listed as it is written (a space or
// control byte, a raw '/', '?' or '#' in the password, no host); `error`
// then says why, without the password.
bool SplitUrl(std::string_view url, UrlParts& parts, std::string& error);

// `parts` without user and password, as libcurl gets it.
std::string UrlWithoutLogin(const UrlParts& parts);

// `url` with the password cut out, for every message and output:
// "ftp://ann@host/p/". A password holding a raw '/' is cut out too.
std::string RedactUrl(std::string_view url);

// One entry of a netrc file: "machine NAME" (or "default") followed by
// "login", "password" and "account" tokens.
struct NetrcEntry {
    bool isDefault = false;
    std::string machine;
    std::optional<std::string> login;
    std::optional<std::string> password;
};

// The entries of netrc text. Tokens are separated by white space; a token in
// double quotes may hold spaces and backslash escapes; '#' starts a comment
// where a token would start; a "macdef" body runs to the next empty line.
// Never fails: what is not understood is passed over.
std::vector<NetrcEntry> ParseNetrc(std::string_view text);

// The entry that applies to `host` (compared without case and brackets):
// with a `user`, only a "machine host" entry whose login is that user, so
// that no password is ever sent with another login; without one, the first
// "machine host" entry that has a login, else a "default" entry that has
// one. nullptr when none applies.
const NetrcEntry* FindNetrc(const std::vector<NetrcEntry>& entries, std::string_view host,
                            const std::optional<std::string>& user);

// What ftpls logs in with; no user: anonymous, as libcurl does it.
struct Login {
    std::optional<std::string> user;
    std::string password;
};

// Where logins come from, in this order:
//   user:     the URL's, else --user;
//   password: the URL's (with the URL's own user), else FTPLS_PASSWORD, else
//             the netrc entry of that host and user, else a prompt on the
//             terminal (anonymous and ftp need none);
//   no user:  the netrc entry of the host, else anonymous.
// A netrc file that others may read is refused when the entry found in it
// holds a password.
class LoginSource {
public:
    struct Settings {
        std::optional<std::string> user;                 // --user
        bool netrc = true;                               // --no-netrc: false
        std::string netrcFile;                           // --netrc-file; empty: ~/.netrc
        std::optional<std::string> environmentPassword;  // FTPLS_PASSWORD
        bool prompt = true;                              // ask on the terminal when there is one
    };
    explicit LoginSource(Settings settings) : settings_(std::move(settings)) {}

    // The login for `parts`. False with `error` (never holding a password)
    // when there is none to use, or when the user or password holds a line
    // break or NUL (which would inject an FTP command).
    bool For(const UrlParts& parts, Login& login, std::string& error);

private:
    bool Find(const UrlParts& parts, Login& login, std::string& error);
    bool LoadNetrc(std::string& error);
    bool FromNetrc(const UrlParts& parts, const std::optional<std::string>& user, Login& login,
                   bool& found, std::string& error);

    Settings settings_;
    bool loaded_ = false;
    std::string netrcPath_;
    bool netrcOpenToOthers_ = false;
    std::vector<NetrcEntry> netrc_;
    std::map<std::string, std::string> asked_;  // "user@host" -> the password typed
};

// Asks for a password on the controlling terminal without echo. False when
// there is no terminal or nothing was typed (end of input).
bool PromptPassword(const std::string& prompt, std::string& password);

}  // namespace ftpls
