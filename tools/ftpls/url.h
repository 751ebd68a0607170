// Fetching a listing from an ftp:// or ftps:// URL through libcurl. Built
// with URL support only when libcurl was found (FTPLS_HAVE_CURL).
#pragma once

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
    long connectTimeout = 0;
    long maxTime = 0;
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
// it gave one, else libcurl's; never the password.
bool FetchListing(const std::string& url, const FetchRequest& request,
                  const std::function<void(std::string_view)>& sink, std::string& used,
                  std::string& error);

}  // namespace ftpls
