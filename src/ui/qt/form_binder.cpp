#include "ui/qt/form_binder.h"

#include "ui/qt/bindings.h"
#include "ui/qt/hex_view_widget.h"
#include "ui/qt/qt_ui_thread.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTextEdit>
#include <optional>

namespace mrv::qt
{

namespace
{

std::optional<form::Key> ToFormKey(int key)
{
    using form::Key;
    switch (key) {
    case Qt::Key_F1:
        return Key::F1;
    case Qt::Key_F2:
        return Key::F2;
    case Qt::Key_F3:
        return Key::F3;
    case Qt::Key_F4:
        return Key::F4;
    case Qt::Key_F5:
        return Key::F5;
    case Qt::Key_F6:
        return Key::F6;
    case Qt::Key_F7:
        return Key::F7;
    case Qt::Key_F8:
        return Key::F8;
    case Qt::Key_F9:
        return Key::F9;
    case Qt::Key_Up:
        return Key::Up;
    case Qt::Key_Down:
        return Key::Down;
    case Qt::Key_Left:
        return Key::Left;
    case Qt::Key_Right:
        return Key::Right;
    case Qt::Key_Escape:
        return Key::Escape;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Key::Enter;
    case Qt::Key_Space:
        return Key::Space;
    default:
        return std::nullopt;
    }
}

bool IsFunctionKey(form::Key key)
{
    return key <= form::Key::F9;
}

/// Widgets that use arrows, Enter and Space themselves keep them.
bool WantsNavigationKeys(QWidget* focus)
{
    return qobject_cast<QLineEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus) ||
           qobject_cast<QComboBox*>(focus) || qobject_cast<QAbstractItemView*>(focus) ||
           qobject_cast<QAbstractSlider*>(focus) || qobject_cast<QTabBar*>(focus) ||
           qobject_cast<QPlainTextEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
           qobject_cast<HexViewWidget*>(focus) ||
           (focus && focus->parentWidget() && qobject_cast<QAbstractItemView*>(focus->parentWidget()));
}

} // namespace

FormBinder::FormBinder(QtUiThread& ui) : ui_(ui)
{
    qApp->installEventFilter(this);
}

FormBinder::~FormBinder()
{
    qApp->removeEventFilter(this);
    closing_ = true;
    for (auto& binding : bindings_)
        binding->Control().SetObserver(nullptr);
    // Top-level widgets own their children.
    for (auto& [widget, window] : windows_)
        delete widget;
}

QWidget* FormBinder::Bind(form::Window& window)
{
    std::vector<Binding*> created;
    BindTree(window, nullptr, created);
    // Children first, so that a page control has its tabs before it picks one
    // and a window shows only when its contents are complete.
    for (auto it = created.rbegin(); it != created.rend(); ++it)
        (*it)->UpdateAll();
    QWidget* top = by_control_.at(&window)->Widget();
    windows_[top] = &window;
    if (!main_widget_) main_widget_ = top;
    ui_.AddWindow(&window);
    return top;
}

void FormBinder::BindTree(form::Control& control, Binding* parent, std::vector<Binding*>& created)
{
    auto binding = MakeBinding(*this, control, parent);
    Binding* b = binding.get();
    bindings_.push_back(std::move(binding));
    by_control_[&control] = b;
    b->Create(parent ? parent->ChildArea() : nullptr);
    if (parent) parent->ChildCreated(*b);
    control.SetObserver([b](form::Control&, form::Aspect aspect) { b->Update(aspect); });
    created.push_back(b);
    if (auto* box = dynamic_cast<form::Container*>(&control)) {
        for (form::Control* child : box->Children())
            BindTree(*child, b, created);
    }
}

QWidget* FormBinder::WidgetOf(const form::Control& control) const
{
    auto it = by_control_.find(&control);
    return it == by_control_.end() ? nullptr : it->second->Widget();
}

QWidget* FormBinder::MainWidget() const
{
    return main_widget_;
}

void FormBinder::RefreshHints(form::Window& window)
{
    for (auto& binding : bindings_) {
        if (binding->Control().OwnerWindow() == &window) binding->RefreshHint();
    }
}

void FormBinder::WindowVisibilityChanged(form::Window& window, bool visible)
{
    if (OnWindowVisibility) OnWindowVisibility(window, visible);
}

bool FormBinder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    // A key travels up the parents; act on it once, where it was delivered first.
    QWidget* focus = QApplication::focusWidget();
    if (focus ? widget != focus : !widget->isWindow()) return false;
    auto window = windows_.find(widget->window());
    if (window == windows_.end()) return false;
    auto* key_event = static_cast<QKeyEvent*>(event);
    if (key_event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    auto key = ToFormKey(key_event->key());
    if (!key) return false;
    if (!IsFunctionKey(*key) && WantsNavigationKeys(focus)) return false;
    return window->second->KeyDown(*key);
}

} // namespace mrv::qt
