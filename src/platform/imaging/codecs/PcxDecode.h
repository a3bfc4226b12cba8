#pragma once

// The PCX image decoder, shared by the PCX reader and the DCX (multi-page PCX) reader.

#include "../Bytes.h"
#include "../LoadedImage.h"

namespace fw::imaging {

/// Decodes one PCX image occupying all of `data` (the 256-colour palette, when present, is
/// the last 769 bytes). Throws ImageError.
LoadedImage decodePcx(ByteView data);

/// True when `head` starts with a plausible PCX header.
bool looksLikePcx(ByteView head);

} // namespace fw::imaging
