// PostScript output: one page holding the whole image at the chosen resolution, a Level 2
// image dictionary reading Flate-compressed, ASCII85-encoded samples from the file itself.
// Write only.

#include "CodecList.h"

#include "../PixelRows.h"
#include "PageText.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <string>

namespace fw::imaging {

namespace {

constexpr std::string_view kExtensions[] = {"ps"};

/// ASCII85 with lines of at most 75 characters, ending with the "~>" end marker.
void appendAscii85(const ByteBuffer& in, std::string& out)
{
    int column = 0;
    auto put = [&](char c) {
        out += c;
        if (++column == 75) {
            out += '\n';
            column = 0;
        }
    };
    for (std::size_t i = 0; i < in.size(); i += 4) {
        const std::size_t n = std::min<std::size_t>(4, in.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 4; ++k)
            v = v << 8 | (k < n ? in[i + k] : 0);
        if (n == 4 && v == 0) {
            put('z');
            continue;
        }
        char group[5];
        for (int k = 4; k >= 0; --k) {
            group[k] = char('!' + v % 85);
            v /= 85;
        }
        for (std::size_t k = 0; k < n + 1; ++k)
            put(group[k]);
    }
    out += "~>\n";
}

void writePs(const QImage& image, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    if (image.isNull())
        throw ImageError("no image to write");
    const Resolution dpi = options.dpi.known() ? options.dpi : Resolution{72, 72};
    const int w = image.width(), h = image.height();
    const double pw = w * 72.0 / dpi.x, ph = h * 72.0 / dpi.y;
    const std::string W = pageNumber(pw), H = pageNumber(ph);
    const std::string bbox = "0 0 " + std::to_string(long(std::ceil(pw))) + " " + std::to_string(long(std::ceil(ph)));
    const bool grey = isGreyRamp(image);

    std::string ps;
    ps += "%!PS-Adobe-3.0\n";
    ps += "%%Creator: Framewell\n";
    ps += "%%BoundingBox: " + bbox + "\n";
    ps += "%%HiResBoundingBox: 0 0 " + W + " " + H + "\n";
    ps += "%%LanguageLevel: 2\n";
    ps += "%%DocumentData: Clean7Bit\n";
    ps += "%%Pages: 1\n";
    ps += "%%EndComments\n";
    ps += "%%Page: 1 1\n";
    ps += "%%PageBoundingBox: " + bbox + "\n";
    ps += "%%BeginPageSetup\n";
    ps += "<< /PageSize [" + W + " " + H + "] >> setpagedevice\n";
    ps += "%%EndPageSetup\n";
    ps += "gsave\n";
    ps += W + " " + H + " scale\n";
    ps += grey ? "/DeviceGray setcolorspace\n" : "/DeviceRGB setcolorspace\n";
    // The procedure runs `image` and then drains the ASCII85 filter up to its "~>" marker,
    // so the interpreter resumes after the data whatever the filters read ahead.
    ps += "{\n";
    ps += "/FwData currentfile /ASCII85Decode filter def\n";
    ps += "<< /ImageType 1 /Width " + std::to_string(w) + " /Height " + std::to_string(h)
          + " /BitsPerComponent 8 /Decode [" + (grey ? "0 1" : "0 1 0 1 0 1") + "]\n";
    ps += "   /ImageMatrix [" + std::to_string(w) + " 0 0 -" + std::to_string(h) + " 0 " + std::to_string(h) + "]\n";
    ps += "   /DataSource FwData /FlateDecode filter >> image\n";
    ps += "FwData flushfile\n";
    ps += "} exec\n";
    appendAscii85(deflateBytes(packedSamples(image, grey)), ps);
    ps += "grestore\n";
    ps += "showpage\n";
    ps += "%%Trailer\n";
    ps += "%%EOF\n";
    out.assign(ps.begin(), ps.end());
}

} // namespace

Codec psCodec()
{
    return Codec{ImageFormat::Ps, "PostScript", kExtensions, nullptr, nullptr, writePs};
}

} // namespace fw::imaging
