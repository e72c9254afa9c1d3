#include "report/png_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace mrv
{
namespace
{

uint32_t BigEndian32(const std::string& s, size_t at)
{
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint8_t(s[at + 3]);
}

TEST(PngImage, ChunksCarryTheirChecksumsAndTheRowsInflateToThePixels)
{
    RgbImage image(3, 2, 0, 0, 255);
    image.Set(2, 1, 255, 128, 0);
    image.Set(7, 7, 1, 2, 3); // outside: ignored
    const std::string png = EncodePng(image);
    ASSERT_EQ(png.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)), 0);

    std::string idat;
    std::vector<std::string> types;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = BigEndian32(png, at);
        const std::string typed = png.substr(at + 4, 4 + length);
        types.push_back(typed.substr(0, 4));
        EXPECT_EQ(BigEndian32(png, at + 8 + length),
                  crc32(0L, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())))
            << types.back();
        if (types.back() == "IHDR") {
            EXPECT_EQ(BigEndian32(typed, 4), 3u);
            EXPECT_EQ(BigEndian32(typed, 8), 2u);
            EXPECT_EQ(typed.substr(12, 2), std::string("\x08\x02", 2));
        }
        if (types.back() == "IDAT") idat += typed.substr(4);
        at += 12 + length;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

    std::string raw(2 * (1 + 9), '\x7f');
    uLongf raw_size = raw.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &raw_size,
                         reinterpret_cast<const Bytef*>(idat.data()), idat.size()),
              Z_OK);
    EXPECT_EQ(raw_size, raw.size());
    const std::string expected =
        std::string("\0\0\0\xff\0\0\xff\0\0\xff", 10) + std::string("\0\0\0\xff\0\0\xff\xff\x80\0", 10);
    EXPECT_EQ(raw, expected);
}

TEST(PngImage, AnImageWithoutPixelsGivesNoFile)
{
    EXPECT_EQ(EncodePng(RgbImage()), "");
    RgbImage broken(4, 4);
    broken.rgb.pop_back();
    EXPECT_EQ(EncodePng(broken), "");
}

} // namespace
} // namespace mrv
