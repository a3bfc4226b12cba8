#include "support/CorruptInput.h"

#include "platform/imaging/ImageError.h"
#include "platform/imaging/codecs/Codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace fw::test {

namespace {

bool tryDecode(const imaging::Codec& codec, const QByteArray& bytes, const char* what, qsizetype detail)
{
    try {
        const auto loaded = codec.read(imaging::ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                         std::size_t(bytes.size())));
        EXPECT_FALSE(loaded.image.isNull()) << what << " " << detail << ": a successful read returned no image";
        return true;
    } catch (const imaging::ImageError& e) {
        EXPECT_GT(std::strlen(e.what()), 0u) << what << " " << detail;
        return false;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << " " << detail << ": unexpected exception " << e.what();
        return false;
    }
}

} // namespace

int checkCorruptInputs(imaging::ImageFormat format, const QByteArray& valid, int flips)
{
    const imaging::Codec* codec = imaging::codecFor(format);
    if (!codec || !codec->read) {
        ADD_FAILURE() << "no reader for the format";
        return 0;
    }
    int decoded = 0;
    // Truncations: every length near the start (headers), then spread over the rest.
    const qsizetype n = valid.size();
    for (qsizetype len = 0; len < n; len += (len < 256 ? 1 : std::max<qsizetype>(1, n / 97)))
        decoded += tryDecode(*codec, valid.left(len), "truncated to", len);

    std::mt19937 rng(12345);
    for (int i = 0; i < flips; ++i) {
        QByteArray copy = valid;
        const int changes = 1 + int(rng() % 8);
        for (int c = 0; c < changes; ++c) {
            // Headers hold the dangerous fields: aim half of the changes at the first 128 bytes.
            const qsizetype at = (rng() & 1) ? qsizetype(rng() % std::min<qsizetype>(n, 128)) : qsizetype(rng() % n);
            const unsigned kind = rng() % 3;
            copy[at] = char(kind == 0 ? rng() & 0xff : kind == 1 ? 0xff : 0x00);
        }
        decoded += tryDecode(*codec, copy, "flip round", i);
    }
    return decoded;
}

} // namespace fw::test
