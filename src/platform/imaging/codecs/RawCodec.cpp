// Camera RAW files through LibRaw: demosaicked with the camera's white balance into 8-bit sRGB.
// Read only. Most RAW formats are TIFF containers, so the sniff accepts TIFF headers besides
// the proprietary signatures: this codec must come after TIFF in the codec table, and then it
// is chosen only when the file's extension names a RAW format.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <libraw/libraw.h>

#include <cstring>
#include <memory>
#include <string>

namespace fw::imaging {

namespace {

constexpr std::string_view kExtensions[] = {"cr2", "crw", "nef", "nrw", "arw", "srf", "sr2", "orf", "raf", "rw2", "pef",
                                            "dng", "srw", "mrw", "3fr", "erf", "kdc", "dcr", "mos", "x3f", "raw", "rwl", "iiq"};

bool startsWith(ByteView head, std::string_view sig)
{
    return head.size() >= sig.size() && std::memcmp(head.data(), sig.data(), sig.size()) == 0;
}

bool sniffRaw(ByteView head)
{
    using namespace std::string_view_literals;
    return startsWith(head, "II*\0"sv) || startsWith(head, "MM\0*"sv)           // TIFF based (DNG, NEF, CR2, ARW, ...)
           || startsWith(head, "IIRO"sv) || startsWith(head, "IIRS"sv)           // Olympus ORF
           || startsWith(head, "IIU\0"sv)                                        // Panasonic RW2
           || (head.size() >= 14 && std::memcmp(head.data() + 6, "HEAPCCDR", 8) == 0) // Canon CRW
           || startsWith(head, "FUJIFILM"sv)                                     // Fujifilm RAF
           || startsWith(head, "\0MRM"sv)                                        // Minolta MRW
           || startsWith(head, "FOVb"sv);                                        // Sigma X3F
}

/// LibRaw reports damaged or missing pixel data through this callback and carries on with
/// whatever it read; remember it so that such a file is refused instead of shown half made up.
void noteDataError(void* context, const char*, const int)
{
    *static_cast<bool*>(context) = true;
}

std::string rawError(int code) { return std::string("cannot decode the camera RAW file: ") + libraw_strerror(code); }

LoadedImage readRaw(ByteView data)
{
    if (data.empty())
        throw ImageError("truncated file");
    // LibRaw objects are several hundred kilobytes: keep them off the stack.
    std::unique_ptr<LibRaw> raw;
    try {
        raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    } catch (const std::bad_alloc&) {
        throw ImageError("out of memory");
    }
    bool dataError = false;
    raw->set_dataerror_handler(noteDataError, &dataError);
    raw->imgdata.params.max_raw_memory_mb = 1024;
    int rc = raw->open_buffer(const_cast<std::uint8_t*>(data.data()), data.size());
    if (rc != LIBRAW_SUCCESS)
        throw ImageError(rawError(rc));
    const auto& sizes = raw->imgdata.sizes;
    checkDimensions(sizes.raw_width, sizes.raw_height);
    checkDimensions(sizes.width, sizes.height);

    auto& params = raw->imgdata.params;
    params.output_bps = 8;
    params.use_camera_wb = 1;
    params.output_color = 1; // sRGB
    params.no_auto_bright = 0;
    if ((rc = raw->unpack()) != LIBRAW_SUCCESS || (rc = raw->dcraw_process()) != LIBRAW_SUCCESS)
        throw ImageError(rawError(rc));
    if (dataError)
        throw ImageError("truncated or corrupt camera RAW data");

    libraw_processed_image_t* processed = raw->dcraw_make_mem_image(&rc);
    if (!processed)
        throw ImageError(rawError(rc));
    const std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)> guard(processed, LibRaw::dcraw_clear_mem);
    if (processed->type != LIBRAW_IMAGE_BITMAP || processed->bits != 8 || (processed->colors != 3 && processed->colors != 1))
        throw ImageError("unexpected decoded RAW layout");
    const std::int64_t width = processed->width, height = processed->height;
    checkDimensions(width, height);
    const std::size_t colours = processed->colors;
    if (std::uint64_t(processed->data_size) < std::uint64_t(width) * std::uint64_t(height) * colours)
        throw ImageError("incomplete decoded RAW image");

    LoadedImage result;
    result.format = ImageFormat::Raw;
    result.image = allocateImage(width, height, QImage::Format_BGR888);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* src = processed->data + std::size_t(y) * std::size_t(width) * colours;
        std::uint8_t* dst = result.image.scanLine(int(y));
        for (std::int64_t x = 0; x < width; ++x, src += colours) {
            dst[3 * x] = src[colours == 3 ? 2 : 0];
            dst[3 * x + 1] = src[colours == 3 ? 1 : 0];
            dst[3 * x + 2] = src[0];
        }
    }
    return result;
}

} // namespace

Codec rawCodec()
{
    return Codec{ImageFormat::Raw, "camera RAW", kExtensions, sniffRaw, readRaw, nullptr};
}

} // namespace fw::imaging
