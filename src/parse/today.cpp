#include "parse/today.h"

namespace ftpdirlist {

void Today::Refresh(std::time_t now) {
    std::tm local{};
#if defined(_WIN32)
    const bool ok = localtime_s(&local, &now) == 0;
#else
    const bool ok = localtime_r(&now, &local) != nullptr;
#endif
    if (!ok) return;  // keep the last known date
    date_ = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    second_ = now;
}

}  // namespace ftpdirlist
