#include "ui/console/control_text.h"

#include "form/block_grid.h"
#include "form/canvas.h"
#include "ui/console/console_dialogs.h"
#include "ui/console/script.h"

namespace mrv::console
{

namespace
{

/// Grid rows a print lists at most.
constexpr uint64_t kGridPrintRows = 64;

std::string Bit(bool on)
{
    return on ? "1" : "0";
}

std::string Join(const std::vector<std::string>& parts, const char* separator)
{
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

std::string ItemText(const std::vector<std::string>& items, int index)
{
    return index >= 0 && index < static_cast<int>(items.size()) ? items[static_cast<size_t>(index)]
                                                                : std::string();
}

/// A grid row's marks, '.' for an empty cell.
std::string GridRowText(const form::BlockGrid& grid, uint64_t row)
{
    std::string text;
    for (int column = 0; column < grid.ColCount(); ++column) {
        const char mark = grid.Mark(row, column);
        text += mark ? mark : '.';
    }
    return text;
}

/// How many cells carry each mark, in mark order: "1:120 2:3 x:1".
std::string GridMarkSummary(const form::BlockGrid& grid)
{
    uint64_t counts[256] = {};
    for (uint64_t i = 0; i < grid.UsedCells(); ++i)
        ++counts[static_cast<unsigned char>(grid.MarkAt(i))];
    std::string text;
    for (int mark = 1; mark < 256; ++mark) {
        if (!counts[mark]) continue;
        if (!text.empty()) text += ' ';
        text += static_cast<char>(mark);
        text += ':' + std::to_string(counts[mark]);
    }
    return text;
}

} // namespace

std::string RowText(const form::ListView& list, int row)
{
    return Join(list.RowAt(row).cells, " | ");
}

std::string PrintedRowText(const form::ListView& list, int row)
{
    const auto& cells = list.RowAt(row).cells;
    std::vector<std::string> shown;
    for (size_t column = 0; column < cells.size(); ++column) {
        const form::Colour colour = list.CellColour(row, static_cast<int>(column));
        shown.push_back(colour == list.FontColour() ? cells[column]
                                                    : cells[column] + " {" + colour.Hex() + "}");
    }
    return Join(shown, " | ");
}

std::vector<Property> Properties(form::Control& c)
{
    using form::ControlKind;
    std::vector<Property> p;
    auto caption = [&] { p.push_back({"caption", c.Caption(), true}); };
    auto text = [&](const std::string& value) { p.push_back({"text", value, true}); };
    auto value = [&](int v) { p.push_back({"value", std::to_string(v), false}); };
    auto index = [&](int v) { p.push_back({"index", std::to_string(v), false}); };

    switch (c.Kind()) {
    case ControlKind::Window:
    case ControlKind::Panel:
    case ControlKind::GroupBox:
    case ControlKind::TabSheet:
    case ControlKind::Label:
    case ControlKind::Button:
        caption();
        break;
    case ControlKind::CheckBox:
        caption();
        p.push_back({"checked", Bit(static_cast<form::CheckBox&>(c).Checked()), false});
        break;
    case ControlKind::RadioGroup: {
        auto& r = static_cast<form::RadioGroup&>(c);
        caption();
        text(ItemText(r.Items(), r.ItemIndex()));
        index(r.ItemIndex());
        break;
    }
    case ControlKind::Edit:
        text(static_cast<form::Edit&>(c).Text());
        break;
    case ControlKind::ComboBox: {
        auto& box = static_cast<form::ComboBox&>(c);
        text(box.Text());
        index(box.ItemIndex());
        break;
    }
    case ControlKind::SpinEdit:
        value(static_cast<form::SpinEdit&>(c).Value());
        break;
    case ControlKind::TrackBar:
        value(static_cast<form::TrackBar&>(c).Position());
        break;
    case ControlKind::ProgressBar: {
        auto& bar = static_cast<form::ProgressBar&>(c);
        value(bar.Position());
        p.push_back({"max", std::to_string(bar.Max()), false});
        break;
    }
    case ControlKind::PageControl: {
        auto& pages = static_cast<form::PageControl&>(c);
        auto* page = pages.Page(pages.ActivePageIndex());
        text(page ? page->Caption() : std::string());
        index(pages.ActivePageIndex());
        break;
    }
    case ControlKind::Lamp:
        caption();
        break;
    case ControlKind::ListView:
        p.push_back({"rows", std::to_string(static_cast<form::ListView&>(c).RowCount()), false});
        break;
    case ControlKind::StatusBar: {
        std::vector<std::string> texts;
        for (const auto& panel : static_cast<form::StatusBar&>(c).Panels())
            texts.push_back(panel.text);
        text(Join(texts, " | "));
        break;
    }
    case ControlKind::Memo:
        text(static_cast<form::Memo&>(c).Text());
        break;
    case ControlKind::HtmlView:
        text(static_cast<form::HtmlView&>(c).Path());
        break;
    case ControlKind::HexView: {
        auto& view = static_cast<form::HexView&>(c);
        size_t edited = 0;
        for (size_t i = 0; i < view.Data().size(); ++i)
            edited += view.Edited(i);
        p.push_back({"bytes", std::to_string(view.Data().size()), false});
        p.push_back({"edited", std::to_string(edited), false});
        p.push_back({"readonly", Bit(view.ReadOnly()), false});
        break;
    }
    case ControlKind::BlockGrid: {
        auto& grid = static_cast<form::BlockGrid&>(c);
        p.push_back({"cols", std::to_string(grid.ColCount()), false});
        p.push_back({"rows", std::to_string(grid.RowCount()), false});
        p.push_back({"cells", std::to_string(grid.UsedCells()), false});
        p.push_back({"top", std::to_string(grid.TopRow()), false});
        p.push_back({"marks", GridMarkSummary(grid), true});
        p.push_back({"hint", c.Hint(), true});
        break;
    }
    case ControlKind::Canvas: {
        auto& canvas = static_cast<form::Canvas&>(c);
        p.push_back({"width", std::to_string(canvas.Width()), false});
        p.push_back({"height", std::to_string(canvas.Height()), false});
        break;
    }
    case ControlKind::Timer: {
        auto& timer = static_cast<form::Timer&>(c);
        p.push_back({"enabled", Bit(timer.Active()), false});
        value(static_cast<int>(timer.Interval()));
        return p;
    }
    default:
        break;
    }
    p.push_back({"enabled", Bit(c.Enabled()), false});
    p.push_back({"visible", Bit(c.Visible()), false});
    if (c.Kind() == ControlKind::Lamp) {
        p.push_back({"colour", static_cast<form::Lamp&>(c).Brush().Hex(), false});
    } else if (c.Kind() != ControlKind::Window) {
        p.push_back({"colour", c.FontColour().Hex(), false});
    }
    return p;
}

std::vector<std::string> PrintLines(const std::string& label, form::Control& control)
{
    std::string line = label + ":";
    for (const auto& prop : Properties(control)) {
        line += ' ' + prop.key + '=' + (prop.quoted ? Quote(prop.value) : prop.value);
    }
    std::vector<std::string> lines{line};
    if (control.Kind() == form::ControlKind::ListView) {
        auto& list = static_cast<form::ListView&>(control);
        for (int i = 0; i < list.RowCount(); ++i) {
            lines.push_back(label + "[" + std::to_string(i) + "]: " + PrintedRowText(list, i));
        }
    }
    if (control.Kind() == form::ControlKind::BlockGrid) {
        // Only the rows written so far; a grid of millions of rows is summarised above.
        auto& grid = static_cast<form::BlockGrid&>(control);
        const uint64_t columns = static_cast<uint64_t>(grid.ColCount());
        const uint64_t rows = std::min<uint64_t>((grid.UsedCells() + columns - 1) / columns, kGridPrintRows);
        for (uint64_t i = 0; i < rows; ++i)
            lines.push_back(label + "[" + std::to_string(i) + "]: " + GridRowText(grid, i));
    }
    if (control.Kind() == form::ControlKind::HexView) {
        auto& view = static_cast<form::HexView&>(control);
        for (size_t i = 0; i < view.RowCount(); ++i)
            lines.push_back(label + "[" + std::to_string(i) + "]: " + view.RowText(i));
    }
    return lines;
}

std::optional<std::string> PropertyValue(form::Control& control, const std::string& key)
{
    if (control.Kind() == form::ControlKind::ListView && key.size() > 5 && key.compare(0, 4, "row[") == 0 &&
        key.back() == ']') {
        auto& list = static_cast<form::ListView&>(control);
        auto row = ParseInteger(key.substr(4, key.size() - 5));
        if (!row || *row < 0) return std::nullopt;
        // A row that does not exist reads as absent, which no expected text matches.
        if (*row >= list.RowCount()) return std::string("<no row>");
        return RowText(list, static_cast<int>(*row));
    }
    if (control.Kind() == form::ControlKind::ListView && key.size() > 8 &&
        key.compare(0, 7, "column[") == 0 && key.back() == ']') {
        auto& list = static_cast<form::ListView&>(control);
        auto column = ParseInteger(key.substr(7, key.size() - 8));
        if (!column || *column < 0) return std::nullopt;
        if (*column >= static_cast<long long>(list.Columns().size())) return std::string("<no column>");
        return list.Columns()[static_cast<size_t>(*column)].caption;
    }
    if (control.Kind() == form::ControlKind::BlockGrid && key.size() > 5 && key.back() == ']' &&
        (key.compare(0, 4, "row[") == 0 || key.compare(0, 5, "cell[") == 0)) {
        auto& grid = static_cast<form::BlockGrid&>(control);
        const bool cell = key[0] == 'c';
        auto index = ParseInteger(key.substr(cell ? 5 : 4, key.size() - (cell ? 6 : 5)));
        if (!index || *index < 0) return std::nullopt;
        const auto i = static_cast<uint64_t>(*index);
        if (!cell) return i < grid.RowCount() ? GridRowText(grid, i) : std::string("<no row>");
        const char mark = grid.MarkAt(i);
        return i < grid.UsedCells() && mark ? std::string(1, mark) : std::string("<no cell>");
    }
    if (control.Kind() == form::ControlKind::Canvas && key.size() > 7 && key.compare(0, 6, "pixel[") == 0 &&
        key.back() == ']') {
        auto& canvas = static_cast<form::Canvas&>(control);
        const std::string inner = key.substr(6, key.size() - 7);
        const size_t comma = inner.find(',');
        if (comma == std::string::npos) return std::nullopt;
        auto x = ParseInteger(inner.substr(0, comma));
        auto y = ParseInteger(inner.substr(comma + 1));
        if (!x || !y || *x < 0 || *y < 0 || *x >= canvas.Width() || *y >= canvas.Height())
            return std::string("<no pixel>");
        return canvas.PixelAt(static_cast<int>(*x), static_cast<int>(*y)).Hex();
    }
    if (control.Kind() == form::ControlKind::HexView && key.size() > 5 && key.back() == ']' &&
        (key.compare(0, 5, "byte[") == 0 || key.compare(0, 4, "row[") == 0)) {
        auto& view = static_cast<form::HexView&>(control);
        const bool byte = key[0] == 'b';
        auto index = ParseInteger(key.substr(byte ? 5 : 4, key.size() - (byte ? 6 : 5)));
        if (!index || *index < 0) return std::nullopt;
        const auto i = static_cast<size_t>(*index);
        if (!byte) return i < view.RowCount() ? view.RowText(i) : std::string("<no row>");
        if (i >= view.Data().size()) return std::string("<no byte>");
        static const char kDigits[] = "0123456789ABCDEF";
        return std::string{kDigits[view.Data()[i] >> 4], kDigits[view.Data()[i] & 0xF]};
    }
    for (const auto& prop : Properties(control)) {
        if (prop.key == key) return prop.value;
    }
    return std::nullopt;
}

std::string PlainCaption(const std::string& caption)
{
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') out += caption[++i];
            continue;
        }
        out += caption[i];
    }
    size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    size_t last = out.find_last_not_of(' ');
    return out.substr(first, last - first + 1);
}

int FindItem(const std::vector<std::string>& items, const std::string& value)
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == value) return static_cast<int>(i);
    }
    for (size_t i = 0; i < items.size(); ++i) {
        if (PlainCaption(items[i]) == PlainCaption(value)) return static_cast<int>(i);
    }
    if (auto n = ParseInteger(value); n && *n >= 0 && *n < static_cast<long long>(items.size())) {
        return static_cast<int>(*n);
    }
    return -1;
}

form::Control* FindControl(const std::vector<form::Window*>& windows, const std::string& name,
                           bool by_caption)
{
    if (!by_caption) {
        size_t dot = name.find('.');
        if (dot != std::string::npos) {
            std::string window = name.substr(0, dot);
            for (form::Window* w : windows) {
                if (w->Name() == window) return w->Find(name.substr(dot + 1));
            }
        }
        for (form::Window* w : windows) {
            if (form::Control* found = w->Find(name)) return found;
        }
        return nullptr;
    }
    if (PlainCaption(name).empty()) return nullptr;
    // Exact captions win over captions as read; controls on screen over hidden ones.
    for (int exact = 1; exact >= 0; --exact) {
        for (int on_screen = 1; on_screen >= 0; --on_screen) {
            for (form::Window* w : windows) {
                for (form::Control* c : w->AllControls()) {
                    if (c->Kind() == form::ControlKind::Window) continue;
                    bool match =
                        exact ? c->Caption() == name : PlainCaption(c->Caption()) == PlainCaption(name);
                    if (match && (!on_screen || c->Showing())) return c;
                }
            }
        }
    }
    return nullptr;
}

} // namespace mrv::console
