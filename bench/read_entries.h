// Every field of every entry read back, as a consumer that prints or stores
// them does: shared by the benchmarks and the measuring runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ftpdirbench {

// A text's length and first byte: enough that the text must exist, for any
// string-like type with size() and data().
template <class Text>
std::uint64_t TextSum(const Text& text) {
    return text.size() == 0 ? 0 : text.size() + static_cast<unsigned char>(text.data()[0]);
}

// Reads every field of every entry of a parse result (any range of entries),
// as a consumer that prints or stores them does; returns a checksum.
template <class Entries>
std::uint64_t ReadEntries(const Entries& entries, std::size_t& count) {
    std::uint64_t sum = 0;
    count = 0;
    for (const auto& e : entries) {
        ++count;
        sum += TextSum(e.name) + TextSum(e.attributes) + TextSum(e.target) + TextSum(e.owner) +
               TextSum(e.group) + TextSum(e.facts);
        sum += static_cast<std::uint64_t>(e.size) + (e.isDir ? 1u : 0u) + (e.isLink ? 2u : 0u) +
               (e.utc ? 4u : 0u) + static_cast<std::uint64_t>(e.format);
        if (e.date) {
            sum +=
                static_cast<std::uint64_t>(e.date->year * 372 + e.date->month * 31 + e.date->day);
        }
        if (e.time) {
            sum += static_cast<std::uint64_t>(e.time->hour * 60 + e.time->minute +
                                              e.time->second.value_or(61));
        }
    }
    return sum;
}

}  // namespace ftpdirbench
