// Qt's PNG reader as the oracle for the reports' pictures.

#include "qt/offscreen_app.h"
#include "report/png_image.h"

#include <QImage>
#include <gtest/gtest.h>

namespace mrv::qt
{
namespace
{

TEST(PngOracle, QtReadsTheReportsPictures)
{
    OffscreenApp();
    RgbImage image(300, 2, 214, 214, 214);
    image.Set(299, 1, 255, 0, 0);
    const std::string png = EncodePng(image);
    QImage read;
    ASSERT_TRUE(
        read.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG"));
    EXPECT_EQ(read.width(), 300);
    EXPECT_EQ(read.height(), 2);
    EXPECT_EQ(read.pixel(0, 0), qRgb(214, 214, 214));
    EXPECT_EQ(read.pixel(299, 1), qRgb(255, 0, 0));
}

} // namespace
} // namespace mrv::qt
