#include "ui/qt/scan_view_widgets.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>
#include <climits>

namespace mrv::qt
{

namespace
{

QColor ToQColor(form::Colour c)
{
    return QColor(c.r, c.g, c.b);
}

constexpr int kHintPauseMs = 500;

} // namespace

// ---------------------------------------------------------------------------
// The block grid

BlockGridWidget::BlockGridWidget(const form::BlockGrid& grid, QWidget* parent)
    : QAbstractScrollArea(parent), grid_(grid)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    hint_timer_.setSingleShot(true);
    hint_timer_.setInterval(kHintPauseMs);
    connect(&hint_timer_, &QTimer::timeout, this, [this] { Hover(hint_pos_); });
    SyncScroll();
}

void BlockGridWidget::SyncScroll()
{
    syncing_ = true;
    QScrollBar* bar = verticalScrollBar();
    const uint64_t rows = grid_.RowCount();
    const auto page = static_cast<uint64_t>(std::max(1, viewport()->height() / form::BlockGrid::kCellPitchY));
    const uint64_t max_top = rows > page ? rows - page : 0;
    bar->setRange(0, static_cast<int>(std::min<uint64_t>(max_top, INT_MAX)));
    bar->setPageStep(static_cast<int>(page));
    bar->setValue(static_cast<int>(std::min<uint64_t>(grid_.TopRow(), INT_MAX)));
    syncing_ = false;
    viewport()->update();
}

void BlockGridWidget::PaintCells(QPainter& painter, const QSize& size) const
{
    using form::BlockGrid;
    const bool lines = grid_.GridLines();
    painter.fillRect(QRect(QPoint(0, 0), size), lines ? QColor(Qt::gray) : QColor(Qt::white));
    const int columns = grid_.ColCount();
    const int visible_rows = size.height() / BlockGrid::kCellPitchY + 1;
    const int cell_w = lines ? BlockGrid::kColWidth : BlockGrid::kCellPitchX;
    const int cell_h = lines ? BlockGrid::kRowHeight : BlockGrid::kCellPitchY;
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(ToQColor(grid_.FontColour()));
    for (int r = 0; r < visible_rows; ++r) {
        const uint64_t row = grid_.TopRow() + static_cast<uint64_t>(r);
        if (row >= grid_.RowCount()) break;
        for (int column = 0; column < columns; ++column) {
            const int x = column * BlockGrid::kCellPitchX;
            if (x >= size.width()) break;
            const char mark = grid_.Mark(row, column);
            const QRect cell(x, r * BlockGrid::kCellPitchY, cell_w, cell_h);
            painter.fillRect(cell, ToQColor(BlockGrid::MarkColour(mark)));
            if (BlockGrid::MarkShowsText(mark))
                painter.drawText(cell, Qt::AlignCenter, QString(QChar::fromLatin1(mark)));
        }
    }
}

void BlockGridWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    PaintCells(painter, viewport()->size());
}

void BlockGridWidget::Hover(const QPoint& pos)
{
    int64_t row = 0;
    int column = 0;
    grid_.CellAt(pos.x(), pos.y(), &row, &column);
    if (on_hover) on_hover(row, column);
    const QString hint = hint_text ? hint_text() : QString();
    if (hint.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(viewport()->mapToGlobal(pos), hint, viewport());
    }
}

void BlockGridWidget::mouseMoveEvent(QMouseEvent* event)
{
    hint_pos_ = event->position().toPoint();
    hint_timer_.start();
    QAbstractScrollArea::mouseMoveEvent(event);
}

void BlockGridWidget::leaveEvent(QEvent* event)
{
    hint_timer_.stop();
    QAbstractScrollArea::leaveEvent(event);
}

void BlockGridWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && on_double_click) on_double_click();
}

void BlockGridWidget::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu's items name the block under the pointer.
    int64_t row = 0;
    int column = 0;
    grid_.CellAt(event->pos().x(), event->pos().y(), &row, &column);
    if (on_hover) on_hover(row, column);
    if (on_context_menu) on_context_menu(event->pos());
}

void BlockGridWidget::scrollContentsBy(int, int)
{
    if (!syncing_ && on_scroll) on_scroll(static_cast<uint64_t>(std::max(0, verticalScrollBar()->value())));
    viewport()->update();
}

void BlockGridWidget::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    SyncScroll();
}

// ---------------------------------------------------------------------------
// The canvas

CanvasWidget::CanvasWidget(const form::Canvas& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Shown smaller than the raster, one-pixel lines would drop out without smoothing.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (canvas_.Width() <= 0 || canvas_.Height() <= 0) {
        painter.fillRect(rect(), ToQColor(canvas_.BackColour()));
        return;
    }
    // The raster's 0x00RRGGBB words are what a 32-bit RGB image holds.
    const QImage image(reinterpret_cast<const uchar*>(canvas_.Pixels().data()), canvas_.Width(),
                       canvas_.Height(), canvas_.Width() * 4, QImage::Format_RGB32);
    painter.drawImage(rect(), image);
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!on_mouse_move || width() <= 0 || height() <= 0) return;
    const QPoint p = event->position().toPoint();
    on_mouse_move(p.x() * canvas_.Width() / width(), p.y() * canvas_.Height() / height());
}

} // namespace mrv::qt
