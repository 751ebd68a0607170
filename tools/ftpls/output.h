// The output formats of ftpls: an aligned table, CSV and JSON, all three
// written from one table of columns.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"
#include "options.h"
#include "text.h"

namespace ftpls {

// Writes listings to one stream in one format. Output is buffered; a write
// error is kept (the first one) and ends all further writing.
class Output {
public:
    // `severalFiles`: the output names the FILE of each listing. `extended`:
    // the columns of the extended dialect too. `decoder` decodes names and
    // attribute texts; it must outlive the Output.
    Output(std::FILE* stream, Format format, bool attributes, bool extended, bool severalFiles,
           TextDecoder& decoder);

    // CSV: write cells that a spreadsheet would run as formulas as they are
    // (see AppendCsvField).
    void KeepFormulas(bool keep) { keepFormulas_ = keep; }

    // Writes what comes before the first listing (CSV header, JSON '[').
    void Begin();
    // Writes the entries of one listing read from `file`.
    void Listing(std::string_view file, const std::vector<ftpdir::Entry>& entries);
    // Writes what ends the output (JSON ']').
    void End();
    // Writes a plain line (the entry count).
    void Line(std::string_view text);

    // Hands everything buffered to the stream and flushes it. False on a
    // write error; Error() is then its errno.
    bool Flush();
    int Error() const { return error_; }

private:
    void Table(std::string_view file, const std::vector<ftpdir::Entry>& entries);
    void Csv(std::string_view file, const std::vector<ftpdir::Entry>& entries);
    void Json(std::string_view file, const std::vector<ftpdir::Entry>& entries);
    bool Shown(unsigned flags, bool table) const;
    void Drain(bool force);

    std::FILE* stream_;
    Format format_;
    bool attributes_;
    bool extended_;
    bool severalFiles_;
    bool keepFormulas_ = false;
    TextDecoder& decoder_;
    std::string buffer_;
    std::string cell_;
    std::size_t listings_ = 0;
    std::size_t jsonEntries_ = 0;
    int error_ = 0;
};

}  // namespace ftpls
