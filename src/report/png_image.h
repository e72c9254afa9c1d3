#pragma once
// Pictures for reports (the scan's grid and speed graph) written as PNG.

#include <cstdint>
#include <string>
#include <vector>

namespace mrv
{

struct RgbImage {
    int width = 0;
    int height = 0;
    /// Rows top to bottom, three bytes (red, green, blue) a pixel.
    std::vector<uint8_t> rgb;

    RgbImage() = default;
    RgbImage(int w, int h, uint8_t r = 255, uint8_t g = 255, uint8_t b = 255);
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b);
};

/// The image as a PNG file's bytes (8-bit RGB, deflate-compressed); empty for
/// an image without pixels or whose buffer does not match its size.
std::string EncodePng(const RgbImage& image);

} // namespace mrv
