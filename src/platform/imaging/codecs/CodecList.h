#pragma once

#include "Codec.h"

namespace fw::imaging {

// One factory per format file; CodecRegistry.cpp puts them in its table.
Codec bmpCodec();
Codec jpegCodec();
Codec pngCodec();
Codec tiffCodec();
Codec jpeg2000Codec();  // Jp2
Codec j2kCodec();       // J2k, shares the JPEG 2000 functions
Codec rawCodec();
Codec psCodec();
Codec pdfCodec();
Codec wmfCodec();
Codec emfCodec();
Codec gifCodec();
Codec pnmCodec();
Codec wbmpCodec();
Codec pcxCodec();
Codec dcxCodec();
Codec tgaCodec();
Codec icoCodec();
Codec curCodec();
Codec psdCodec();

} // namespace fw::imaging
