#include "ui/console/script_runner.h"

#include "form/block_grid.h"
#include "form/canvas.h"
#include "ui/console/control_text.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <stdexcept>

namespace mrv::console
{

namespace
{

std::string Describe(const Word& name)
{
    return name.quoted ? Quote(name.text) : "'" + name.text + "'";
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

/// Why a control is not on screen, for the error message.
std::string WhyHidden(const form::Control& control)
{
    for (const form::Control* c = &control; c; c = c->Parent()) {
        if (!c->Visible()) {
            return c->Kind() == form::ControlKind::Window ? "its window '" + c->Name() + "' is not shown"
                   : c == &control                        ? "it is invisible"
                                                          : "its container '" + c->Name() + "' is invisible";
        }
        if (c->Kind() == form::ControlKind::TabSheet && c->Parent() &&
            c->Parent()->Kind() == form::ControlKind::PageControl) {
            auto* pages = static_cast<const form::PageControl*>(c->Parent());
            if (pages->Page(pages->ActivePageIndex()) != c) {
                return "its tab " + Quote(c->Caption()) + " is not the active one";
            }
        }
    }
    return "it is not on screen";
}

} // namespace

ScriptRunner::ScriptRunner(ConsoleUiThread& ui, ConsoleDialogs& dialogs, ScriptHost host, std::ostream& out,
                           std::ostream& err)
    : ui_(ui), dialogs_(dialogs), host_(std::move(host)), out_(out), err_(err)
{
}

void ScriptRunner::OnLogLine(int level, const std::string& text, bool replaced)
{
    out_ << (replaced ? "LOG~ " : "LOG ") << level << ' ' << text << std::endl;
    log_.push_back(text);
}

void ScriptRunner::Fail(ScriptResult result, const std::string& message)
{
    throw Failure{result, message};
}

ScriptResult ScriptRunner::Run(const std::vector<Command>& commands)
{
    for (const Command& cmd : commands) {
        try {
            Execute(cmd);
        } catch (const Failure& failure) {
            err_ << "line " << cmd.line << ": " << Visible(failure.message) << std::endl;
            return failure.result;
        }
        if (shut_down_) break;
        ui_.ProcessMessages();
    }
    return kScriptOk;
}

form::Window& ScriptRunner::MainWindow()
{
    auto windows = host_.windows();
    if (windows.empty()) Fail(kScriptError, "the program has no window");
    return *windows.front();
}

form::Control& ScriptRunner::Resolve(const Word& name)
{
    form::Control* control = FindControl(host_.windows(), name.text, name.quoted);
    if (!control) {
        Fail(kScriptError, name.quoted ? "no control with the caption " + Quote(name.text)
                                       : "no control named '" + name.text + "'");
    }
    return *control;
}

void ScriptRunner::RequireUsable(form::Control& control, const Word& name)
{
    if (!control.Showing()) Fail(kScriptError, Describe(name) + " cannot be used: " + WhyHidden(control));
    for (form::Control* c = &control; c; c = c->Parent()) {
        if (!c->Enabled()) {
            Fail(kScriptError, Describe(name) + " cannot be used: " +
                                   (c == &control ? std::string("it is disabled")
                                                  : "its container '" + c->Name() + "' is disabled"));
        }
    }
}

void ScriptRunner::Execute(const Command& cmd)
{
    const auto& a = cmd.args;
    const std::string& verb = cmd.verb;
    if (verb == "click" && a.size() == 3) {
        ClickColumn(Resolve(a[0]), a[0], *ParseInteger(a[2].text));
    } else if (verb == "click") {
        Click(Resolve(a[0]), a[0]);
    } else if (verb == "set") {
        form::Control& control = Resolve(a[0]);
        Set(control, a[0], a[1].text);
    } else if (verb == "select" || verb == "dblclick") {
        form::Control& control = Resolve(a[0]);
        RequireUsable(control, a[0]);
        if (a.size() == 2) {
            if (control.Kind() != form::ControlKind::ListView)
                Fail(kScriptError, Describe(a[0]) + " is not a list");
            auto& list = static_cast<form::ListView&>(control);
            long long row = *ParseInteger(a[1].text);
            if (row < -1 || row >= list.RowCount()) {
                Fail(kScriptError, Describe(a[0]) + " has no row " + a[1].text + " (it has " +
                                       std::to_string(list.RowCount()) + ")");
            }
            list.SelectRow(static_cast<int>(row));
        }
        if (verb == "dblclick" && control.OnDblClick) control.OnDblClick();
    } else if (verb == "menu") {
        Menu(Resolve(a[0]), a[0], a[1].text);
    } else if (verb == "hover") {
        Hover(Resolve(a[0]), a[0], *ParseInteger(a[1].text), *ParseInteger(a[2].text));
    } else if (verb == "key") {
        form::Window& main = MainWindow();
        if (!main.Visible()) Fail(kScriptError, "the main window is not shown");
        main.KeyDown(*ParseKey(a[0].text));
    } else if (verb == "close") {
        form::Control& control = Resolve(a[0]);
        if (control.Kind() != form::ControlKind::Window)
            Fail(kScriptError, Describe(a[0]) + " is not a window");
        if (!control.Visible()) Fail(kScriptError, Describe(a[0]) + " is not shown");
        static_cast<form::Window&>(control).Close();
    } else if (verb == "deactivate") {
        form::Control& control = Resolve(a[0]);
        if (control.Kind() != form::ControlKind::Window)
            Fail(kScriptError, Describe(a[0]) + " is not a window");
        if (!control.Visible()) Fail(kScriptError, Describe(a[0]) + " is not shown");
        static_cast<form::Window&>(control).Deactivate();
    } else if (verb == "answer") {
        dialogs_.QueueAnswer(*ParseAnswer(a[0].text));
    } else if (verb == "file") {
        dialogs_.QueueFile(a[0].text);
    } else if (verb == "save") {
        std::string error;
        if (!host_.save_report) Fail(kScriptError, "this program saves no reports");
        if (!host_.save_report(a[1].text, error)) Fail(kExpectFailed, "save report: " + error);
    } else if (verb == "wait") {
        ui_.PumpFor(static_cast<uint64_t>(*ParseInteger(a[0].text)));
    } else if (verb == "waitidle") {
        uint64_t limit = a.empty() ? kDefaultIdleLimitMs : static_cast<uint64_t>(*ParseInteger(a[0].text));
        auto idle = [this] { return !host_.busy || !host_.busy(); };
        if (!ui_.PumpUntil(idle, limit)) {
            Fail(kExpectFailed, "waitidle: a test still runs after " + std::to_string(limit) + " ms");
        }
    } else if (verb == "print") {
        Print(a[0]);
    } else if (verb == "expect") {
        Expect(a[0], a[1].text, a[2].text);
    } else if (verb == "expectlog" || verb == "expectnolog") {
        bool found = std::any_of(log_.begin(), log_.end(), [&](const std::string& line) {
            return line.find(a[0].text) != std::string::npos;
        });
        if (verb == "expectlog" && !found) Fail(kExpectFailed, "no log line contains " + Quote(a[0].text));
        if (verb == "expectnolog" && found) Fail(kExpectFailed, "a log line contains " + Quote(a[0].text));
    } else if (verb == "quit") {
        Quit();
    }
}

void ScriptRunner::Click(form::Control& control, const Word& name)
{
    using form::ControlKind;
    if (control.Kind() == ControlKind::TabSheet && control.Parent() &&
        control.Parent()->Kind() == ControlKind::PageControl) {
        // A click on a tab activates its page.
        auto& pages = static_cast<form::PageControl&>(*control.Parent());
        RequireUsable(pages, name);
        if (!control.Visible()) Fail(kScriptError, Describe(name) + " cannot be used: its tab is hidden");
        for (int i = 0; i < pages.PageCount(); ++i) {
            if (pages.Page(i) == &control) pages.SetActivePageIndex(i);
        }
        return;
    }
    RequireUsable(control, name);
    switch (control.Kind()) {
    case ControlKind::Button:
        static_cast<form::Button&>(control).Click();
        break;
    case ControlKind::CheckBox:
        static_cast<form::CheckBox&>(control).Click();
        break;
    case ControlKind::RadioGroup:
    case ControlKind::ComboBox:
    case ControlKind::PageControl:
        Fail(kScriptError, Describe(name) + " is a choice: use 'set " + name.text + " ITEM'");
    default:
        if (control.OnClick) control.OnClick();
    }
}

void ScriptRunner::ClickColumn(form::Control& control, const Word& name, long long column)
{
    RequireUsable(control, name);
    if (control.Kind() != form::ControlKind::ListView) Fail(kScriptError, Describe(name) + " is not a list");
    auto& list = static_cast<form::ListView&>(control);
    const auto columns = static_cast<long long>(list.Columns().size());
    if (column >= columns)
        Fail(kScriptError, Describe(name) + " has no column " + std::to_string(column) + " (it has " +
                               std::to_string(columns) + ")");
    list.ClickColumn(static_cast<int>(column));
}

void ScriptRunner::Set(form::Control& control, const Word& name, const std::string& value)
{
    using form::ControlKind;
    RequireUsable(control, name);
    auto bad = [&](const std::string& what) {
        Fail(kScriptError, "'" + value + "' is not " + what + " for " + Describe(name));
    };
    auto number = [&]() -> int {
        auto n = ParseInteger(value);
        if (!n || *n < INT32_MIN || *n > INT32_MAX) bad("a number");
        return static_cast<int>(*n);
    };
    switch (control.Kind()) {
    case ControlKind::Edit: {
        auto& edit = static_cast<form::Edit&>(control);
        if (edit.ReadOnly()) Fail(kScriptError, Describe(name) + " is read-only");
        edit.SetText(value);
        break;
    }
    case ControlKind::CheckBox:
        if (value != "0" && value != "1") bad("0 or 1");
        static_cast<form::CheckBox&>(control).SetChecked(value == "1");
        break;
    case ControlKind::RadioGroup: {
        auto& group = static_cast<form::RadioGroup&>(control);
        int index = FindItem(group.Items(), value);
        if (index < 0) bad("one of its items");
        group.SetItemIndex(index);
        break;
    }
    case ControlKind::ComboBox: {
        auto& box = static_cast<form::ComboBox&>(control);
        int index = FindItem(box.Items(), value);
        if (index >= 0) {
            box.SetItemIndex(index);
        } else if (box.DropDownList()) {
            bad("one of its items");
        } else {
            box.SetText(value);
        }
        break;
    }
    case ControlKind::SpinEdit:
        static_cast<form::SpinEdit&>(control).SetValue(number());
        break;
    case ControlKind::TrackBar: {
        // The user drags the slider there and lets it go.
        auto& track = static_cast<form::TrackBar&>(control);
        track.SetPosition(number());
        track.Release();
        break;
    }
    case ControlKind::PageControl: {
        auto& pages = static_cast<form::PageControl&>(control);
        std::vector<std::string> captions;
        for (int i = 0; i < pages.PageCount(); ++i)
            captions.push_back(pages.Page(i)->Caption());
        int index = FindItem(captions, value);
        if (index < 0) bad("one of its tabs");
        if (!pages.Page(index)->Visible())
            Fail(kScriptError, "the tab " + Quote(captions[index]) + " is hidden");
        pages.SetActivePageIndex(index);
        break;
    }
    case ControlKind::Memo:
        static_cast<form::Memo&>(control).SetText(value);
        break;
    case ControlKind::HexView:
        SetBytes(static_cast<form::HexView&>(control), name, value);
        break;
    default:
        Fail(kScriptError, Describe(name) + " (" + form::KindName(control.Kind()) + ") takes no value");
    }
}

void ScriptRunner::SetBytes(form::HexView& view, const Word& name, const std::string& value)
{
    // "OFFSET HH HH ...": a decimal offset, then bytes in hexadecimal, typed in place.
    std::vector<Word> words;
    std::string why;
    SplitWords(value, words, why);
    auto offset = words.empty() ? std::nullopt : ParseInteger(words[0].text);
    if (!offset || *offset < 0 || words.size() < 2) {
        Fail(kScriptError, "'" + value + "' is not \"OFFSET HH ...\" for " + Describe(name));
    }
    if (view.ReadOnly()) Fail(kScriptError, Describe(name) + " is read-only");
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& hex = words[i].text;
        unsigned long byte = 0;
        size_t used = 0;
        try {
            byte = std::stoul(hex, &used, 16);
        } catch (const std::exception&) {
            used = 0;
        }
        if (hex.empty() || hex.size() > 2 || used != hex.size()) {
            Fail(kScriptError, "'" + hex + "' is not a byte in hexadecimal for " + Describe(name));
        }
        const size_t at = static_cast<size_t>(*offset) + i - 1;
        if (!view.EditByte(at, static_cast<uint8_t>(byte))) {
            Fail(kScriptError, Describe(name) + " has no byte " + std::to_string(at) + " (it has " +
                                   std::to_string(view.Data().size()) + ")");
        }
    }
}

void ScriptRunner::Hover(form::Control& control, const Word& name, long long first, long long second)
{
    RequireUsable(control, name);
    auto to_int = [](long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); };
    if (control.Kind() == form::ControlKind::BlockGrid) {
        // Rows count from the grid's first row, whatever is scrolled into view.
        static_cast<form::BlockGrid&>(control).HoverCell(first, to_int(second));
    } else if (control.Kind() == form::ControlKind::Canvas) {
        static_cast<form::Canvas&>(control).MouseMove(to_int(first), to_int(second));
    } else {
        Fail(kScriptError, Describe(name) + " is not a grid or a graph");
    }
}

void ScriptRunner::Menu(form::Control& control, const Word& name, const std::string& item)
{
    RequireUsable(control, name);
    form::PopupMenu* menu = control.Popup();
    if (!menu) Fail(kScriptError, Describe(name) + " has no context menu");
    menu->Open();
    const auto& items = menu->Items();
    std::vector<std::string> captions;
    for (const auto& entry : items)
        captions.push_back(entry.caption);
    int index = FindItem(captions, item);
    if (index < 0) {
        // Entries whose caption carries a value ("Copy value: 42") are found by their start.
        for (size_t i = 0; i < captions.size() && index < 0; ++i) {
            if (!item.empty() && PlainCaption(captions[i]).rfind(PlainCaption(item), 0) == 0)
                index = static_cast<int>(i);
        }
    }
    if (index < 0) Fail(kScriptError, "the menu of " + Describe(name) + " has no entry " + Quote(item));
    const auto& entry = items[static_cast<size_t>(index)];
    if (!entry.visible || !entry.enabled) {
        Fail(kScriptError,
             "the menu entry " + Quote(entry.caption) + " is " + (entry.visible ? "disabled" : "hidden"));
    }
    menu->Choose(static_cast<size_t>(index));
}

void ScriptRunner::Print(const Word& name)
{
    if (!name.quoted && name.text == "clipboard") {
        out_ << "clipboard: " << Quote(dialogs_.ClipboardText()) << std::endl;
        return;
    }
    if (!name.quoted && name.text == "*") {
        for (form::Window* window : host_.windows()) {
            for (form::Control* control : window->AllControls()) {
                std::string label =
                    control->Name().empty() ? form::KindName(control->Kind()) : control->Name();
                for (const auto& line : PrintLines(label, *control))
                    out_ << line << '\n';
            }
        }
        out_.flush();
        return;
    }
    form::Control& control = Resolve(name);
    for (const auto& line : PrintLines(control.Name(), control))
        out_ << line << '\n';
    out_.flush();
}

void ScriptRunner::Expect(const Word& name, const std::string& key, const std::string& value)
{
    std::string actual;
    if (!name.quoted && name.text == "clipboard") {
        if (key != "text") Fail(kScriptError, "the clipboard has only the key 'text'");
        actual = dialogs_.ClipboardText();
    } else {
        form::Control& control = Resolve(name);
        auto found = PropertyValue(control, key);
        if (!found) {
            Fail(kScriptError,
                 Describe(name) + " (" + form::KindName(control.Kind()) + ") has no key '" + key + "'");
        }
        actual = *found;
    }
    bool same = key == "colour" ? Lower(actual) == Lower(value) : actual == value;
    if (!same) {
        Fail(kExpectFailed,
             "expect " + Describe(name) + " " + key + " " + Quote(value) + ": it is " + Quote(actual));
    }
}

void ScriptRunner::Quit()
{
    MainWindow().Close();
    if (host_.shutdown) host_.shutdown();
    shut_down_ = true;
}

} // namespace mrv::console
