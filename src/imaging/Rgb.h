// One colour with 8 bits per channel: palette entries and pixel values.
#pragma once
#include <cstdint>

namespace img {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

} // namespace img
