#include "extended/families.h"

namespace ftpdirlist {
namespace ext {

LineKind ReadUnixLine(std::string_view, ListingState&, Today&, ParsedEntry&) {
    return LineKind::none;
}

}  // namespace ext
}  // namespace ftpdirlist
