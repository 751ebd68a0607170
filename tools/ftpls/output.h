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

// An entry as the output reads it: its texts are views into the Listing
// it came from.
using Row = ftpdir::EntryView;

// Writes listings to one stream in one format. Output is buffered; a write
// error is kept (the first one) and ends all further writing.
class Output {
public:
    // `severalFiles`: the output names the FILE of each listing. `extended`:
    // the columns of the extended dialect too. `decoder` decodes names and
    // attribute texts; it must outlive the Output.
    Output(std::FILE* stream, Format format, bool attributes, bool extended, bool severalFiles,
           TextDecoder& decoder);

    // The table's sizes in powers of 1024 (`human`), or its names alone.
    void SetTableStyle(bool human, bool namesOnly) {
        human_ = human;
        namesOnly_ = namesOnly;
    }
    // CSV: write cells that a spreadsheet would run as formulas as they are
    // (see AppendCsvField).
    void KeepFormulas(bool keep) { keepFormulas_ = keep; }

    // Writes what comes before the first entry (CSV header, JSON '['), on
    // the first call only.
    void Begin();
    // Writes the entries of one listing read from `file`: the table, or
    // CSV or JSON rows.
    void Listing(std::string_view file, const std::vector<Row>& entries);
    // CSV and JSON: writes one entry of the listing read from `file`.
    void Entry(std::string_view file, const Row& e);
    // True when every text of `e` that this output decodes is valid UTF-8:
    // --encoding=auto then writes `e` alike whatever code page the listing
    // reveals.
    bool DecodesAlike(const Row& e) const;
    // Writes what ends the output (JSON ']') when Begin() was called.
    void End();
    // Writes a plain line (the entry count).
    void Line(std::string_view text);

    // Hands everything buffered to the stream and flushes it. False on a
    // write error; Error() is then its errno.
    bool Flush();
    int Error() const { return error_; }

private:
    void Table(std::string_view file, const std::vector<Row>& entries);
    void Csv(std::string_view file, const Row& e);
    void Json(std::string_view file, const Row& e);
    bool Shown(unsigned flags, bool table) const;
    void Drain(bool force);

    std::FILE* stream_;
    Format format_;
    bool attributes_;
    bool extended_;
    bool severalFiles_;
    bool human_ = false;
    bool namesOnly_ = false;
    bool keepFormulas_ = false;
    TextDecoder& decoder_;
    std::string buffer_;
    std::string cell_;
    bool begun_ = false;
    std::size_t listings_ = 0;
    std::size_t jsonEntries_ = 0;
    int error_ = 0;
};

// Orders `entries` by `key` (kNone: as listed), then reverses them when
// `reverse`. Ties keep the name's byte order; entries without a size or a
// date come after those with one.
void SortEntries(std::vector<Row>& entries, SortKey key, bool reverse);

// `size` as the table shows it with -h: bytes below 1024, else one decimal
// below 10 and none above, rounded up, with K, M, G, T, P or E.
std::string HumanSize(std::int64_t size);

}  // namespace ftpls
