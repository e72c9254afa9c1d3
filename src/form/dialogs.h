#pragma once
// Modal boxes, file dialogs and the clipboard. Only this interface opens a
// dialog; the Qt front end shows real ones, scripts and tests queue answers.

#include <optional>
#include <string>

namespace mrv::form
{

struct FileDialogRequest {
    std::string title;
    std::string initial_dir;
    std::string filter;    ///< "Text (*.txt)|*.txt|All (*.*)|*.*"
    int filter_index = 1;  ///< 1-based, as the program gives it
    std::string file_name; ///< proposed name (save)
};

class Dialogs
{
  public:
    virtual ~Dialogs() = default;

    /// A warning box with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
    /// A plain message box with OK.
    virtual void ShowMessage(const std::string& text) = 0;
    /// The chosen file, or nullopt when cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    virtual std::string ClipboardText() = 0;
};

} // namespace mrv::form
