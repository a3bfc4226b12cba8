#pragma once

#include "ImageError.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace fw::imaging {

using ByteView = std::span<const std::uint8_t>;
using ByteBuffer = std::vector<std::uint8_t>;

/// Bounds-checked little/big-endian reader over a byte view. Every read past the end throws
/// ImageError("truncated ..."), so parsers never touch memory outside the file.
class ByteReader {
public:
    explicit ByteReader(ByteView data, const char* what = "file") : data_(data), what_(what) {}

    std::size_t size() const { return data_.size(); }
    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }

    void seek(std::size_t pos)
    {
        if (pos > data_.size())
            fail();
        pos_ = pos;
    }
    void skip(std::size_t n) { seek(need(n) + n); }

    std::uint8_t u8()
    {
        const auto at = need(1);
        ++pos_;
        return data_[at];
    }
    std::uint16_t u16le() { auto p = ptr(2); pos_ += 2; return std::uint16_t(p[0] | p[1] << 8); }
    std::uint16_t u16be() { auto p = ptr(2); pos_ += 2; return std::uint16_t(p[0] << 8 | p[1]); }
    std::uint32_t u32le()
    {
        auto p = ptr(4);
        pos_ += 4;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }
    std::uint32_t u32be()
    {
        auto p = ptr(4);
        pos_ += 4;
        return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
    }
    std::int32_t s32le() { return static_cast<std::int32_t>(u32le()); }

    /// Returns a view of the next n bytes and advances past them.
    ByteView bytes(std::size_t n)
    {
        const auto start = need(n);
        pos_ += n;
        return data_.subspan(start, n);
    }

    /// Returns a pointer to the next n bytes without advancing.
    const std::uint8_t* ptr(std::size_t n) const
    {
        if (n > data_.size() - pos_)
            fail();
        return data_.data() + pos_;
    }

private:
    /// Checks that n more bytes exist and returns the current position (does not advance).
    std::size_t need(std::size_t n)
    {
        if (n > data_.size() - pos_)
            fail();
        return pos_;
    }
    [[noreturn]] void fail() const { throw ImageError(std::string("truncated ") + what_); }

    ByteView data_;
    std::size_t pos_ = 0;
    const char* what_;
};

/// Appends integers in a fixed byte order to a buffer.
class ByteWriter {
public:
    explicit ByteWriter(ByteBuffer& out) : out_(out) {}

    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16le(std::uint16_t v) { u8(v & 0xff); u8(v >> 8); }
    void u16be(std::uint16_t v) { u8(v >> 8); u8(v & 0xff); }
    void u32le(std::uint32_t v) { u16le(v & 0xffff); u16le(v >> 16); }
    void u32be(std::uint32_t v) { u16be(v >> 16); u16be(v & 0xffff); }
    void bytes(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
    void text(const std::string& s) { bytes(s.data(), s.size()); }
    void zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }
    std::size_t size() const { return out_.size(); }

private:
    ByteBuffer& out_;
};

} // namespace fw::imaging
