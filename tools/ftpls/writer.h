// Hands the entries of each input to the output as the parser hands them
// out, holding only what the output cannot write yet.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"
#include "options.h"
#include "output.h"

namespace ftpls {

// Writes the entries of one input after another. CSV and JSON go out entry
// by entry as they arrive, so that memory stays bounded by what the parser
// holds; the table (its columns are aligned over the whole listing), a
// sorted order, and with --encoding=auto every entry from the first one
// whose texts would decode differently under another code page, wait until
// the input has been read whole. --count writes nothing and holds nothing.
class EntryWriter {
public:
    // Entries as the parser hands them out.
    using Batch = ftpdir::Listing;

    struct Settings {
        SortKey sort = SortKey::kNone;
        bool reverse = false;
        bool count = false;         // count the entries, write none
        bool autoEncoding = false;  // the decoder reads the code page from the whole listing
    };

    // `output` must outlive the writer.
    EntryWriter(Output& output, Format format, const Settings& settings);

    // Starts the input read from `file` (named in the output).
    void Start(std::string_view file);
    // Takes the next entries of the input, in listing order.
    void Add(Batch entries);
    // The input has been read whole, and the decoder set to the code page
    // its listing reveals: writes what was held.
    void Finish();
    // The input failed: drops what is held, and writes nothing more of it.
    // What was written stays (the output still ends well-formed).
    void Drop();
    // The entries of the current input taken so far.
    std::uint64_t Entries() const { return entries_; }

private:
    Output& output_;
    Settings settings_;
    bool streams_;  // CSV or JSON in listing order
    std::string file_;
    std::uint64_t entries_ = 0;
    std::vector<Batch> held_;   // in listing order
    std::size_t heldFrom_ = 0;  // the first entry of held_.front() not yet written
};

}  // namespace ftpls
