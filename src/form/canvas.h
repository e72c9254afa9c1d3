#pragma once
// An RGB raster the program draws on (the speed graph): clear, pen colour,
// lines. Front ends show the raster scaled to the control's bounds and report
// the mouse in raster coordinates.

#include "form/controls.h"

#include <cstdint>
#include <vector>

namespace mrv::form
{

class Canvas : public Control
{
  public:
    Canvas(std::string name, Container* parent);

    /// A new raster size; the raster is cleared to the background colour.
    void SetSize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    /// Rows of 0x00RRGGBB pixels, top row first.
    const std::vector<uint32_t>& Pixels() const { return pixels_; }
    /// The colour of a pixel; the background colour outside the raster.
    Colour PixelAt(int x, int y) const;

    void Clear(Colour colour);
    Colour Pen() const { return pen_; }
    void SetPen(Colour colour) { pen_ = colour; }
    /// Pen position, as line drawing leaves it.
    void MoveTo(int x, int y);
    /// A line in the pen colour from the pen position to (x, y), both ends
    /// included, clipped to the raster; the pen moves there.
    void LineTo(int x, int y);
    void Line(int x0, int y0, int x1, int y1, Colour colour);
    int PenX() const { return pen_x_; }
    int PenY() const { return pen_y_; }

    /// The mouse moved over the raster (raster coordinates).
    std::function<void(int x, int y)> OnMouseMove;
    void MouseMove(int x, int y)
    {
        if (OnMouseMove) OnMouseMove(x, y);
    }

  private:
    void Plot(int x, int y, uint32_t value);

    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
    Colour pen_ = colours::kBlack;
    int pen_x_ = 0, pen_y_ = 0;
};

} // namespace mrv::form
