#include "writer.h"

#include <utility>

namespace ftpls {

EntryWriter::EntryWriter(Output& output, Format format, const Settings& settings)
    : output_(output),
      settings_(settings),
      streams_(format != Format::kTable && settings.sort == SortKey::kNone && !settings.reverse) {}

void EntryWriter::Start(std::string_view file) {
    file_.assign(file.data(), file.size());
    entries_ = 0;
    held_.clear();
    heldFrom_ = 0;
}

void EntryWriter::Add(Batch entries) {
    entries_ += entries.size();
    if (settings_.count || entries.empty()) return;
    if (!streams_ || !held_.empty()) {
        held_.push_back(std::move(entries));
        return;
    }
    std::size_t i = 0;
    for (const Row& e : entries) {
        // The code page is known only at the end: from the first entry it
        // could change on, the rest waits, in order.
        if (settings_.autoEncoding && !output_.DecodesAlike(e)) {
            heldFrom_ = i;
            held_.push_back(std::move(entries));
            return;
        }
        output_.Begin();
        output_.Entry(file_, e);
        ++i;
    }
}

void EntryWriter::Finish() {
    if (settings_.count) return;
    output_.Begin();
    if (streams_) {
        std::size_t skip = heldFrom_;  // written before the hold
        for (const Batch& batch : held_) {
            for (const Row& e : batch) {
                if (skip > 0) {
                    --skip;
                } else {
                    output_.Entry(file_, e);
                }
            }
        }
    } else {
        std::vector<Row> rows;
        rows.reserve(entries_);
        for (const Batch& batch : held_) {
            for (const auto& e : batch) rows.push_back(e);
        }
        SortEntries(rows, settings_.sort, settings_.reverse);
        output_.Listing(file_, rows);
    }
    held_.clear();
    heldFrom_ = 0;
}

void EntryWriter::Drop() {
    held_.clear();
    heldFrom_ = 0;
}

}  // namespace ftpls
