#pragma once

#include "Codec.h"

namespace fw::imaging {

// One factory per format file; CodecRegistry.cpp puts them in its table.
Codec bmpCodec();
Codec pcxCodec();
Codec dcxCodec();
Codec tgaCodec();
Codec icoCodec();
Codec curCodec();
Codec psdCodec();

} // namespace fw::imaging
