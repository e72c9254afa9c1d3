#pragma once
// The hex view of sector data: 16 bytes per row with the offset, the bytes in
// hexadecimal and as characters, in a fixed-pitch font. A cursor moves over the
// bytes; typing two hexadecimal digits edits the byte under it in place unless
// the view is read-only. Edited bytes are drawn in red.

#include <QAbstractScrollArea>
#include <cstdint>
#include <functional>
#include <vector>

namespace mrv::qt
{

class HexViewWidget : public QAbstractScrollArea
{
    Q_OBJECT

  public:
    explicit HexViewWidget(QWidget* parent);

    void SetData(const std::vector<uint8_t>& data, const std::vector<bool>& edited);
    void SetReadOnly(bool read_only);
    void SetTextColour(const QColor& colour);
    void ScrollToRow(int row);
    /// The byte under the cursor.
    int Cursor() const { return cursor_; }
    /// A typed byte: offset and value; the program stores it.
    std::function<void(size_t offset, uint8_t value)> on_edit;
    std::function<void()> on_double_click;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    int RowCount() const;
    int VisibleRows() const;
    void UpdateScrollBar();
    void FitFont();
    void MoveCursor(int to);
    /// The byte at a point of the viewport, −1 when none.
    int ByteAt(const QPoint& point) const;

    std::vector<uint8_t> data_;
    std::vector<bool> edited_;
    bool read_only_ = false;
    QColor text_colour_ = Qt::black;
    int cursor_ = 0;
    /// The first digit typed of a byte, −1 when none is pending.
    int pending_nibble_ = -1;
    int char_width_ = 7;
    int line_height_ = 14;
};

} // namespace mrv::qt
