// The local date, for the year of Unix-style entries that give a time.
#pragma once

#include <ctime>

#include "model/calendar.h"
#include "parse/bytes.h"

namespace ftpdirlist {

// Source of today's date: the system's local clock by default, or a fixed
// date. The clock is read with a thread-safe call and cached while the
// wall-clock second is unchanged, which gives what reading it per line gives.
class Today {
public:
    Today() = default;
    explicit Today(LocalDate fixed) : fixed_(true), date_(fixed) {}

    LocalDate Get() {
        if (fixed_) return date_;
        const std::time_t now = std::time(nullptr);
        if (now != second_) Refresh(now);
        return date_;
    }

    // calendar::ExtendedYearOfYearlessDate(month, day, Get()).
    // Inline: read for most Unix entries.
    FTPDIRLIST_ALWAYS_INLINE std::int32_t ExtendedYearOfYearlessDate(std::int32_t month,
                                                                     std::int32_t day) {
        return yearless_.Year(month, day, Get());
    }

private:
    void Refresh(std::time_t now);

    bool fixed_ = false;
    LocalDate date_{1970, 1, 1};
    std::time_t second_ = static_cast<std::time_t>(-1);
    calendar::YearlessYears yearless_;
};

}  // namespace ftpdirlist
