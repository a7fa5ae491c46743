#include "Raster.h"

namespace frostel {

template class TCRaster<unsigned char>;
template class TCRaster<int>;
template class TCRaster<bool>;

}  // namespace frostel
