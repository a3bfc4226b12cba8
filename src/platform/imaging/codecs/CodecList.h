#pragma once

#include "Codec.h"

namespace fw::imaging {

// One factory per format file; CodecRegistry.cpp puts them in its table.
Codec bmpCodec();
Codec gifCodec();
Codec pnmCodec();
Codec wbmpCodec();

} // namespace fw::imaging
