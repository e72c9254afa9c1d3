#pragma once
// One binding per control: it owns nothing of the control, creates the widget
// and keeps it in step with the control.

#include "form/controls.h"

#include <QWidget>
#include <memory>

namespace mrv::qt
{

class FormBinder;

class Binding
{
  public:
    Binding(FormBinder& binder, form::Control& control) : binder_(binder), control_(control) {}
    virtual ~Binding() = default;
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

    /// Creates the widget inside `parent` (null for a window).
    virtual void Create(QWidget* parent) = 0;
    /// Where the widgets of child controls go.
    virtual QWidget* ChildArea() { return widget_; }
    /// Called after a child's widget exists (page controls add their tabs).
    virtual void ChildCreated(Binding&) {}

    /// Model to widget, for one aspect; user-input handlers ignore what this causes.
    void Update(form::Aspect aspect);
    /// Applies every aspect (after creation).
    void UpdateAll();
    void RefreshHint();

    form::Control& Control() { return control_; }
    QWidget* Widget() const { return widget_; }

  protected:
    virtual void Apply(form::Aspect aspect);
    virtual void ApplyCaption() {}
    virtual void ApplyColours();
    virtual void ApplyBounds();
    virtual void ApplyVisible();
    /// True while the model is being copied into the widget.
    bool Syncing() const;
    void ShowPopup(QWidget* origin, const QPoint& pos);
    void EnablePopup(QWidget* origin);

    FormBinder& binder_;
    form::Control& control_;
    QWidget* widget_ = nullptr;

  private:
    bool syncing_ = false;
};

/// The binding for a control's kind; `parent` is the binding of its container.
std::unique_ptr<Binding> MakeBinding(FormBinder& binder, form::Control& control, Binding* parent);

} // namespace mrv::qt
