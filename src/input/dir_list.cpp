#include "input/dir_list.h"

#include <cstring>

#include "parse/bytes.h"
#include "parse/parse_line.h"

namespace ftpdirlist {

CFtpDirList::CFtpDirList() : parse_(&ParseWithClock), context_(this) {}

CFtpDirList::CFtpDirList(LocalDate today)
    : parse_(&ParseWithClock), context_(this), today_(today) {}

CFtpDirList::CFtpDirList(ParseFn parse, void* context) : parse_(parse), context_(context) {}

int CFtpDirList::ParseWithClock(void* context, std::string_view line, ParsedEntry& entry,
                                int& flagWord) {
    return ParseLine(line, entry, flagWord, static_cast<CFtpDirList*>(context)->today_);
}

// Inlined where it is called: a call would cost more than the work of many lines.
FTPDIRLIST_ALWAYS_INLINE bool CFtpDirList::TryLine(std::string_view text, const char* readable,
                                                   const std::uint64_t* spaces) {
    // Every line starts from a fresh record, so nothing of an earlier line
    // leaks into this one.
    record_.Reset();
    int flagWord = 0;
    // The usual parser is called directly, saving a hop per line.
    const int accepted = parse_ == &ParseWithClock
                             ? ParseLine(text, readable, spaces, record_, flagWord, today_)
                             : parse_(context_, text, record_, flagWord);
    if (!accepted) return false;
    if (flagWord != 0) flags_ = flagWord;
    if (record_.name == "." || record_.name == "..") return true;
    entries_.AddEntry(record_, (flags_ & kVmsLine) != 0);
    return true;
}

FTPDIRLIST_ALWAYS_INLINE void CFtpDirList::EmitText(const char* begin, std::size_t length,
                                                    bool cutAtZero, std::uint64_t number,
                                                    const char* readable,
                                                    const std::uint64_t* spaces) {
    // A zero byte ends the line's text; trailing spaces go only when the
    // line has none, since they then lie after it.
    if (!cutAtZero) {
        while (length > 0 && begin[length - 1] == ' ') --length;
    }
    const std::string_view line(begin, length);
    if (TryLine(line, readable, spaces)) {
        if (hasPending_) {
            Skip(pendingLine_, pendingNumber_);
            hasPending_ = false;
        }
        return;
    }
    LineFailed(line, number);
}

void CFtpDirList::AppendData(const char* data, std::size_t length) {
    if (data == nullptr || length == 0) return;
    const char* p = data;
    const char* end = data + length;
    if (!carry_.empty()) {
        // The kept line goes on into this chunk.
        const char* eol = bytes::FindLineStop<false>(p, end);
        carry_.append(p, static_cast<std::size_t>(eol - p));
        if (eol == end) return;
        EmitLine(carry_.data(), carry_.size(), carryNumber_);
        carry_.clear();
        p = eol;
    }
    Scan(p, end);
}

// Steps over line ends, empty lines and leading spaces, counting line ends.
const char* CFtpDirList::SkipSeparators(const char* p, const char* end) {
    for (; p != end; ++p) {
        const char ch = *p;
        if (ch == '\n') {
            if (!lastWasCR_) ++lineBreaks_;
            lastWasCR_ = false;
        } else if (ch == '\r') {
            ++lineBreaks_;
            lastWasCR_ = true;
        } else if (ch == ' ') {
            lastWasCR_ = false;
        } else {
            break;
        }
    }
    return p;
}

void CFtpDirList::Scan(const char* p, const char* end) {
    for (;;) {
        // Line ends, empty lines and leading spaces separate lines. Most
        // lines end in CR LF with the next line right after it.
        if (end - p >= 3 && p[0] == '\r' && p[1] == '\n' && p[2] != ' ' && p[2] != '\r' &&
            p[2] != '\n') {
            ++lineBreaks_;
            p += 2;  // a line starts here: nothing to skip
        } else {
            p = SkipSeparators(p, end);
        }
        if (p == end) return;
        lastWasCR_ = false;
        const std::uint64_t number = lineBreaks_ + 1;
        // One pass finds the line end, or a zero byte, which ends the
        // line's text early.
        const char* stop;
        const std::uint64_t* spaces = nullptr;
#if defined(__SSE2__)
        // The first 64 bytes give the line's first spaces and, for short
        // lines, its end, in one pass.
        bytes::Window64 window;
        if (end - p >= 64) {
            window = bytes::ScanWindow64(p);
            spaces = &window.spaces;
            const char* low = p + 64;
            if (window.low != 0) low = p + bytes::LowestBit(window.low);
            stop = (low != p + 64 && (*low == '\r' || *low == '\n' || *low == '\0'))
                       ? low
                       : bytes::FindLineStop<true>(low, end);
        } else {
            stop = bytes::FindLineStop<true>(p, end);
        }
#else
        stop = bytes::FindLineStop<true>(p, end);
#endif
        const char* eol =
            (stop != end && *stop == '\0') ? bytes::FindLineStop<false>(stop, end) : stop;
        if (eol == end) {
            // Its line end has not arrived: wait for the next chunk.
            carry_.assign(p, static_cast<std::size_t>(end - p));
            carryNumber_ = number;
            return;
        }
        EmitText(p, static_cast<std::size_t>(stop - p), stop != eol, number, end, spaces);
        p = eol;
    }
}

void CFtpDirList::EmitLine(const char* begin, std::size_t length, std::uint64_t number) {
    const void* nul = std::memchr(begin, 0, length);
    if (nul != nullptr) length = static_cast<std::size_t>(static_cast<const char*>(nul) - begin);
    EmitText(begin, length, nul != nullptr, number, begin + length, nullptr);
}

// A line that fails alone is kept and tried once more joined with the next
// line by one space; servers put long names on a line of their own. Only
// two neighbouring lines are ever joined.
void CFtpDirList::LineFailed(std::string_view line, std::uint64_t number) {
    if (hasPending_) {
        joined_.assign(pendingLine_);
        joined_.push_back(' ');
        joined_.append(line.data(), line.size());
        if (TryLine(joined_, joined_.data() + joined_.size(), nullptr)) {
            hasPending_ = false;
            return;
        }
        Skip(pendingLine_, pendingNumber_);
    }
    pendingLine_.assign(line.data(), line.size());
    pendingNumber_ = number;
    hasPending_ = true;
}

void CFtpDirList::Skip(std::string_view text, std::uint64_t number) {
    if (skipped_ != nullptr) skipped_->push_back({number, std::string(text)});
}

EntryTable CFtpDirList::Finish() {
    if (!carry_.empty()) {
        EmitLine(carry_.data(), carry_.size(), carryNumber_);
        carry_.clear();
        carry_.shrink_to_fit();
    }
    if (hasPending_) {
        Skip(pendingLine_, pendingNumber_);
        hasPending_ = false;
    }
    return std::move(entries_);
}

}  // namespace ftpdirlist
