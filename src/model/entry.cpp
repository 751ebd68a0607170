#include "model/entry.h"

namespace ftpdirlist {

bool operator==(const FtpDateTime& a, const FtpDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.hasTime == b.hasTime && a.hasDate == b.hasDate;
}

}  // namespace ftpdirlist
