#pragma once
// The widgets of the surface scan: the block grid, which paints only the rows
// on screen however many blocks it holds, and the raster canvas of the speed
// graph, scaled to its bounds.

#include "form/block_grid.h"
#include "form/canvas.h"

#include <QAbstractScrollArea>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace mrv::qt
{

class BlockGridWidget : public QAbstractScrollArea
{
  public:
    BlockGridWidget(const form::BlockGrid& grid, QWidget* parent);

    /// The model's rows or top row changed.
    void SyncScroll();
    /// The cell under the pointer has rested for the hint pause: the program sets the hint.
    std::function<void(int64_t row, int column)> on_hover;
    std::function<void()> on_double_click;
    std::function<void(const QPoint& pos)> on_context_menu;
    /// The user scrolled to this top row.
    std::function<void(uint64_t row)> on_scroll;
    /// The hint text after on_hover ran.
    std::function<QString()> hint_text;

    /// Paints the visible cells into `painter`'s device of `size` (the viewport's paint, and benchmarks).
    void PaintCells(QPainter& painter, const QSize& size) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void Hover(const QPoint& pos);

    const form::BlockGrid& grid_;
    QTimer hint_timer_;
    QPoint hint_pos_;
    bool syncing_ = false;
};

class CanvasWidget : public QWidget
{
  public:
    CanvasWidget(const form::Canvas& canvas, QWidget* parent);
    /// The pointer moved (raster coordinates).
    std::function<void(int x, int y)> on_mouse_move;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    const form::Canvas& canvas_;
};

} // namespace mrv::qt
