#include "ui/qt/bindings.h"

#include "ui/qt/form_binder.h"
#include "ui/qt/hex_view_widget.h"
#include "ui/qt/list_model.h"
#include "ui/qt/qt_ui_thread.h"
#include "ui/qt/scan_view_widgets.h"
#include "ui/qt/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QUrl>
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
QString ToQString(const std::string& text)
{
    return QString::fromStdString(text);
}

/// Titles of boxes and tabs carry no accelerator: "&&" is an ampersand, a lone '&' goes.
QString PlainTitle(const std::string& caption)
{
    QString out;
    const QString text = ToQString(caption);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') out += text[++i];
            continue;
        }
        out += text[i];
    }
    // Qt would read a remaining single '&' as an accelerator again.
    out.replace("&", "&&");
    return out;
}

/// Sets a palette role for the enabled states only, so that disabled controls
/// keep the style's greyed look.
void SetRole(QPalette& palette, QPalette::ColorRole role, const QColor& colour)
{
    palette.setColor(QPalette::Active, role, colour);
    palette.setColor(QPalette::Inactive, role, colour);
}

/// Colours the program leaves at their defaults stand for the desktop's own
/// (text, button face, edit background): those controls follow the system's
/// colour scheme, light or dark, while the colours the program chose (its
/// signal colours, black panels, tinted rows) stay as they are.
bool IsSystemFace(form::Colour colour)
{
    return colour == form::colours::kBtnFace;
}
bool IsSystemBase(form::Colour colour)
{
    return colour == form::colours::kWindow;
}
/// Default text stands for the system's text colour only on a surface drawn
/// in system colours: the control's own background, or, for a control that
/// shows its parent's face, the nearest container the program coloured.
bool IsSystemText(const form::Control& control)
{
    if (control.FontColour() != form::colours::kBlack) return false;
    if (IsSystemBase(control.BackColour())) return true;
    for (const form::Control* c = &control; c; c = c->Parent()) {
        if (!IsSystemFace(c->BackColour())) return false;
    }
    return true;
}

/// Sets a role to the program's colour, or back to the system's.
void SetRoleOrSystem(QPalette& palette, QPalette::ColorRole role, bool system, const QColor& colour)
{
    const QPalette& desktop = QApplication::palette();
    if (system) {
        palette.setColor(QPalette::Active, role, desktop.color(QPalette::Active, role));
        palette.setColor(QPalette::Inactive, role, desktop.color(QPalette::Inactive, role));
    } else {
        SetRole(palette, role, colour);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Common behaviour

bool Binding::Syncing() const
{
    return syncing_ || binder_.Closing();
}

void Binding::Update(form::Aspect aspect)
{
    syncing_ = true;
    Apply(aspect);
    syncing_ = false;
}

void Binding::UpdateAll()
{
    using form::Aspect;
    for (Aspect a : {Aspect::Items, Aspect::Rows, Aspect::Caption, Aspect::Text, Aspect::Value, Aspect::State,
                     Aspect::Font, Aspect::Colours, Aspect::Bounds, Aspect::Enabled, Aspect::Visible}) {
        Update(a);
    }
}

void Binding::RefreshHint()
{
    if (!widget_) return;
    form::Window* window = control_.OwnerWindow();
    bool on = window && window->ShowHints();
    widget_->setToolTip(on ? ToQString(control_.Hint()) : QString());
}

void Binding::Apply(form::Aspect aspect)
{
    if (!widget_) return;
    using form::Aspect;
    switch (aspect) {
    case Aspect::Caption:
        ApplyCaption();
        break;
    case Aspect::Enabled:
        widget_->setEnabled(control_.Enabled());
        break;
    case Aspect::Visible:
        ApplyVisible();
        break;
    case Aspect::Bounds:
        ApplyBounds();
        break;
    case Aspect::Colours:
        ApplyColours();
        break;
    case Aspect::Font: {
        QFont font = QApplication::font();
        font.setPointSize(std::max(1, control_.FontSize()));
        font.setBold(control_.FontBold());
        widget_->setFont(font);
        break;
    }
    default:
        break;
    }
    // Hints carry no change notice of their own; any change refreshes them.
    RefreshHint();
}

void Binding::ApplyColours()
{
    QPalette palette = widget_->palette();
    const QColor text = ToQColor(control_.FontColour());
    const bool system_text = IsSystemText(control_);
    SetRoleOrSystem(palette, QPalette::WindowText, system_text, text);
    SetRoleOrSystem(palette, QPalette::Text, system_text, text);
    SetRoleOrSystem(palette, QPalette::ButtonText, system_text, text);
    SetRoleOrSystem(palette, QPalette::Window, IsSystemFace(control_.BackColour()),
                    ToQColor(control_.BackColour()));
    widget_->setPalette(palette);
}

void Binding::ApplyBounds()
{
    const auto& b = control_.Geometry();
    widget_->setGeometry(b.left, b.top, std::max(0, b.width), std::max(0, b.height));
}

void Binding::ApplyVisible()
{
    widget_->setVisible(control_.Visible());
}

void Binding::EnablePopup(QWidget* origin)
{
    origin->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(origin, &QWidget::customContextMenuRequested, origin,
                     [this, origin](const QPoint& pos) { ShowPopup(origin, pos); });
}

void Binding::ShowPopup(QWidget* origin, const QPoint& pos)
{
    form::PopupMenu* popup = control_.Popup();
    if (!popup) return;
    // The program updates captions and states just before the menu shows.
    popup->Open();
    QMenu menu;
    const auto& items = popup->Items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (!items[i].visible) continue;
        QAction* action = menu.addAction(ToQString(items[i].caption));
        action->setEnabled(items[i].enabled);
        action->setData(static_cast<qulonglong>(i));
    }
    QAction* chosen = menu.exec(origin->mapToGlobal(pos));
    if (chosen) popup->Choose(static_cast<size_t>(chosen->data().toULongLong()));
}

namespace
{

// ---------------------------------------------------------------------------
// Windows and containers

/// Runs the control's OnClick for widgets that are not buttons (lamps, images, panels).
class ClickFilter : public QObject
{
  public:
    ClickFilter(form::Control& control, QObject* parent) : QObject(parent), control_(control) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            auto* widget = static_cast<QWidget*>(watched);
            if (mouse->button() == Qt::LeftButton && widget->isEnabled() &&
                widget->rect().contains(mouse->position().toPoint()) && control_.OnClick) {
                control_.OnClick();
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            if (control_.OnDblClick && static_cast<QWidget*>(watched)->isEnabled()) {
                control_.OnDblClick();
                return true;
            }
        }
        return false;
    }

  private:
    form::Control& control_;
};

class WindowWidget : public QWidget
{
  public:
    std::function<void()> on_close;
    std::function<void()> on_geometry;
    std::function<void()> on_deactivate;

  protected:
    void changeEvent(QEvent* event) override
    {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible() && on_deactivate)
            on_deactivate();
    }
    void closeEvent(QCloseEvent* event) override
    {
        // The program decides; its window hides itself when it closes.
        event->ignore();
        if (on_close) on_close();
    }
    void moveEvent(QMoveEvent* event) override
    {
        QWidget::moveEvent(event);
        if (on_geometry && isVisible()) on_geometry();
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (on_geometry && isVisible()) on_geometry();
    }
};

class WindowBinding : public Binding
{
  public:
    using Binding::Binding;
    form::Window& Window() { return static_cast<form::Window&>(control_); }

    void Create(QWidget*) override
    {
        auto* w = new WindowWidget;
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->setAutoFillBackground(true);
        w->on_close = [this] { Window().Close(); };
        w->on_deactivate = [this] {
            if (!Syncing()) Window().Deactivate();
        };
        w->on_geometry = [this, w] {
            if (Syncing()) return;
            QRect g = w->geometry();
            const bool resized =
                g.width() != Window().Geometry().width || g.height() != Window().Geometry().height;
            Window().SetBounds(g.x(), g.y(), g.width(), g.height());
            if (resized) Window().Resized();
        };
        widget_ = w;
        EnablePopup(w);
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Colours) widget_->setWindowOpacity(Window().Alpha() / 255.0);
        if (aspect == form::Aspect::State) binder_.RefreshHints(Window());
        Binding::Apply(aspect);
    }
    void ApplyCaption() override { widget_->setWindowTitle(ToQString(control_.Caption())); }
    void ApplyBounds() override
    {
        const auto& b = control_.Geometry();
        if (b.width > 0 && b.height > 0 && widget_->size() != QSize(b.width, b.height)) {
            widget_->resize(b.width, b.height);
        }
        // A window without a position is placed by the window manager.
        if ((b.left != 0 || b.top != 0) && widget_->pos() != QPoint(b.left, b.top))
            widget_->move(b.left, b.top);
    }
    void ApplyVisible() override
    {
        bool visible = control_.Visible();
        if (visible == widget_->isVisible()) return;
        if (visible) {
            widget_->show();
            widget_->raise();
            widget_->activateWindow();
        } else {
            widget_->hide();
        }
        binder_.WindowVisibilityChanged(Window(), visible);
    }
};

class PanelBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        auto* panel = new PanelWidget(parent);
        panel->setAutoFillBackground(true);
        widget_ = panel;
        EnablePopup(panel);
        panel->installEventFilter(new ClickFilter(control_, panel));
    }

  protected:
    void ApplyCaption() override
    {
        static_cast<PanelWidget*>(widget_)->SetCaption(ToQString(control_.Caption()));
    }
};

class GroupBoxBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        widget_ = new QGroupBox(parent);
        EnablePopup(widget_);
    }

  protected:
    void ApplyCaption() override
    {
        static_cast<QGroupBox*>(widget_)->setTitle(PlainTitle(control_.Caption()));
    }
};

class PageControlBinding : public Binding
{
  public:
    using Binding::Binding;
    form::PageControl& Pages() { return static_cast<form::PageControl&>(control_); }
    QTabWidget* Tabs() { return static_cast<QTabWidget*>(widget_); }

    void Create(QWidget* parent) override
    {
        auto* tabs = new QTabWidget(parent);
        tabs->setDocumentMode(false);
        tabs->setUsesScrollButtons(false);
        widget_ = tabs;
        QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [this](int index) {
            if (Syncing() || index < 0) return;
            Pages().SetActivePageIndex(index);
            // The program may refuse or redirect the change.
            if (Tabs()->currentIndex() != Pages().ActivePageIndex()) Update(form::Aspect::Value);
        });
    }
    /// The area in which child tab sheets are created.
    QWidget* ChildArea() override { return nullptr; }
    void ChildCreated(Binding& child) override
    {
        Tabs()->addTab(child.Widget(), PlainTitle(child.Control().Caption()));
    }
    void RenameTab(Binding& child)
    {
        int index = Tabs()->indexOf(child.Widget());
        if (index >= 0) Tabs()->setTabText(index, PlainTitle(child.Control().Caption()));
    }
    void ShowTab(Binding& child)
    {
        int index = Tabs()->indexOf(child.Widget());
        if (index >= 0) Tabs()->setTabVisible(index, child.Control().Visible());
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Value && Tabs()->currentIndex() != Pages().ActivePageIndex()) {
            Tabs()->setCurrentIndex(Pages().ActivePageIndex());
        }
        Binding::Apply(aspect);
    }
    void ApplyColours() override {}
};

class TabSheetBinding : public Binding
{
  public:
    TabSheetBinding(FormBinder& binder, form::Control& control, PageControlBinding* pages)
        : Binding(binder, control), pages_(pages)
    {
    }
    void Create(QWidget*) override
    {
        widget_ = new QWidget;
        EnablePopup(widget_);
    }

  protected:
    void ApplyCaption() override
    {
        if (pages_) pages_->RenameTab(*this);
    }
    void ApplyBounds() override {} // a sheet fills its page control
    void ApplyVisible() override
    {
        if (pages_) pages_->ShowTab(*this);
    }
    void ApplyColours() override
    {
        // Sheets keep the style's page colour unless the program tints them.
        if (control_.BackColour() == form::colours::kBtnFace) return;
        widget_->setAutoFillBackground(true);
        Binding::ApplyColours();
    }

  private:
    PageControlBinding* pages_;
};

// ---------------------------------------------------------------------------
// Simple controls

class LabelBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget_ = label;
        // Some readouts answer a click (the scan's time readout shows its start time).
        label->installEventFilter(new ClickFilter(control_, label));
        EnablePopup(label);
    }

  protected:
    void ApplyCaption() override
    {
        // Labels show '&' literally; their text is data, not a menu caption.
        static_cast<QLabel*>(widget_)->setText(ToQString(control_.Caption()));
        ApplyBounds();
    }
    void ApplyColours() override
    {
        Binding::ApplyColours();
        widget_->setAutoFillBackground(!static_cast<form::Label&>(control_).Transparent());
    }
    void ApplyBounds() override
    {
        // Labels size themselves to their text, as auto-sized labels do.
        const auto& b = control_.Geometry();
        QSize text = widget_->sizeHint();
        widget_->setGeometry(b.left, b.top, std::max(b.width, text.width()),
                             std::max(b.height, text.height()));
    }
};

class ButtonBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        auto* button = new QPushButton(parent);
        button->setAutoDefault(false);
        widget_ = button;
        EnablePopup(button);
        QObject::connect(button, &QPushButton::clicked, button, [this] {
            if (!Syncing()) static_cast<form::Button&>(control_).Click();
        });
    }

  protected:
    void ApplyCaption() override
    {
        static_cast<QPushButton*>(widget_)->setText(ToQString(control_.Caption()));
    }
    void ApplyColours() override
    {
        Binding::ApplyColours();
        QPalette palette = widget_->palette();
        if (control_.BackColour() != form::colours::kBtnFace) {
            SetRole(palette, QPalette::Button, ToQColor(control_.BackColour()));
            widget_->setPalette(palette);
        }
    }
};

class CheckBoxBinding : public Binding
{
  public:
    using Binding::Binding;
    form::CheckBox& Box() { return static_cast<form::CheckBox&>(control_); }
    void Create(QWidget* parent) override
    {
        auto* box = new QCheckBox(parent);
        widget_ = box;
        EnablePopup(box);
        QObject::connect(box, &QCheckBox::clicked, box, [this](bool checked) {
            if (Syncing()) return;
            Box().SetChecked(checked);
            // A handler may put the box back.
            if (static_cast<QCheckBox*>(widget_)->isChecked() != Box().Checked()) Update(form::Aspect::State);
        });
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::State) static_cast<QCheckBox*>(widget_)->setChecked(Box().Checked());
        Binding::Apply(aspect);
    }
    void ApplyCaption() override
    {
        static_cast<QCheckBox*>(widget_)->setText(ToQString(control_.Caption()));
        ApplyBounds();
    }
    void ApplyBounds() override
    {
        // Captions wider than the box (a wider font than the layout's) may use
        // the free space up to the container's edge rather than be cut.
        const auto& b = control_.Geometry();
        int room = widget_->parentWidget() ? widget_->parentWidget()->width() - b.left : b.width;
        int width = std::max(b.width, std::min(widget_->sizeHint().width(), room));
        widget_->setGeometry(b.left, b.top, std::max(0, width), std::max(0, b.height));
    }
};

class RadioGroupBinding : public Binding
{
  public:
    using Binding::Binding;
    form::RadioGroup& Group() { return static_cast<form::RadioGroup&>(control_); }
    void Create(QWidget* parent) override
    {
        widget_ = new QGroupBox(parent);
        EnablePopup(widget_);
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Items) Rebuild();
        if (aspect == form::Aspect::State || aspect == form::Aspect::Items) Check();
        Binding::Apply(aspect);
        if (aspect == form::Aspect::Bounds) Place();
        if (aspect == form::Aspect::Colours || aspect == form::Aspect::Font) {
            for (auto* button : buttons_) {
                button->setPalette(widget_->palette());
                button->setFont(widget_->font());
            }
        }
    }
    void ApplyCaption() override
    {
        static_cast<QGroupBox*>(widget_)->setTitle(PlainTitle(control_.Caption()));
    }

  private:
    void Rebuild()
    {
        for (auto* button : buttons_)
            delete button;
        buttons_.clear();
        const auto& items = Group().Items();
        for (size_t i = 0; i < items.size(); ++i) {
            auto* button = new QRadioButton(ToQString(items[i]), widget_);
            button->setPalette(widget_->palette());
            button->show();
            QObject::connect(button, &QRadioButton::clicked, button, [this, i] {
                if (Syncing()) return;
                Group().SetItemIndex(static_cast<int>(i));
                if (Group().ItemIndex() != static_cast<int>(i)) Update(form::Aspect::State);
            });
            buttons_.push_back(button);
        }
        Place();
    }
    void Place()
    {
        // Items fill the box in columns, top to bottom, as a radio group spreads them.
        if (buttons_.empty()) return;
        const int columns = std::max(1, Group().Columns());
        const int rows = (static_cast<int>(buttons_.size()) + columns - 1) / columns;
        const int top = control_.Caption().empty() ? 2 : 14;
        const int width = std::max(1, (widget_->width() - 8) / columns);
        const int row_height = std::max(1, (widget_->height() - top - 2) / rows);
        for (size_t i = 0; i < buttons_.size(); ++i) {
            int column = static_cast<int>(i) / rows, row = static_cast<int>(i) % rows;
            int left = 5 + column * width;
            QSize hint = buttons_[i]->sizeHint();
            int h = std::min(row_height, hint.height());
            // A caption wider than its column may run on into the box's free space.
            int w = std::max(width - 2, std::min(hint.width(), widget_->width() - left - 2));
            buttons_[i]->setGeometry(left, top + row * row_height + (row_height - h) / 2, w, h);
        }
    }
    void Check()
    {
        const int index = Group().ItemIndex();
        for (size_t i = 0; i < buttons_.size(); ++i) {
            // Exclusivity would refuse to clear the last checked button.
            buttons_[i]->setAutoExclusive(false);
            buttons_[i]->setChecked(static_cast<int>(i) == index);
            buttons_[i]->setAutoExclusive(true);
        }
    }
    std::vector<QRadioButton*> buttons_;
};

/// Edits, spin boxes, memos and lists paint their text area in the control's
/// background colour.
class TextAreaBinding : public Binding
{
  public:
    using Binding::Binding;

  protected:
    void ApplyColours() override
    {
        Binding::ApplyColours();
        QPalette palette = widget_->palette();
        SetRoleOrSystem(palette, QPalette::Base, IsSystemBase(control_.BackColour()),
                        ToQColor(control_.BackColour()));
        widget_->setPalette(palette);
    }
};

class EditBinding : public TextAreaBinding
{
  public:
    using TextAreaBinding::TextAreaBinding;
    form::Edit& Edit() { return static_cast<form::Edit&>(control_); }
    void Create(QWidget* parent) override
    {
        auto* edit = new QLineEdit(parent);
        widget_ = edit;
        EnablePopup(edit);
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this](const QString& text) {
            if (!Syncing()) Edit().SetText(text.toStdString());
        });
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        auto* edit = static_cast<QLineEdit*>(widget_);
        if (aspect == form::Aspect::Text && edit->text().toStdString() != Edit().Text()) {
            edit->setText(ToQString(Edit().Text()));
        }
        if (aspect == form::Aspect::State) edit->setReadOnly(Edit().ReadOnly());
        Binding::Apply(aspect);
    }
};

class ComboBoxBinding : public Binding
{
  public:
    using Binding::Binding;
    form::ComboBox& Box() { return static_cast<form::ComboBox&>(control_); }
    QComboBox* Combo() { return static_cast<QComboBox*>(widget_); }
    void Create(QWidget* parent) override
    {
        auto* combo = new QComboBox(parent);
        widget_ = combo;
        EnablePopup(combo);
        QObject::connect(combo, &QComboBox::activated, combo, [this](int index) {
            if (!Syncing()) Box().SetItemIndex(index);
        });
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Items) {
            Combo()->clear();
            for (const auto& item : Box().Items())
                Combo()->addItem(ToQString(item));
        }
        if (aspect == form::Aspect::Items || aspect == form::Aspect::State) {
            // A typed text that is no item needs an edit field to show it.
            bool typed = Box().ItemIndex() < 0 && !Box().Text().empty();
            Combo()->setEditable(typed);
            Combo()->setCurrentIndex(Box().ItemIndex());
            if (typed) Combo()->setEditText(ToQString(Box().Text()));
        }
        Binding::Apply(aspect);
    }
};

class SpinEditBinding : public TextAreaBinding
{
  public:
    using TextAreaBinding::TextAreaBinding;
    form::SpinEdit& Spin() { return static_cast<form::SpinEdit&>(control_); }
    void Create(QWidget* parent) override
    {
        auto* spin = new QSpinBox(parent);
        spin->setKeyboardTracking(true);
        widget_ = spin;
        EnablePopup(spin);
        QObject::connect(spin, &QSpinBox::valueChanged, spin, [this](int value) {
            if (!Syncing()) Spin().SetValue(value);
        });
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Value) {
            auto* spin = static_cast<QSpinBox*>(widget_);
            // An empty range means any value.
            if (Spin().Max() > Spin().Min()) {
                spin->setRange(Spin().Min(), Spin().Max());
            } else {
                spin->setRange(INT_MIN, INT_MAX);
            }
            spin->setValue(Spin().Value());
        }
        Binding::Apply(aspect);
    }
};

class TrackBarBinding : public Binding
{
  public:
    using Binding::Binding;
    form::TrackBar& Track() { return static_cast<form::TrackBar&>(control_); }
    void Create(QWidget* parent) override
    {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setTickPosition(QSlider::TicksBelow);
        widget_ = slider;
        EnablePopup(slider);
        QObject::connect(slider, &QSlider::valueChanged, slider, [this, slider](int value) {
            if (Syncing()) return;
            Track().SetPosition(value);
            // A key, the wheel or a page click moves the slider in one step:
            // that step is its release too.
            if (!slider->isSliderDown()) Track().Release();
        });
        QObject::connect(slider, &QSlider::sliderReleased, slider, [this] {
            if (!Syncing()) Track().Release();
        });
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        auto* slider = static_cast<QSlider*>(widget_);
        if (aspect == form::Aspect::Value) {
            slider->setRange(Track().Min(), std::max(Track().Min(), Track().Max()));
            slider->setValue(Track().Position());
        }
        if (aspect == form::Aspect::Bounds) {
            const auto& b = control_.Geometry();
            slider->setOrientation(b.height > b.width ? Qt::Vertical : Qt::Horizontal);
        }
        Binding::Apply(aspect);
    }
};

class ProgressBarBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        widget_ = bar;
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Value) {
            auto& model = static_cast<form::ProgressBar&>(control_);
            auto* bar = static_cast<QProgressBar*>(widget_);
            bar->setRange(0, std::max(0, model.Max()));
            bar->setValue(model.Position());
        }
        Binding::Apply(aspect);
    }
};

class LampBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        widget_ = new LampWidget(parent);
        widget_->installEventFilter(new ClickFilter(control_, widget_));
        EnablePopup(widget_);
    }

  protected:
    void ApplyColours() override
    {
        static_cast<LampWidget*>(widget_)->SetColour(ToQColor(static_cast<form::Lamp&>(control_).Brush()));
    }
};

class ImageBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        widget_ = new ImageWidget(parent);
        widget_->installEventFilter(new ClickFilter(control_, widget_));
        EnablePopup(widget_);
    }

  protected:
    void ApplyColours() override
    {
        static_cast<ImageWidget*>(widget_)->SetColour(ToQColor(control_.BackColour()));
    }
};

class StatusBarBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        widget_ = new StatusPanes(parent);
        EnablePopup(widget_);
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Items || aspect == form::Aspect::Text) {
            std::vector<StatusPanes::Pane> panes;
            for (const auto& panel : static_cast<form::StatusBar&>(control_).Panels()) {
                panes.push_back({ToQString(panel.text), panel.width});
            }
            static_cast<StatusPanes*>(widget_)->SetPanes(panes);
        }
        Binding::Apply(aspect);
    }
};

class MemoBinding : public TextAreaBinding
{
  public:
    using TextAreaBinding::TextAreaBinding;
    void Create(QWidget* parent) override
    {
        auto* memo = new QPlainTextEdit(parent);
        memo->setReadOnly(true);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setFont(QFont("DejaVu Sans Mono", 8));
        widget_ = memo;
        EnablePopup(memo);
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        auto* memo = static_cast<QPlainTextEdit*>(widget_);
        if (aspect == form::Aspect::Text) {
            QString text;
            for (const auto& line : static_cast<form::Memo&>(control_).Lines()) {
                if (!text.isEmpty()) text += '\n';
                text += ToQString(line);
            }
            memo->setPlainText(text);
        }
        if (aspect == form::Aspect::Scroll)
            memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
        // Memos show text in a fixed-pitch font; only colours and bounds follow the model.
        if (aspect != form::Aspect::Font) Binding::Apply(aspect);
    }
};

class HexViewBinding : public TextAreaBinding
{
  public:
    using TextAreaBinding::TextAreaBinding;
    form::HexView& View() { return static_cast<form::HexView&>(control_); }
    HexViewWidget* Hex() { return static_cast<HexViewWidget*>(widget_); }
    void Create(QWidget* parent) override
    {
        auto* view = new HexViewWidget(parent);
        widget_ = view;
        EnablePopup(view);
        view->on_edit = [this](size_t offset, uint8_t value) {
            if (!Syncing()) View().EditByte(offset, value);
        };
        view->on_double_click = [this] {
            if (!Syncing() && View().OnDblClick) View().OnDblClick();
        };
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Text) {
            std::vector<bool> edited(View().Data().size());
            for (size_t i = 0; i < edited.size(); ++i)
                edited[i] = View().Edited(i);
            Hex()->SetData(View().Data(), edited);
        }
        if (aspect == form::Aspect::State) Hex()->SetReadOnly(View().ReadOnly());
        if (aspect == form::Aspect::Scroll) Hex()->ScrollToRow(static_cast<int>(View().TopRow()));
        if (aspect == form::Aspect::Colours) Hex()->SetTextColour(ToQColor(control_.FontColour()));
        // The view keeps its fixed-pitch font.
        if (aspect != form::Aspect::Font) Binding::Apply(aspect);
    }
};

class HtmlViewBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        auto* browser = new QTextBrowser(parent);
        browser->setOpenExternalLinks(true);
        widget_ = browser;
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Text) {
            auto* browser = static_cast<QTextBrowser*>(widget_);
            const std::string& path = static_cast<form::HtmlView&>(control_).Path();
            if (path.empty()) {
                browser->clear();
            } else {
                browser->setSource(QUrl::fromLocalFile(ToQString(path)));
            }
        }
        Binding::Apply(aspect);
    }
    void ApplyColours() override {}
};

class TimerBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget*) override {}

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::State || aspect == form::Aspect::Value) binder_.Ui().RescheduleTimers();
    }
};

/// Controls without a widget of their own show as a plain area in their colour.
class PlainBinding : public Binding
{
  public:
    using Binding::Binding;
    void Create(QWidget* parent) override
    {
        widget_ = new QWidget(parent);
        widget_->setAutoFillBackground(true);
        widget_->installEventFilter(new ClickFilter(control_, widget_));
        EnablePopup(widget_);
    }
};

// ---------------------------------------------------------------------------
// The scan's grid and graph

class BlockGridBinding : public Binding
{
  public:
    using Binding::Binding;
    form::BlockGrid& Grid() { return static_cast<form::BlockGrid&>(control_); }
    BlockGridWidget* View() { return static_cast<BlockGridWidget*>(widget_); }
    void Create(QWidget* parent) override
    {
        auto* view = new BlockGridWidget(Grid(), parent);
        widget_ = view;
        view->on_hover = [this](int64_t row, int column) {
            if (!Syncing()) Grid().HoverCell(row, column);
        };
        view->hint_text = [this] { return ToQString(control_.Hint()); };
        view->on_double_click = [this] {
            if (!Syncing()) Grid().DoubleClick();
        };
        view->on_context_menu = [this](const QPoint& pos) { ShowPopup(View()->viewport(), pos); };
        view->on_scroll = [this](uint64_t row) {
            if (!Syncing()) Grid().SetTopRow(row);
        };
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        using form::Aspect;
        if (aspect == Aspect::Value || aspect == Aspect::State || aspect == Aspect::Colours) {
            View()->viewport()->update();
        } else if (aspect == Aspect::Rows || aspect == Aspect::Scroll || aspect == Aspect::Bounds) {
            if (aspect == Aspect::Bounds) Binding::Apply(aspect);
            View()->SyncScroll();
            return;
        }
        if (aspect != Aspect::Value) Binding::Apply(aspect);
    }
};

class CanvasBinding : public Binding
{
  public:
    using Binding::Binding;
    form::Canvas& Canvas() { return static_cast<form::Canvas&>(control_); }
    void Create(QWidget* parent) override
    {
        auto* view = new CanvasWidget(Canvas(), parent);
        widget_ = view;
        view->on_mouse_move = [this](int x, int y) {
            if (!Syncing()) Canvas().MouseMove(x, y);
        };
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        if (aspect == form::Aspect::Value || aspect == form::Aspect::Colours) {
            widget_->update();
            return;
        }
        Binding::Apply(aspect);
    }
};

// ---------------------------------------------------------------------------
// The report list

class ListViewBinding : public TextAreaBinding
{
  public:
    using TextAreaBinding::TextAreaBinding;
    form::ListView& List() { return static_cast<form::ListView&>(control_); }
    QTableView* View() { return static_cast<QTableView*>(widget_); }

    void Create(QWidget* parent) override
    {
        auto* view = new QTableView(parent);
        model_ = new ListModel(List(), view);
        view->setModel(model_);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setWordWrap(false);
        view->setTextElideMode(Qt::ElideRight);
        view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        view->verticalHeader()->hide();
        view->horizontalHeader()->setHighlightSections(false);
        view->horizontalHeader()->setSectionsClickable(true);
        view->horizontalHeader()->setStretchLastSection(false);
        const int row = QFontMetrics(QApplication::font()).height() + 3;
        view->verticalHeader()->setMinimumSectionSize(row);
        view->verticalHeader()->setDefaultSectionSize(row);
        view->horizontalHeader()->setFixedHeight(row + 3);
        widget_ = view;
        EnablePopup(view);

        QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view,
                         [this] { SelectionFromView(); });
        QObject::connect(view, &QTableView::doubleClicked, view, [this](const QModelIndex& index) {
            if (Syncing()) return;
            if (index.isValid() && !List().RowAt(index.row()).selected) List().SelectRow(index.row());
            if (List().OnDblClick) List().OnDblClick();
        });
        QObject::connect(view->horizontalHeader(), &QHeaderView::sectionClicked, view, [this](int column) {
            if (!Syncing() && List().OnColumnClick) List().OnColumnClick(column);
        });
        QObject::connect(view->horizontalHeader(), &QHeaderView::sectionResized, view,
                         [this](int column, int, int width) {
                             if (!Syncing() && width > 0) List().SetColumnWidth(column, width);
                         });
    }

  protected:
    void Apply(form::Aspect aspect) override
    {
        using form::Aspect;
        switch (aspect) {
        case Aspect::Items:
            model_->SyncColumns();
            ApplyColumns();
            SelectionToView();
            break;
        case Aspect::Rows:
            model_->SyncRows();
            SelectionToView();
            break;
        case Aspect::State:
            View()->setSelectionMode(List().MultiSelect() ? QAbstractItemView::ExtendedSelection
                                                          : QAbstractItemView::SingleSelection);
            View()->setShowGrid(List().GridLines());
            model_->SyncRows();
            if (!pushing_selection_) SelectionToView();
            break;
        case Aspect::Scroll:
            View()->scrollToBottom();
            break;
        case Aspect::Colours:
            View()->viewport()->update();
            break;
        default:
            break;
        }
        Binding::Apply(aspect);
    }

  private:
    void ApplyColumns()
    {
        const auto& columns = List().Columns();
        for (size_t i = 0; i < columns.size(); ++i) {
            int column = static_cast<int>(i);
            // Width 0 hides a column that only carries data.
            View()->setColumnHidden(column, columns[i].width <= 0);
            if (columns[i].width > 0) View()->setColumnWidth(column, columns[i].width);
        }
    }
    void SelectionToView()
    {
        QItemSelection selection;
        const int columns = model_->columnCount();
        for (int r = 0; r < List().RowCount() && r < model_->rowCount(); ++r) {
            if (List().RowAt(r).selected && columns > 0) {
                selection.select(model_->index(r, 0), model_->index(r, columns - 1));
            }
        }
        View()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    void SelectionFromView()
    {
        if (Syncing()) return;
        std::vector<bool> selected(static_cast<size_t>(List().RowCount()), false);
        for (const QModelIndex& index : View()->selectionModel()->selectedRows()) {
            if (index.row() < List().RowCount()) selected[static_cast<size_t>(index.row())] = true;
        }
        const int current = View()->currentIndex().row();
        pushing_selection_ = true;
        if (!List().MultiSelect()) {
            int row = -1;
            for (size_t i = 0; i < selected.size(); ++i) {
                if (selected[i]) row = static_cast<int>(i);
            }
            if (row >= 0)
                List().SelectRow(row);
            else
                List().SelectRow(-1);
        } else {
            for (size_t i = 0; i < selected.size(); ++i) {
                if (List().RowAt(static_cast<int>(i)).selected != selected[i]) {
                    List().SetRowSelected(static_cast<int>(i), selected[i]);
                }
            }
            if (current >= 0 && current < List().RowCount() && selected[static_cast<size_t>(current)] &&
                List().OnSelectItem) {
                List().OnSelectItem(current);
            }
        }
        pushing_selection_ = false;
    }

    ListModel* model_ = nullptr;
    bool pushing_selection_ = false;
};

} // namespace

std::unique_ptr<Binding> MakeBinding(FormBinder& binder, form::Control& control, Binding* parent)
{
    using form::ControlKind;
    switch (control.Kind()) {
    case ControlKind::Window:
        return std::make_unique<WindowBinding>(binder, control);
    case ControlKind::PageControl:
        return std::make_unique<PageControlBinding>(binder, control);
    case ControlKind::TabSheet:
        if (parent && parent->Control().Kind() == ControlKind::PageControl) {
            return std::make_unique<TabSheetBinding>(binder, control,
                                                     static_cast<PageControlBinding*>(parent));
        }
        return std::make_unique<PlainBinding>(binder, control);
    case ControlKind::Panel:
        return std::make_unique<PanelBinding>(binder, control);
    case ControlKind::GroupBox:
        return std::make_unique<GroupBoxBinding>(binder, control);
    case ControlKind::Label:
        return std::make_unique<LabelBinding>(binder, control);
    case ControlKind::Button:
        return std::make_unique<ButtonBinding>(binder, control);
    case ControlKind::CheckBox:
        return std::make_unique<CheckBoxBinding>(binder, control);
    case ControlKind::RadioGroup:
        return std::make_unique<RadioGroupBinding>(binder, control);
    case ControlKind::Edit:
        return std::make_unique<EditBinding>(binder, control);
    case ControlKind::ComboBox:
        return std::make_unique<ComboBoxBinding>(binder, control);
    case ControlKind::SpinEdit:
        return std::make_unique<SpinEditBinding>(binder, control);
    case ControlKind::TrackBar:
        return std::make_unique<TrackBarBinding>(binder, control);
    case ControlKind::ProgressBar:
        return std::make_unique<ProgressBarBinding>(binder, control);
    case ControlKind::Lamp:
        return std::make_unique<LampBinding>(binder, control);
    case ControlKind::ListView:
        return std::make_unique<ListViewBinding>(binder, control);
    case ControlKind::StatusBar:
        return std::make_unique<StatusBarBinding>(binder, control);
    case ControlKind::Memo:
        return std::make_unique<MemoBinding>(binder, control);
    case ControlKind::HtmlView:
        return std::make_unique<HtmlViewBinding>(binder, control);
    case ControlKind::Timer:
        return std::make_unique<TimerBinding>(binder, control);
    case ControlKind::Image:
        return std::make_unique<ImageBinding>(binder, control);
    case ControlKind::HexView:
        return std::make_unique<HexViewBinding>(binder, control);
    case ControlKind::BlockGrid:
        return std::make_unique<BlockGridBinding>(binder, control);
    case ControlKind::Canvas:
        return std::make_unique<CanvasBinding>(binder, control);
    default:
        return std::make_unique<PlainBinding>(binder, control);
    }
}

} // namespace mrv::qt
