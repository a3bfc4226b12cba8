// PDF output: a one-page PDF 1.4 document whose page is the image at the chosen resolution.
// The image is stored losslessly with Flate, or as JPEG (DCT) on request. Write only.

#include "CodecList.h"

#include "../PixelRows.h"
#include "PageText.h"

#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fw::imaging {

namespace {

constexpr std::string_view kExtensions[] = {"pdf"};

// libjpeg reports errors by longjmp: the encoder below keeps only plain C data alive across
// the setjmp frame and hands back a malloc'd buffer or an error message.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    err->base.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void onJpegMessage(j_common_ptr, int) {}

bool encodeJpegC(const std::uint8_t* pixels, int width, int height, int components, int quality,
                 unsigned char** buffer, unsigned long* size, char* message)
{
    jpeg_compress_struct cinfo;
    JpegErrorManager err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = onJpegError;
    err.base.emit_message = onJpegMessage;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::memcpy(message, err.message, JMSG_LENGTH_MAX);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t rowBytes = std::size_t(width) * std::size_t(components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + rowBytes * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

ByteBuffer encodeJpeg(const ByteBuffer& pixels, int width, int height, int components, int quality)
{
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = encodeJpegC(pixels.data(), width, height, components, std::clamp(quality, 1, 100), &buffer, &size, message);
    ByteBuffer out;
    if (ok && buffer)
        out.assign(buffer, buffer + size);
    std::free(buffer);
    if (!ok)
        throw ImageError(std::string("cannot compress the image as JPEG: ") + message);
    return out;
}

/// Builds the file object by object, remembering each object's byte offset for the xref table.
class PdfWriter {
public:
    explicit PdfWriter(ByteBuffer& out) : out_(out) { text("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"); }

    void object(int id, const std::string& body)
    {
        begin(id);
        text(body + "\nendobj\n");
    }
    void stream(int id, const std::string& dictionary, const ByteBuffer& data)
    {
        begin(id);
        text(dictionary.substr(0, dictionary.size() - 2) + " /Length " + std::to_string(data.size()) + " >>\nstream\n");
        out_.insert(out_.end(), data.begin(), data.end());
        text("\nendstream\nendobj\n");
    }
    void finish(int root)
    {
        const std::size_t xref = out_.size();
        text("xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n");
        for (std::size_t offset : offsets_) {
            char line[21];
            std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
            text(line);
        }
        text("trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " + std::to_string(root)
             + " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
    }

private:
    void begin(int id)
    {
        if (std::size_t(id) != offsets_.size() + 1)
            throw ImageError("internal error: PDF objects out of order");
        offsets_.push_back(out_.size());
        text(std::to_string(id) + " 0 obj\n");
    }
    void text(const std::string& s) { out_.insert(out_.end(), s.begin(), s.end()); }

    ByteBuffer& out_;
    std::vector<std::size_t> offsets_;
};

void writePdf(const QImage& image, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    if (image.isNull())
        throw ImageError("no image to write");
    const Resolution dpi = options.dpi.known() ? options.dpi : Resolution{72, 72};
    const int w = image.width(), h = image.height();
    const std::string W = pageNumber(w * 72.0 / dpi.x), H = pageNumber(h * 72.0 / dpi.y);
    const bool grey = isGreyRamp(image);
    const ByteBuffer pixels = packedSamples(image, grey);
    const bool dct = options.pdf.jpegCompression;
    const ByteBuffer data = dct ? encodeJpeg(pixels, w, h, grey ? 1 : 3, options.pdf.jpegQuality) : deflateBytes(pixels);

    const std::string content = "q " + W + " 0 0 " + H + " 0 0 cm /Im0 Do Q\n";
    PdfWriter pdf(out);
    pdf.object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + W + " " + H
                      + "] /Resources << /XObject << /Im0 5 0 R >> >> /Contents 4 0 R >>");
    pdf.stream(4, "<< >>", ByteBuffer(content.begin(), content.end()));
    pdf.stream(5,
               "<< /Type /XObject /Subtype /Image /Width " + std::to_string(w) + " /Height " + std::to_string(h)
                   + " /ColorSpace " + (grey ? "/DeviceGray" : "/DeviceRGB") + " /BitsPerComponent 8 /Filter "
                   + (dct ? "/DCTDecode" : "/FlateDecode") + " >>",
               data);
    pdf.finish(1);
}

} // namespace

Codec pdfCodec()
{
    return Codec{ImageFormat::Pdf, "PDF", kExtensions, nullptr, nullptr, writePdf};
}

} // namespace fw::imaging
