#pragma once
// Binds form windows to Qt widgets: one binding per control kind creates the
// matching widget at the control's bounds, follows the control's changes through
// its observer, and feeds user input back through the calls a user action makes.

#include "form/controls.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QWidget;

namespace mrv::qt
{

class QtUiThread;
class Binding;

class FormBinder : public QObject
{
  public:
    explicit FormBinder(QtUiThread& ui);
    /// Unhooks every observer; the controls may outlive the widgets.
    ~FormBinder() override;

    /// Creates the widgets of a window and returns its top-level widget. The
    /// window's timers are handed to the UI thread's timer loop.
    QWidget* Bind(form::Window& window);
    /// The widget showing a control (null for timers and unbound controls).
    QWidget* WidgetOf(const form::Control& control) const;
    /// The top-level widget of the first bound window (message boxes' parent).
    QWidget* MainWidget() const;

    /// Called when a window is shown or hidden (by the program or its close box).
    std::function<void(form::Window&, bool visible)> OnWindowVisibility;

    QtUiThread& Ui() { return ui_; }
    /// True while the widgets are being torn down: their signals are no user input.
    bool Closing() const { return closing_; }
    /// Re-applies the hints of a window's controls after its hint switch changed.
    void RefreshHints(form::Window& window);
    void WindowVisibilityChanged(form::Window& window, bool visible);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BindTree(form::Control& control, Binding* parent, std::vector<Binding*>& created);

    QtUiThread& ui_;
    std::vector<std::unique_ptr<Binding>> bindings_;
    std::map<const form::Control*, Binding*> by_control_;
    std::map<QWidget*, form::Window*> windows_;
    QPointer<QWidget> main_widget_;
    bool closing_ = false;
};

} // namespace mrv::qt
