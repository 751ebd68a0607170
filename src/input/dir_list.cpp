#include "input/dir_list.h"

namespace ftpdirlist {

template class ListingDriver<ClassicLineParser>;

}  // namespace ftpdirlist
