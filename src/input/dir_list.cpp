#include "input/dir_list.h"

namespace ftpdirlist {

template class ListingDriver<ClassicLineParser>;
template class ListingDriver<ext::ExtendedLineParser>;

}  // namespace ftpdirlist
