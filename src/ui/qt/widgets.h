#pragma once
// Small painted widgets for controls that have no stock Qt widget.

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <vector>

namespace mrv::qt
{

/// A round indicator lamp filled with its brush colour.
class LampWidget : public QWidget
{
  public:
    using QWidget::QWidget;
    void SetColour(const QColor& colour);
    QColor Colour() const { return colour_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor colour_ = Qt::black;
};

/// A raised panel with an optional centred caption.
class PanelWidget : public QFrame
{
  public:
    explicit PanelWidget(QWidget* parent);
    void SetCaption(const QString& caption);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString caption_;
};

/// A picture stand-in: a framed square in the control's colour.
class ImageWidget : public QWidget
{
  public:
    using QWidget::QWidget;
    void SetColour(const QColor& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor colour_ = Qt::gray;
};

/// Status-bar panes side by side; the last one takes the rest of the width.
class StatusPanes : public QWidget
{
  public:
    using QWidget::QWidget;
    struct Pane {
        QString text;
        int width = 100;
    };
    void SetPanes(const std::vector<Pane>& panes);
    int PaneCount() const { return static_cast<int>(labels_.size()); }
    QString PaneText(int index) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Layout();
    std::vector<QLabel*> labels_;
    std::vector<int> widths_;
};

} // namespace mrv::qt
