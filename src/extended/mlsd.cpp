// MLSD and MLST lines: a list of facts, one space, the name.
//   type=file;size=1048576;modify=20020115103045;perm=adfrw; notes.txt
//   type=OS.unix=slink:/etc/motd;UNIX.owner=root; motd
//    type=dir;modify=20020115103045; /home/alice/projects       (MLST)
// Every fact is "name=value;", the name in any case, the value possibly
// empty (a fact without a value, not an error). The facts end at the first
// space and the name is everything after it, spaces, ";" and "=" included.
// The facts are read in one pass over the line and nothing is allocated.
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "parse/bytes.h"
#include "parse/fields.h"

namespace ftpdirlist {
namespace ext {

namespace {

enum class Kind : std::uint8_t { file, dir, currentDir, parentDir, link };

// What the facts said, before it is stored.
struct Facts {
    Kind kind = Kind::file;
    std::int64_t size = -1;
    std::int64_t dirSize = -1;  // sizd
    fields::Stamp modified;
    bool hasModified = false;
    std::string_view perm;
    std::string_view mode;  // UNIX.mode
    bool hasPerm = false;
    std::string_view target;
    std::string_view owner;
    std::string_view group;
    int ownerRank = 0;  // which fact gave the owner: uid 1, owner 2, ownername 3
    int groupRank = 0;
};

// Keeps `value` as owner or group when it is given and no better fact gave
// one before it.
void Rank(std::string_view value, int rank, std::string_view& field, int& fieldRank) {
    if (!value.empty() && rank > fieldRank) {
        field = value;
        fieldRank = rank;
    }
}

// "OS.unix=slink:/target" and "OS.unix=symlink", a target after ":" kept.
bool ReadUnixLinkType(std::string_view value, Facts& facts) {
    if (!StartsFolded(value, "os.unix=")) return false;
    value.remove_prefix(8);
    const std::size_t colon = value.find(':');
    const std::string_view kind = value.substr(0, colon);
    if (!fields::EqualsFolded(kind, "slink") && !fields::EqualsFolded(kind, "symlink"))
        return false;
    facts.kind = Kind::link;
    if (colon != std::string_view::npos) facts.target = value.substr(colon + 1);
    return true;
}

void ReadType(std::string_view value, Facts& facts) {
    switch (value.size()) {
        case 3:
            if (fields::EqualsFolded(value, "dir")) facts.kind = Kind::dir;
            return;
        case 4:
            if (fields::EqualsFolded(value, "file")) {
                facts.kind = Kind::file;
            } else if (fields::EqualsFolded(value, "cdir")) {
                facts.kind = Kind::currentDir;
            } else if (fields::EqualsFolded(value, "pdir")) {
                facts.kind = Kind::parentDir;
            }
            return;
        default:
            // Other types (devices, OS-specific kinds) are files to a client.
            ReadUnixLinkType(value, facts);
            return;
    }
}

// A size fact: empty is no size; anything but digits refuses the line.
bool ReadSize(std::string_view value, std::int64_t& size) {
    if (value.empty()) return true;
    return fields::ReadNumber(value, size);
}

// One fact into `facts`; false when its value is impossible. Unknown facts
// are ignored. Dispatch on the name's length keeps the compares few.
bool ReadFact(std::string_view name, std::string_view value, Facts& facts) {
    switch (name.size()) {
        case 4:
            if (fields::EqualsFolded(name, "type")) {
                ReadType(value, facts);
            } else if (fields::EqualsFolded(name, "size")) {
                return ReadSize(value, facts.size);
            } else if (fields::EqualsFolded(name, "sizd")) {
                return ReadSize(value, facts.dirSize);
            } else if (fields::EqualsFolded(name, "perm")) {
                facts.perm = value;
                facts.hasPerm = true;
            }
            return true;
        case 6:
            if (fields::EqualsFolded(name, "modify") && !value.empty()) {
                if (!fields::ReadCompactStamp(value, facts.modified)) return false;
                facts.hasModified = true;
            }
            return true;
        case 8:
            if (fields::EqualsFolded(name, "unix.uid")) {
                Rank(value, 1, facts.owner, facts.ownerRank);
            } else if (fields::EqualsFolded(name, "unix.gid")) {
                Rank(value, 1, facts.group, facts.groupRank);
            }
            return true;
        case 9:
            if (fields::EqualsFolded(name, "unix.mode")) facts.mode = value;
            return true;
        case 10:
            if (fields::EqualsFolded(name, "unix.owner")) {
                Rank(value, 2, facts.owner, facts.ownerRank);
            } else if (fields::EqualsFolded(name, "unix.group")) {
                Rank(value, 2, facts.group, facts.groupRank);
            }
            return true;
        case 14:
            if (fields::EqualsFolded(name, "unix.ownername")) {
                Rank(value, 3, facts.owner, facts.ownerRank);
            } else if (fields::EqualsFolded(name, "unix.groupname")) {
                Rank(value, 3, facts.group, facts.groupRank);
            }
            return true;
        default:
            return true;
    }
}

enum class Read : std::uint8_t { facts, notFacts, impossible };

// The facts in [p, end), each "name=value;": notFacts when one is not of
// that form (no "=", an empty name, no closing ";"), impossible when a
// value is.
Read ReadFacts(const char* p, const char* end, Facts& facts) {
    while (p != end) {
        const char* nameBegin = p;
        while (p != end && *p != '=' && *p != ';') ++p;
        if (p == end || *p == ';' || p == nameBegin) return Read::notFacts;
        const std::string_view name(nameBegin, static_cast<std::size_t>(p - nameBegin));
        const char* valueBegin = ++p;
        // A value may hold "=" (type=OS.unix=slink:...), never ";".
        while (p != end && *p != ';') ++p;
        if (p == end) return Read::notFacts;
        const std::string_view value(valueBegin, static_cast<std::size_t>(p - valueBegin));
        ++p;
        if (!ReadFact(name, value, facts)) return Read::impossible;
    }
    return Read::facts;
}

void Store(const Facts& facts, std::string_view name, ParsedEntry& entry) {
    entry.extras.format = EntryFormat::mlsd;
    entry.name = name;
    switch (facts.kind) {
        case Kind::file:
            break;
        case Kind::dir:
            entry.isDir = 1;
            break;
        case Kind::currentDir:
            entry.isDir = 1;
            entry.name = ".";
            break;
        case Kind::parentDir:
            entry.isDir = 1;
            entry.name = "..";
            break;
        case Kind::link:
            entry.isLink = 1;
            entry.extras.target = facts.target;
            break;
    }
    entry.size = facts.size >= 0 ? facts.size : facts.dirSize;
    entry.attributes = facts.hasPerm ? facts.perm : facts.mode;
    entry.extras.owner = facts.owner;
    entry.extras.group = facts.group;
    if (facts.hasModified) StoreStamp(facts.modified, entry, true);
}

}  // namespace

LineKind ReadMlsdLine(std::string_view line, ListingState& state, Today& /*today*/,
                      ParsedEntry& entry) {
    const char* p = line.data();
    const char* const end = p + line.size();
    if (p == end) return LineKind::none;
    // A leading space opens an MLST reply line, or is the whole (empty)
    // fact list of an MLSD line.
    const bool leadingSpace = *p == ' ';
    if (leadingSpace) ++p;
    const char* const space = bytes::FindSpace(p, end);
    Facts facts;
    const Read read =
        (space != p && space[-1] == ';') ? ReadFacts(p, space, facts) : Read::notFacts;
    if (read == Read::impossible) return LineKind::none;
    if (read == Read::notFacts) {
        // " name": a name alone, which only a listing known to be MLSD
        // tells apart from another family's indented line.
        if (!leadingSpace || p == end || state.family != EntryFormat::mlsd) return LineKind::none;
        Store(Facts{}, std::string_view(p, static_cast<std::size_t>(end - p)), entry);
        return LineKind::entry;
    }
    if (space == end || space + 1 == end) return LineKind::none;  // no name
    Store(facts, std::string_view(space + 1, static_cast<std::size_t>(end - space - 1)), entry);
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
