// Fetching a listing from an ftp:// or ftps:// URL through libcurl. Built
// with URL support only when libcurl was found (FTPLS_HAVE_CURL).
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "login.h"
#include "options.h"

namespace ftpls {

// True when `argument` names a URL (ftp:// or ftps://, any case).
bool IsUrl(std::string_view argument);

// True when `argument` starts like a URL of another scheme ("http://",
// "sftp://"), which ftpls cannot list.
bool IsOtherUrl(std::string_view argument);

// What --version says about URLs.
std::string UrlSupport();

struct FetchRequest {
    Command command = Command::kAuto;  // kAuto: MLSD when FEAT offers it, else LIST
    bool ssl = false;
    long connectTimeoutMs = 0;  // connecting, the greeting and the login; 0: no limit
    long idleTimeoutMs = 0;     // the longest silence of the server once it greeted; 0: none
    // The end of the time allowed (--max-time), and the limit for messages.
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    long maxTimeMs = 0;
    Login login;
    std::string caCert;  // empty: libcurl's default
    std::string caPath;  // empty: libcurl's default
    bool insecure = false;
    bool verbose = false;  // commands and replies on standard error
};

// Lists the directory at `url` (without user and password: they come from
// `request.login`), handing each chunk of the reply to `sink`
// as it arrives. `used` gets the command sent ("MLSD" or "LIST"). On failure
// returns false with `error` set to the reason: the server's reply text when
// it gave one, else libcurl's or the limit that was reached; never the
// password. Any 4xx or 5xx reply to the listing command is a failure (also
// 450, which libcurl reads as "no files"). A std::bad_alloc thrown by `sink`
// ends the transfer with the reason "out of memory"; no exception crosses
// libcurl (another one is thrown again once the transfer is over).
bool FetchListing(const std::string& url, const FetchRequest& request,
                  const std::function<void(std::string_view)>& sink, std::string& used,
                  std::string& error);

}  // namespace ftpls
