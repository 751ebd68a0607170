// Fetching a listing from an ftp:// or ftps:// URL through libcurl. Built
// with URL support only when libcurl was found (FTPLS_HAVE_CURL).
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "options.h"

namespace ftpls {

// True when `argument` names a URL (ftp:// or ftps://, any case).
bool IsUrl(std::string_view argument);

// `url` without a password, for messages and output: "ftp://ann@host/p/".
std::string RedactUrl(std::string_view url);

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
};

// Lists the directory at `url`, handing each chunk of the reply to `sink`
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
