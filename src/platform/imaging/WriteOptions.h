#pragma once

#include "Resolution.h"

namespace fw::imaging {

struct JpegOptions {
    int quality = 90;          ///< 1..100; from 90 up the colour is not subsampled (4:4:4)
    bool progressive = false;
    bool optimizeCoding = true; ///< optimal Huffman tables: smaller files, slightly slower
};

struct TiffOptions {
    enum class Compression { None, Lzw, Deflate, PackBits, Jpeg };
    Compression compression = Compression::Lzw;
    int jpegQuality = 90; ///< used with Compression::Jpeg
};

struct PngOptions {
    int compressionLevel = 6; ///< zlib level 0..9
    bool interlaced = false;
};

struct BmpOptions {
    bool os2 = false; ///< OS/2 1.x header (BITMAPCOREHEADER) instead of the Windows one
};

struct TgaOptions {
    bool rle = false;
};

struct Jpeg2000Options {
    bool lossless = false;
    double compressionRatio = 20; ///< used when not lossless; 20 means 1/20 of the raw size
};

struct GifOptions {
    bool dither = true; ///< Floyd-Steinberg error diffusion when reducing to 256 colours
    bool interlaced = false;
};

/// Which member of the PNM family to write. Auto: PPM for colour, PGM for a grey palette
/// image. writeImageFile(path, ...) chooses from the extension (.pbm, .pgm, .ppm/.pnm/.pxm).
struct PnmOptions {
    enum class Kind { Auto, Bitmap, Graymap, Pixmap };
    Kind kind = Kind::Auto;
};

struct PdfOptions {
    bool jpegCompression = false; ///< DCT instead of lossless Flate for the image data
    int jpegQuality = 90;
};

/// Options for writing any format. Only the member of the format being written is used,
/// except `dpi`, which every format that can record a resolution writes.
struct WriteOptions {
    Resolution dpi{100, 100};
    /// Flush the file to the disk before it replaces the old one. Files saved for the user are
    /// durable; frame files in the working folder, rewritten on every capture and deleted at
    /// close, skip the flush (they are still replaced atomically).
    bool durable = true;
    JpegOptions jpeg;
    TiffOptions tiff;
    PngOptions png;
    BmpOptions bmp;
    TgaOptions tga;
    Jpeg2000Options jpeg2000;
    GifOptions gif;
    PnmOptions pnm;
    PdfOptions pdf;
};

} // namespace fw::imaging
