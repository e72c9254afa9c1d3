#include "report/png_image.h"

#include <zlib.h>

namespace mrv
{
namespace
{
void PutBigEndian32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& data)
{
    PutBigEndian32(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    PutBigEndian32(out, static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(typed.data()),
                                                    static_cast<uInt>(typed.size()))));
}
} // namespace

RgbImage::RgbImage(int w, int h, uint8_t r, uint8_t g, uint8_t b) : width(w), height(h)
{
    rgb.resize(static_cast<size_t>(w > 0 ? w : 0) * static_cast<size_t>(h > 0 ? h : 0) * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
}

void RgbImage::Set(int x, int y, uint8_t r, uint8_t g, uint8_t b)
{
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    rgb[at] = r;
    rgb[at + 1] = g;
    rgb[at + 2] = b;
}

std::string EncodePng(const RgbImage& image)
{
    if (image.width <= 0 || image.height <= 0) return {};
    const size_t stride = static_cast<size_t>(image.width) * 3;
    if (image.rgb.size() != stride * static_cast<size_t>(image.height)) return {};

    // Each row starts with its filter type, 0 (none).
    std::string raw;
    raw.reserve((stride + 1) * static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        raw += '\0';
        raw.append(reinterpret_cast<const char*>(image.rgb.data()) + stride * static_cast<size_t>(y), stride);
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packed_size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        return {};
    }
    packed.resize(packed_size);

    std::string header;
    PutBigEndian32(header, static_cast<uint32_t>(image.width));
    PutBigEndian32(header, static_cast<uint32_t>(image.height));
    header += '\x08';               // bits per channel
    header += '\x02';               // truecolour
    header += std::string(3, '\0'); // deflate, adaptive filtering, no interlace

    std::string png("\x89PNG\r\n\x1a\n", 8);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", "");
    return png;
}

} // namespace mrv
