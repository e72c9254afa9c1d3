#include "ui/qt/widgets.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

namespace mrv::qt
{

void LampWidget::SetColour(const QColor& colour)
{
    if (colour_ == colour) return;
    colour_ = colour;
    update();
}

void LampWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height()) - 1.5;
    QRectF circle((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    QRadialGradient shine(circle.center() - QPointF(side / 5, side / 5), side * 0.7);
    shine.setColorAt(0, colour_.lighter(150));
    shine.setColorAt(1, colour_);
    painter.setBrush(shine);
    painter.setPen(QPen(QColor(80, 80, 80), 1));
    painter.drawEllipse(circle);
}

PanelWidget::PanelWidget(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(1);
}

void PanelWidget::SetCaption(const QString& caption)
{
    if (caption_ == caption) return;
    caption_ = caption;
    update();
}

void PanelWidget::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (caption_.isEmpty()) return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignCenter, caption_);
}

void ImageWidget::SetColour(const QColor& colour)
{
    if (colour_ == colour) return;
    colour_ = colour;
    update();
}

void ImageWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect().adjusted(1, 1, -1, -1), colour_);
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void StatusPanes::SetPanes(const std::vector<Pane>& panes)
{
    while (labels_.size() > panes.size()) {
        delete labels_.back();
        labels_.pop_back();
    }
    while (labels_.size() < panes.size()) {
        auto* label = new QLabel(this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setIndent(3);
        label->show();
        labels_.push_back(label);
    }
    widths_.clear();
    for (size_t i = 0; i < panes.size(); ++i) {
        labels_[i]->setText(panes[i].text);
        widths_.push_back(panes[i].width);
    }
    Layout();
}

QString StatusPanes::PaneText(int index) const
{
    return index >= 0 && index < PaneCount() ? labels_[static_cast<size_t>(index)]->text() : QString();
}

void StatusPanes::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Layout();
}

void StatusPanes::Layout()
{
    int x = 0;
    for (size_t i = 0; i < labels_.size(); ++i) {
        bool last = i + 1 == labels_.size();
        int w = last ? std::max(0, width() - x) : std::max(0, widths_[i]);
        labels_[i]->setGeometry(x, 0, w, height());
        x += w + 2;
    }
}

} // namespace mrv::qt
