#include "ui/qt/hex_view_widget.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace mrv::qt
{

namespace
{

constexpr int kPerRow = 16;
constexpr int kMargin = 4;
// Columns in characters: "0000: " then "HH " per byte, a gap, the characters.
constexpr int kHexColumn = 6;
constexpr int kCharColumn = kHexColumn + kPerRow * 3 + 1;
constexpr int kLargestPixels = 13;
constexpr int kSmallestPixels = 9;

QFont HexFont()
{
    QFont font("Courier New");
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(kLargestPixels);
    return font;
}

int HexDigit(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return key - Qt::Key_0;
    if (key >= Qt::Key_A && key <= Qt::Key_F) return key - Qt::Key_A + 10;
    return -1;
}

} // namespace

HexViewWidget::HexViewWidget(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFont(HexFont());
    QFontMetrics metrics(font());
    char_width_ = std::max(1, metrics.horizontalAdvance('0'));
    line_height_ = std::max(1, metrics.height());
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setAutoFillBackground(true);
}

void HexViewWidget::SetData(const std::vector<uint8_t>& data, const std::vector<bool>& edited)
{
    data_ = data;
    edited_ = edited;
    edited_.resize(data_.size(), false);
    cursor_ = std::clamp(cursor_, 0, std::max(0, static_cast<int>(data_.size()) - 1));
    pending_nibble_ = -1;
    UpdateScrollBar();
    viewport()->update();
}

void HexViewWidget::SetReadOnly(bool read_only)
{
    read_only_ = read_only;
    pending_nibble_ = -1;
    viewport()->update();
}

void HexViewWidget::SetTextColour(const QColor& colour)
{
    text_colour_ = colour;
    viewport()->update();
}

void HexViewWidget::ScrollToRow(int row)
{
    verticalScrollBar()->setValue(row);
}

int HexViewWidget::RowCount() const
{
    return (static_cast<int>(data_.size()) + kPerRow - 1) / kPerRow;
}

int HexViewWidget::VisibleRows() const
{
    return std::max(1, (viewport()->height() - kMargin) / line_height_);
}

void HexViewWidget::UpdateScrollBar()
{
    verticalScrollBar()->setRange(0, std::max(0, RowCount() - VisibleRows()));
    verticalScrollBar()->setPageStep(VisibleRows());
    const int width = (kCharColumn + kPerRow) * char_width_ + 2 * kMargin;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void HexViewWidget::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    FitFont();
    UpdateScrollBar();
}

void HexViewWidget::FitFont()
{
    // The largest legible size at which a whole row fits the width; below that
    // the view scrolls sideways.
    QFont fitted = font();
    for (int pixels = kLargestPixels; pixels >= kSmallestPixels; --pixels) {
        fitted.setPixelSize(pixels);
        if (QFontMetrics(fitted).horizontalAdvance('0') * (kCharColumn + kPerRow) + 2 * kMargin <=
                viewport()->width() ||
            pixels == kSmallestPixels)
            break;
    }
    if (fitted == font()) return;
    setFont(fitted);
    QFontMetrics metrics(fitted);
    char_width_ = std::max(1, metrics.horizontalAdvance('0'));
    line_height_ = std::max(1, metrics.height());
}

void HexViewWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const QColor base = palette().color(QPalette::Base);
    painter.fillRect(viewport()->rect(), base);
    const QColor offset_colour = palette().color(QPalette::Disabled, QPalette::Text);
    const QColor cursor_back =
        hasFocus() ? palette().color(QPalette::Highlight).lighter(160) : QColor(225, 225, 225);
    const int ascent = QFontMetrics(font()).ascent();
    const int left = kMargin - horizontalScrollBar()->value();
    const int first = verticalScrollBar()->value();
    const int last = std::min(RowCount(), first + VisibleRows() + 1);
    static const char kDigits[] = "0123456789ABCDEF";

    for (int row = first; row < last; ++row) {
        const int y = kMargin + (row - first) * line_height_;
        const int offset = row * kPerRow;
        QString address = QString("%1:").arg(offset, 4, 16, QChar('0')).toUpper();
        painter.setPen(offset_colour);
        painter.drawText(left, y + ascent, address);
        for (int i = 0; i < kPerRow && offset + i < static_cast<int>(data_.size()); ++i) {
            const int at = offset + i;
            const uint8_t byte = data_[static_cast<size_t>(at)];
            const int hex_x = left + (kHexColumn + i * 3) * char_width_;
            const int char_x = left + (kCharColumn + i) * char_width_;
            if (at == cursor_) {
                painter.fillRect(hex_x, y, 2 * char_width_, line_height_, cursor_back);
                painter.fillRect(char_x, y, char_width_, line_height_, cursor_back);
            }
            painter.setPen(edited_[static_cast<size_t>(at)] ? QColor(Qt::red) : text_colour_);
            QString hex;
            hex += QChar(kDigits[byte >> 4]);
            hex += QChar(kDigits[byte & 0xF]);
            if (at == cursor_ && pending_nibble_ >= 0) hex[0] = QChar(kDigits[pending_nibble_]);
            painter.drawText(hex_x, y + ascent, hex);
            const QChar shown = byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
            painter.drawText(char_x, y + ascent, QString(shown));
        }
    }
}

void HexViewWidget::MoveCursor(int to)
{
    if (data_.empty()) return;
    cursor_ = std::clamp(to, 0, static_cast<int>(data_.size()) - 1);
    pending_nibble_ = -1;
    const int row = cursor_ / kPerRow;
    if (row < verticalScrollBar()->value()) verticalScrollBar()->setValue(row);
    if (row >= verticalScrollBar()->value() + VisibleRows())
        verticalScrollBar()->setValue(row - VisibleRows() + 1);
    viewport()->update();
}

void HexViewWidget::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        MoveCursor(cursor_ - 1);
        return;
    case Qt::Key_Right:
        MoveCursor(cursor_ + 1);
        return;
    case Qt::Key_Up:
        MoveCursor(cursor_ - kPerRow);
        return;
    case Qt::Key_Down:
        MoveCursor(cursor_ + kPerRow);
        return;
    case Qt::Key_PageUp:
        MoveCursor(cursor_ - kPerRow * VisibleRows());
        return;
    case Qt::Key_PageDown:
        MoveCursor(cursor_ + kPerRow * VisibleRows());
        return;
    case Qt::Key_Home:
        MoveCursor(cursor_ - cursor_ % kPerRow);
        return;
    case Qt::Key_End:
        MoveCursor(cursor_ - cursor_ % kPerRow + kPerRow - 1);
        return;
    default:
        break;
    }
    const int digit = HexDigit(event->key());
    if (digit < 0 || read_only_ || data_.empty() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (pending_nibble_ < 0) {
        pending_nibble_ = digit;
        viewport()->update();
        return;
    }
    const auto value = static_cast<uint8_t>(pending_nibble_ << 4 | digit);
    const size_t at = static_cast<size_t>(cursor_);
    pending_nibble_ = -1;
    // The program stores the byte and hands the data back.
    if (on_edit) on_edit(at, value);
    MoveCursor(cursor_ + 1);
}

int HexViewWidget::ByteAt(const QPoint& point) const
{
    const int row = verticalScrollBar()->value() + (point.y() - kMargin) / line_height_;
    const int x = point.x() - kMargin + horizontalScrollBar()->value();
    const int column = x / char_width_;
    int index = -1;
    if (column >= kHexColumn && column < kHexColumn + kPerRow * 3) index = (column - kHexColumn) / 3;
    if (column >= kCharColumn && column < kCharColumn + kPerRow) index = column - kCharColumn;
    if (index < 0 || point.y() < kMargin) return -1;
    const int at = row * kPerRow + index;
    return at < static_cast<int>(data_.size()) ? at : -1;
}

void HexViewWidget::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const int at = ByteAt(event->position().toPoint());
    if (at >= 0) MoveCursor(at);
}

void HexViewWidget::mouseDoubleClickEvent(QMouseEvent*)
{
    if (on_double_click) on_double_click();
}

void HexViewWidget::focusOutEvent(QFocusEvent* event)
{
    // A half-typed byte is dropped, not stored.
    pending_nibble_ = -1;
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace mrv::qt
