#pragma once
// Dialogs of the headless front end: message boxes take queued answers, file
// dialogs take queued paths, and the clipboard lives in memory. Every box is
// reported on the output stream so that a script's log shows what was asked.

#include "form/dialogs.h"

#include <deque>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace mrv::console
{

enum class Answer { Yes, No, Ok, Cancel };

class ConsoleDialogs : public form::Dialogs
{
  public:
    /// Relative file paths are taken from `base_dir`.
    ConsoleDialogs(std::ostream& out, std::filesystem::path base_dir);

    void QueueAnswer(Answer answer) { answers_.push_back(answer); }
    /// Queues the result of the next file dialog; an empty path cancels it.
    void QueueFile(const std::string& path) { files_.push_back(path); }
    size_t PendingAnswers() const { return answers_.size(); }
    size_t PendingFiles() const { return files_.size(); }

    bool AskYesNo(const std::string& caption, const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    std::optional<std::string> OpenFile(const form::FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const form::FileDialogRequest& request) override;
    void SetClipboardText(const std::string& text) override { clipboard_ = text; }
    std::string ClipboardText() override { return clipboard_; }

  private:
    std::optional<std::string> TakeFile(const char* kind, const form::FileDialogRequest& request);

    std::ostream& out_;
    std::filesystem::path base_dir_;
    std::deque<Answer> answers_;
    std::deque<std::string> files_;
    std::string clipboard_;
};

/// Parses "yes", "no", "ok" or "cancel".
std::optional<Answer> ParseAnswer(const std::string& word);
/// Text in double quotes with backslash, quote and line breaks escaped.
std::string Quote(const std::string& text);

} // namespace mrv::console
