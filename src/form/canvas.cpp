#include "form/canvas.h"

#include <algorithm>
#include <cstdlib>

namespace mrv::form
{

namespace
{

uint32_t Packed(Colour c)
{
    return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}

} // namespace

Canvas::Canvas(std::string name, Container* parent) : Control(ControlKind::Canvas, std::move(name), parent)
{
    SetBackColour(colours::kBlack);
}

void Canvas::SetSize(int width, int height)
{
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), Packed(BackColour()));
    Notify(Aspect::Value);
}

Colour Canvas::PixelAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return BackColour();
    const uint32_t v = pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
    return Colour::Rgb(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
}

void Canvas::Clear(Colour colour)
{
    SetBackColour(colour);
    std::fill(pixels_.begin(), pixels_.end(), Packed(colour));
    Notify(Aspect::Value);
}

void Canvas::MoveTo(int x, int y)
{
    pen_x_ = x;
    pen_y_ = y;
}

void Canvas::Plot(int x, int y, uint32_t value)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = value;
}

void Canvas::LineTo(int x, int y)
{
    // Bresenham over the whole line; points outside the raster are skipped,
    // and a line far outside costs at most its length.
    const uint32_t value = Packed(pen_);
    long long x0 = pen_x_, y0 = pen_y_;
    const long long dx = std::llabs(x - x0), dy = -std::llabs(y - y0);
    const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
    long long err = dx + dy;
    for (;;) {
        Plot(static_cast<int>(x0), static_cast<int>(y0), value);
        if (x0 == x && y0 == y) break;
        const long long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    MoveTo(x, y);
    Notify(Aspect::Value);
}

void Canvas::Line(int x0, int y0, int x1, int y1, Colour colour)
{
    SetPen(colour);
    MoveTo(x0, y0);
    LineTo(x1, y1);
}

} // namespace mrv::form
