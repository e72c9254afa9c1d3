#pragma once
// Real message boxes, file dialogs and the system clipboard.

#include "form/dialogs.h"

#include <QString>
#include <functional>

class QWidget;

namespace mrv::qt
{

/// Converts a filter given as "Text (*.txt)|*.txt|All|*.*" to Qt's
/// "Text (*.txt);;All (*.*)"; `selected` receives the entry at the 1-based
/// `index` (the first when out of range).
QString ConvertFilter(const std::string& filter, int index, QString* selected);

class QtDialogs : public form::Dialogs
{
  public:
    /// `parent` gives the window the boxes are modal to (may return null).
    explicit QtDialogs(std::function<QWidget*()> parent) : parent_(std::move(parent)) {}

    bool AskYesNo(const std::string& caption, const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    std::optional<std::string> OpenFile(const form::FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const form::FileDialogRequest& request) override;
    void SetClipboardText(const std::string& text) override;
    std::string ClipboardText() override;

  private:
    std::function<QWidget*()> parent_;
};

} // namespace mrv::qt
