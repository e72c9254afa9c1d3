#include "app/event_log.h"

#include "app/program_impl.h"
#include "util/file_names.h"

#include <fstream>
#include <vector>

namespace mrv
{

namespace
{
constexpr int kCaptionCell = 0;
constexpr int kTimeCell = 1;
constexpr int kMarkCell = 2;
constexpr int kTextCell = 3;
constexpr int kMaxLines = 1000;
constexpr size_t kTailBytes = 1024;

std::string LevelMark(int level)
{
    switch (level) {
    case 4:
        return "4";
    case 3:
        return "3";
    case 2:
        return "2";
    default:
        return " ";
    }
}

/// The time and text of a list line as the file and the clipboard take it.
std::string LineText(const form::ListView& list, int row)
{
    return list.Cell(row, kTimeCell) + " : " + list.Cell(row, kTextCell);
}

enum MenuItem { kSelectAll = 0, kCopySelected = 1, kCopyValue = 2, kSaveToFile = 3, kClearLog = 4 };
} // namespace

EventLog::EventLog(ProgramImpl& program) : p_(program)
{
    Wire();
}

void EventLog::Wire()
{
    auto& fm = p_.fm;
    fm.StringLog.OnCustomDrawCell = [&list = fm.StringLog](int row,
                                                           int column) -> std::optional<form::Colour> {
        if (column != kTextCell) return std::nullopt;
        std::string mark = list.Cell(row, kMarkCell);
        if (mark == "4") return form::Colour::FromColorRef(0x0000FF);
        if (mark == "3") return form::Colour::FromColorRef(0x000080);
        if (mark == "2") return form::Colour::FromColorRef(0x008000);
        if (row == list.RowCount() - 1) return form::Colour::FromColorRef(0xFF0000);
        return form::colours::kBlack;
    };
    auto& items = fm.LogMenu.Items();
    items = {{"Select ALL strings", true, true, [this] { SelectAllStrings(); }},
             {"Copy selected text", true, true, [this] { CopySelectedText(); }},
             {"Copy value", false, true, [this] { CopyValue(); }},
             {"Save log to file", true, true, [this] { SaveLogToFile(); }},
             {"Clear Log", true, true, [this] { ClearLog(); }}};
    fm.LogMenu.OnPopup = [this] { PrepareCopyValue(); };
    fm.WipeBtn.OnClick = [&list = fm.StringLog] { list.ClearRows(); };
    fm.ClearFileBtn.OnClick = [this] { ClearFileBtnClick(); };
    p_.logfm.OnShow = [this] { p_.logfm.LogMemo.ScrollToEnd(); };
}

std::string EventLog::TimeText()
{
    return p_.platform.clock.Now().TimeText().substr(0, 8);
}

void EventLog::LogLine(const std::string& text, bool replace, int level)
{
    auto& list = p_.fm.StringLog;
    std::string time = TimeText();
    bool replaced = replace && list.RowCount() > 0;
    if (replaced) {
        int last = list.RowCount() - 1;
        list.SetCell(last, kTimeCell, time);
        list.SetCell(last, kMarkCell, LevelMark(level));
        list.SetCell(last, kTextCell, text);
    } else {
        list.AddRow({"", time, LevelMark(level), text});
    }
    list.ScrollToEnd();
    if (p_.owner.OnLogLine) p_.owner.OnLogLine(level, text, replaced);
    if (p_.fm.SaveLogChk.Checked() && p_.state.FilesWritable) {
        std::string file_line = time + " : " + text;
        if (file_line == LastFileLine) return;
        LastFileLine = file_line;
        std::string cleaned = CleanFileName(p_.fm.LogFileEdit.Text());
        p_.fm.LogFileEdit.SetText(cleaned);
        if (!cleaned.empty()) AppendToFile(file_line);
    }
    list.Repaint();
    if (list.RowCount() > kMaxLines) list.ClearRows();
}

void EventLog::AppendToFile(const std::string& line)
{
    // Until the start-up has fixed the file, lines wait so that none is lost.
    if (LogFilePath.empty()) {
        early_lines_.push_back(line);
        return;
    }
    // A line that cannot be appended is only missing from the file.
    std::ofstream out(LogFilePath, std::ios::binary | std::ios::app);
    if (out) out << line << '\n';
}

void EventLog::SetLogFilePath(const std::filesystem::path& path)
{
    LogFilePath = path;
    std::vector<std::string> early;
    early.swap(early_lines_);
    if (!p_.fm.SaveLogChk.Checked() || !p_.state.FilesWritable) return;
    for (const auto& line : early)
        AppendToFile(line);
}

std::string EventLog::CleanFileName(const std::string& name)
{
    return SanitizeFileName(name);
}

std::string EventLog::FirstDigitRun(const std::string& text)
{
    size_t begin = text.find_first_of("0123456789");
    if (begin == std::string::npos) return {};
    size_t end = text.find_first_not_of("0123456789", begin);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

void EventLog::SelectAllStrings()
{
    p_.fm.StringLog.SelectAll();
}

void EventLog::CopySelectedText()
{
    const auto& list = p_.fm.StringLog;
    std::string memo;
    for (int row = 0; row < list.RowCount(); ++row) {
        if (!list.RowAt(row).selected) continue;
        std::string line = LineText(list, row);
        memo += (line == " : " ? std::string() : line) + "\n";
    }
    p_.dialogs.SetClipboardText(memo);
}

void EventLog::PrepareCopyValue()
{
    const auto& list = p_.fm.StringLog;
    int row = list.ItemIndex();
    std::string digits = row >= 0 ? FirstDigitRun(list.Cell(row, kTextCell)) : std::string();
    auto& item = p_.fm.LogMenu.Items()[kCopyValue];
    item.caption = digits.empty() ? "Copy value" : "Copy value: " + digits;
    item.enabled = !digits.empty();
    p_.fm.LogMenu.Items()[kSaveToFile].enabled = p_.state.FilesWritable;
}

void EventLog::CopyValue()
{
    std::string digits = FirstDigitRun(p_.fm.LogMenu.Items()[kCopyValue].caption);
    if (!digits.empty()) p_.dialogs.SetClipboardText(digits);
}

void EventLog::SaveLogToFile()
{
    if (!p_.state.FilesWritable) return;
    form::FileDialogRequest request;
    request.title = "Save log to file";
    request.initial_dir = p_.LogsDir().string();
    request.filter = "All files (*.*)|*.*|BIN files (*.bin)|*.bin|MBR files (*.mbr)|*.mbr|HTML files "
                     "(*.htm)|*.htm|Text files (*.txt)|*.txt";
    request.filter_index = 5;
    request.file_name = "mrvlog.txt";
    auto path = p_.dialogs.SaveFile(request);
    if (!path) return;
    std::ofstream out(*path, std::ios::binary | std::ios::trunc);
    if (out) {
        out << p_.fm.Caption() << " log file. " << p_.platform.clock.Now().DateText() << '\n';
        const auto& list = p_.fm.StringLog;
        for (int row = 0; row < list.RowCount(); ++row) {
            std::string line = LineText(list, row);
            if (line != " : ") out << line << '\n';
        }
        out.flush();
    }
    if (!out) p_.dialogs.ShowMessage("I/O error: cannot write " + *path);
}

void EventLog::ClearLog()
{
    p_.fm.StringLog.ClearRows();
    p_.fm.StringLog.AddRow({"", "", "", ""});
}

void EventLog::ClearFileBtnClick()
{
    if (!p_.state.FilesWritable) return;
    std::ofstream out(LogFilePath, std::ios::binary | std::ios::trunc);
    if (!out) p_.dialogs.ShowMessage("I/O error: cannot clear " + LogFilePath.string());
}

void EventLog::ShowLog()
{
    auto& memo = p_.logfm.LogMemo;
    memo.Clear();
    std::error_code ec;
    if (std::filesystem::exists(LogFilePath, ec)) {
        std::ifstream in(LogFilePath, std::ios::binary);
        if (!in) {
            p_.dialogs.ShowMessage("I/O error: cannot read " + LogFilePath.string());
            return;
        }
        in.seekg(0, std::ios::end);
        auto size = static_cast<size_t>(std::max<std::streamoff>(0, in.tellg()));
        size_t n = std::min(kTailBytes, size);
        std::string tail(n, '\0');
        in.seekg(static_cast<std::streamoff>(size - n));
        in.read(tail.data(), static_cast<std::streamsize>(n));
        size_t lf = tail.find('\n');
        if (lf != std::string::npos && lf + 1 < tail.size()) memo.SetText(tail.substr(lf + 1));
    } else {
        memo.SetText("File " + LogFilePath.string() + " not found!");
    }
    p_.logfm.SetCaption("Eventlog");
    p_.logfm.Hide();
    p_.logfm.Show();
}

} // namespace mrv
