#include "ui/console/console_dialogs.h"

namespace mrv::console
{

std::optional<Answer> ParseAnswer(const std::string& word)
{
    if (word == "yes") return Answer::Yes;
    if (word == "no") return Answer::No;
    if (word == "ok") return Answer::Ok;
    if (word == "cancel") return Answer::Cancel;
    return std::nullopt;
}

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    out += '"';
    return out;
}

ConsoleDialogs::ConsoleDialogs(std::ostream& out, std::filesystem::path base_dir)
    : out_(out), base_dir_(std::move(base_dir))
{
}

bool ConsoleDialogs::AskYesNo(const std::string& caption, const std::string& text)
{
    out_ << "ASK " << Quote(caption) << ' ' << Quote(text);
    if (answers_.empty()) {
        out_ << " -> no (no answer queued)" << std::endl;
        return false;
    }
    Answer answer = answers_.front();
    answers_.pop_front();
    bool yes = answer == Answer::Yes || answer == Answer::Ok;
    out_ << " -> " << (yes ? "yes" : "no") << std::endl;
    return yes;
}

void ConsoleDialogs::ShowMessage(const std::string& text)
{
    // A plain box has only OK; it takes a queued "ok" but leaves yes/no for the
    // question the script meant them for.
    out_ << "MESSAGE " << Quote(text);
    if (!answers_.empty() && answers_.front() == Answer::Ok) {
        answers_.pop_front();
        out_ << " -> ok" << std::endl;
    } else {
        out_ << " -> ok (no answer queued)" << std::endl;
    }
}

std::optional<std::string> ConsoleDialogs::TakeFile(const char* kind, const form::FileDialogRequest& request)
{
    out_ << "FILE " << kind << ' ' << Quote(request.title);
    if (files_.empty()) {
        out_ << " -> cancel (no file queued)" << std::endl;
        return std::nullopt;
    }
    std::string path = files_.front();
    files_.pop_front();
    if (path.empty()) {
        out_ << " -> cancel" << std::endl;
        return std::nullopt;
    }
    std::filesystem::path p(path);
    if (p.is_relative()) p = base_dir_ / p;
    out_ << " -> " << Quote(p.string()) << std::endl;
    return p.string();
}

std::optional<std::string> ConsoleDialogs::OpenFile(const form::FileDialogRequest& request)
{
    return TakeFile("open", request);
}

std::optional<std::string> ConsoleDialogs::SaveFile(const form::FileDialogRequest& request)
{
    return TakeFile("save", request);
}

} // namespace mrv::console
