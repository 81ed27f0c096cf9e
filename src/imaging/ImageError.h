// Exceptions of the image core. Both carry a complete English message that
// can be shown to the user as it is.
#pragma once
#include <stdexcept>
#include <string>

namespace img {

// A bitmap cannot be made or changed as asked (size out of range, wrong
// pixel format for the operation, coordinates outside the image).
class ImageError : public std::runtime_error {
public:
    explicit ImageError(const std::string& message) : std::runtime_error(message) {}
};

// BMP data that cannot be decoded. The message always starts with
// "Invalid bitmap: " followed by what is wrong.
class BmpError : public ImageError {
public:
    explicit BmpError(const std::string& reason) : ImageError(kPrefix + reason) {}

    static constexpr const char* kPrefix = "Invalid bitmap: ";
};

} // namespace img
