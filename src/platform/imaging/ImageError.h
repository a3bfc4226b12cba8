#pragma once

#include <stdexcept>
#include <string>

namespace fw::imaging {

/// Raised by every image reader and writer. The message says what is wrong; the file-level
/// functions (ImageFile.h) prefix it with the file's name, so it reads "name: problem".
class ImageError : public std::runtime_error {
public:
    explicit ImageError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace fw::imaging
