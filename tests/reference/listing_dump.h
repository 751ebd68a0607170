// Every observable result of the parser core as text, to compare two builds
// of it. listing_dump.cpp is compiled twice into one program: once as the
// normal core (namespace ftpdirlist) and once as the reference build, with
// every shortcut off (FTPDIRLIST_REFERENCE, namespace ftpdirlist_reference).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ftpdirlist {
// The table (every field of every row) and the skipped lines of `listing`
// fed in chunks of `chunk` bytes (0: whole), in the classic dialect and in
// the extended one (rows with their extras), then the verdict, flag word and
// every field of each line parsed alone (lines cut at LF). Each input is
// copied into a heap block of exactly its size first.
std::string DumpListing(std::string_view listing, std::size_t chunk);
}  // namespace ftpdirlist

namespace ftpdirlist_reference {
std::string DumpListing(std::string_view listing, std::size_t chunk);
}  // namespace ftpdirlist_reference
