// Portable bitmap, graymap and pixmap files: binary P4/P5/P6 and ASCII P1/P2/P3, samples up to
// 16 bits (scaled to 8), comments anywhere in the header. Only the first image of a file is read.
// Writing produces P4, P5 or P6 as PnmOptions (set from the file name) asks.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <string>

namespace fw::imaging {

namespace {

inline bool isSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
inline bool isDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

bool sniffPnm(ByteView head)
{
    return head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' && isSpace(head[2]);
}

class PnmText {
public:
    explicit PnmText(ByteView data) : data_(data) {}

    void skipSpaceAndComments()
    {
        while (pos_ < data_.size()) {
            if (isSpace(data_[pos_])) {
                ++pos_;
            } else if (data_[pos_] == '#') {
                while (pos_ < data_.size() && data_[pos_] != '\n' && data_[pos_] != '\r')
                    ++pos_;
            } else {
                break;
            }
        }
    }

    /// A decimal number after optional white space and comments.
    std::uint32_t number(const char* what)
    {
        skipSpaceAndComments();
        if (pos_ >= data_.size())
            throw ImageError(std::string("truncated file (missing ") + what + ")");
        if (!isDigit(data_[pos_]))
            throw ImageError(std::string("invalid ") + what);
        std::uint64_t value = 0;
        while (pos_ < data_.size() && isDigit(data_[pos_])) {
            value = value * 10 + (data_[pos_++] - '0');
            if (value > 0xffffffffu)
                throw ImageError(std::string(what) + " is too large");
        }
        return std::uint32_t(value);
    }

    /// One '0' or '1' of a P1 file, which need not be separated.
    int bit()
    {
        skipSpaceAndComments();
        if (pos_ >= data_.size())
            throw ImageError("truncated pixel data");
        const std::uint8_t c = data_[pos_++];
        if (c != '0' && c != '1')
            throw ImageError("invalid pixel value in a text bitmap");
        return c - '0';
    }

    /// Ends the header of a binary file: a comment running to the end of its line, or one
    /// white space character.
    void endHeader()
    {
        if (pos_ < data_.size() && data_[pos_] == '#') {
            skipSpaceAndComments(); // the comment and the line break after it
            return;
        }
        if (pos_ >= data_.size() || !isSpace(data_[pos_]))
            throw ImageError("truncated or invalid header");
        ++pos_;
    }

    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }
    void skip(std::size_t n) { pos_ += n; }

private:
    ByteView data_;
    std::size_t pos_ = 0;
};

/// Maps samples 0..maxval onto 0..255 (values past maxval count as maxval).
class SampleScale {
public:
    explicit SampleScale(std::uint32_t maxval) : max_(maxval) {}
    std::uint8_t operator()(std::uint32_t v) const
    {
        if (max_ == 255)
            return std::uint8_t(v > 255 ? 255 : v);
        if (v > max_)
            v = max_;
        return std::uint8_t((std::uint64_t(v) * 255 + max_ / 2) / max_);
    }

private:
    std::uint32_t max_;
};

QList<QRgb> bitmapPalette() { return {qRgb(255, 255, 255), qRgb(0, 0, 0)}; } // 1 = black

LoadedImage readPnm(ByteView data)
{
    if (data.size() < 3 || data[0] != 'P' || data[1] < '1' || data[1] > '6')
        throw ImageError("not a PBM, PGM or PPM file");
    const int kind = data[1] - '0';
    const bool ascii = kind <= 3;
    const bool bitmap = kind == 1 || kind == 4;
    const int channels = (kind == 3 || kind == 6) ? 3 : 1;
    PnmText text(data);
    text.skip(2);
    const std::int64_t w = text.number("width");
    const std::int64_t h = text.number("height");
    std::uint32_t maxval = 1;
    if (!bitmap) {
        maxval = text.number("maximum value");
        if (maxval == 0 || maxval > 65535)
            throw ImageError("invalid maximum value " + std::to_string(maxval));
    }
    checkDimensions(w, h);
    const SampleScale scale(maxval);

    // Check the amount of data before allocating: binary sizes are exact, and every text
    // sample takes at least one character.
    std::size_t needed = 0;
    if (ascii) {
        needed = std::size_t(w) * std::size_t(h) * std::size_t(channels);
    } else {
        text.endHeader();
        const std::size_t rowBytes = bitmap ? std::size_t((w + 7) / 8)
                                            : std::size_t(w) * std::size_t(channels) * (maxval > 255 ? 2 : 1);
        needed = rowBytes * std::size_t(h);
    }
    if (text.remaining() < needed)
        throw ImageError("truncated pixel data (" + std::to_string(text.remaining()) + " of " + std::to_string(needed)
                         + " bytes)");

    LoadedImage out;
    out.image = allocateImage(w, h, channels == 3 ? QImage::Format_BGR888 : QImage::Format_Indexed8);
    if (channels == 1)
        out.image.setColorTable(bitmap ? bitmapPalette() : greyPalette(256));
    const std::uint8_t* p = data.data() + text.pos();
    const bool wide = maxval > 255;
    for (std::int64_t y = 0; y < h; ++y) {
        uchar* dst = out.image.scanLine(int(y));
        if (ascii) {
            for (std::int64_t x = 0; x < w; ++x) {
                if (bitmap) {
                    dst[x] = uchar(text.bit());
                } else if (channels == 1) {
                    dst[x] = scale(text.number("pixel value"));
                } else {
                    dst[3 * x + 2] = scale(text.number("pixel value"));
                    dst[3 * x + 1] = scale(text.number("pixel value"));
                    dst[3 * x + 0] = scale(text.number("pixel value"));
                }
            }
        } else if (bitmap) {
            for (std::int64_t x = 0; x < w; ++x)
                dst[x] = uchar((p[x / 8] >> (7 - x % 8)) & 1);
            p += (w + 7) / 8;
        } else {
            auto sample = [&]() -> std::uint8_t {
                const std::uint32_t v = wide ? std::uint32_t(p[0] << 8 | p[1]) : p[0];
                p += wide ? 2 : 1;
                return scale(v);
            };
            for (std::int64_t x = 0; x < w; ++x) {
                if (channels == 1) {
                    dst[x] = sample();
                } else {
                    dst[3 * x + 2] = sample();
                    dst[3 * x + 1] = sample();
                    dst[3 * x + 0] = sample();
                }
            }
        }
    }
    return out;
}

bool hasGreyPalette(const QImage& image)
{
    if (image.format() != QImage::Format_Indexed8 || image.colorCount() == 0)
        return false;
    for (QRgb c : image.colorTable())
        if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c))
            return false;
    return true;
}

inline std::uint8_t luminance(const uchar* rgb)
{
    return std::uint8_t((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000);
}

void writePnm(const QImage& source, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    PnmOptions::Kind kind = options.pnm.kind;
    if (kind == PnmOptions::Kind::Auto)
        kind = hasGreyPalette(source) ? PnmOptions::Kind::Graymap : PnmOptions::Kind::Pixmap;
    // Grey palette entries have equal channels, so their luminance is the grey value itself.
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        throw ImageError("not enough memory to convert the image");
    const int w = rgb.width(), h = rgb.height();
    const char* magic = kind == PnmOptions::Kind::Bitmap ? "P4" : kind == PnmOptions::Kind::Graymap ? "P5" : "P6";
    std::string header = std::string(magic) + "\n" + std::to_string(w) + " " + std::to_string(h) + "\n";
    if (kind != PnmOptions::Kind::Bitmap)
        header += "255\n";
    const std::size_t rowBytes = kind == PnmOptions::Kind::Bitmap    ? std::size_t((w + 7) / 8)
                                 : kind == PnmOptions::Kind::Graymap ? std::size_t(w)
                                                                     : std::size_t(w) * 3;
    out.reserve(header.size() + rowBytes * std::size_t(h));
    out.insert(out.end(), header.begin(), header.end());
    for (int y = 0; y < h; ++y) {
        const uchar* src = rgb.constScanLine(y);
        const std::size_t at = out.size();
        switch (kind) {
        case PnmOptions::Kind::Bitmap:
            out.resize(at + rowBytes, 0);
            for (int x = 0; x < w; ++x)
                if (luminance(src + 3 * x) < 128)
                    out[at + std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
            break;
        case PnmOptions::Kind::Graymap:
            out.resize(at + rowBytes);
            for (int x = 0; x < w; ++x)
                out[at + std::size_t(x)] = luminance(src + 3 * x);
            break;
        default:
            out.insert(out.end(), src, src + rowBytes);
            break;
        }
    }
}

constexpr std::string_view kExtensions[] = {"pnm", "ppm", "pgm", "pbm", "pxm"};

} // namespace

Codec pnmCodec()
{
    return Codec{ImageFormat::Pnm, "PNM", kExtensions, sniffPnm, readPnm, writePnm};
}

} // namespace fw::imaging
