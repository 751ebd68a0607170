#include "model/entry.h"

namespace ftpdirlist {

bool operator==(const FtpDateTime& a, const FtpDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.hasTime == b.hasTime && a.hasDate == b.hasDate;
}

bool operator==(const FtpDirEntry& a, const FtpDirEntry& b) {
    return a.name == b.name && a.attributes == b.attributes && a.size == b.size &&
           a.isDir == b.isDir && a.isLink == b.isLink && a.dateTime == b.dateTime;
}

FtpDirEntry ParsedEntry::ToEntry() const {
    FtpDirEntry e;
    e.name.assign(name.data(), name.size());
    e.attributes.assign(attributes.data(), attributes.size());
    e.size = size;
    e.isDir = isDir;
    e.isLink = isLink;
    e.dateTime = dateTime;
    return e;
}

}  // namespace ftpdirlist
