#pragma once

namespace fw::imaging {

/// Every image file format the imaging layer knows. J2k is the raw JPEG 2000 code stream,
/// Jp2 the JPEG 2000 file format around it.
enum class ImageFormat {
    Unknown,
    Bmp,
    Jpeg,
    Tiff,
    Pcx,
    Png,
    Tga,
    Pnm,
    Jp2,
    J2k,
    Gif,
    Wbmp,
    Ps,
    Pdf,
    Ico,
    Cur,
    Dcx,
    Psd,
    Raw,
    Wmf,
    Emf,
};

} // namespace fw::imaging
