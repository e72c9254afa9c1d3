#include "form/controls.h"

#include <algorithm>

namespace mrv::form
{

Control::Control(ControlKind kind, std::string name, Container* parent)
    : kind_(kind), name_(std::move(name)), parent_(parent)
{
    if (parent_) parent_->children_.push_back(this);
}

Control::~Control()
{
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

Window* Control::OwnerWindow()
{
    Control* c = this;
    while (c->parent_)
        c = c->parent_;
    return c->kind_ == ControlKind::Window ? static_cast<Window*>(c) : nullptr;
}

void Control::SetCaption(const std::string& caption)
{
    if (caption_ == caption) return;
    caption_ = caption;
    Notify(Aspect::Caption);
}

void Control::SetEnabled(bool enabled)
{
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Notify(Aspect::Enabled);
}

void Control::SetVisible(bool visible)
{
    if (visible_ == visible) return;
    visible_ = visible;
    Notify(Aspect::Visible);
}

bool Control::Showing() const
{
    for (const Control* c = this; c; c = c->parent_) {
        if (!c->visible_) return false;
        // Only the active page of a page control is on screen.
        if (c->kind_ == ControlKind::TabSheet && c->parent_ &&
            c->parent_->kind_ == ControlKind::PageControl) {
            auto* pages = static_cast<const PageControl*>(c->parent_);
            if (pages->Page(pages->ActivePageIndex()) != c) return false;
        }
    }
    return true;
}

void Control::SetFontColour(Colour colour)
{
    if (font_colour_ == colour) return;
    font_colour_ = colour;
    Notify(Aspect::Colours);
}

void Control::SetBackColour(Colour colour)
{
    if (back_colour_ == colour) return;
    back_colour_ = colour;
    Notify(Aspect::Colours);
}

void Control::SetFontBold(bool bold)
{
    if (font_bold_ == bold) return;
    font_bold_ = bold;
    Notify(Aspect::Font);
}

void Control::SetFontSize(int points)
{
    if (font_size_ == points) return;
    font_size_ = points;
    Notify(Aspect::Font);
}

void Control::SetBounds(int left, int top, int width, int height)
{
    Bounds b{left, top, width, height};
    if (bounds_ == b) return;
    bounds_ = b;
    Notify(Aspect::Bounds);
}

Control* Container::Find(const std::string& name)
{
    if (Name() == name) return this;
    for (Control* child : children_) {
        if (child->Name() == name) return child;
        if (auto* box = dynamic_cast<Container*>(child)) {
            if (Control* found = box->Find(name)) return found;
        }
    }
    return nullptr;
}

void PageControl::SetActivePageIndex(int index)
{
    if (index < 0 || index >= PageCount() || index == active_) return;
    active_ = index;
    Notify(Aspect::Value);
    Fire(OnChange);
}

TabSheet* PageControl::Page(int index) const
{
    if (index < 0 || index >= PageCount()) return nullptr;
    return static_cast<TabSheet*>(Children()[static_cast<size_t>(index)]);
}

void Label::SetTransparent(bool transparent)
{
    if (transparent_ == transparent) return;
    transparent_ = transparent;
    Notify(Aspect::Colours);
}

void CheckBox::SetChecked(bool checked)
{
    if (checked_ == checked) return;
    checked_ = checked;
    Notify(Aspect::State);
    Fire(OnClick);
}

void RadioGroup::SetItems(std::vector<std::string> items)
{
    items_ = std::move(items);
    if (index_ >= static_cast<int>(items_.size())) index_ = -1;
    Notify(Aspect::Items);
}

void RadioGroup::SetItemIndex(int index)
{
    if (index < -1 || index >= static_cast<int>(items_.size()) || index == index_) return;
    index_ = index;
    Notify(Aspect::State);
    Fire(OnClick);
}

void Edit::SetText(const std::string& text)
{
    if (text_ == text) return;
    text_ = text;
    Notify(Aspect::Text);
    Fire(OnChange);
}

void Edit::SetReadOnly(bool read_only)
{
    if (read_only_ == read_only) return;
    read_only_ = read_only;
    Notify(Aspect::State);
}

void ComboBox::SetItems(std::vector<std::string> items)
{
    items_ = std::move(items);
    if (index_ >= static_cast<int>(items_.size())) index_ = -1;
    Notify(Aspect::Items);
}

void ComboBox::SetItemIndex(int index)
{
    if (index < -1 || index >= static_cast<int>(items_.size())) return;
    std::string text = index >= 0 ? items_[static_cast<size_t>(index)] : std::string();
    if (index == index_ && text == text_) return;
    index_ = index;
    text_ = std::move(text);
    Notify(Aspect::State);
    Fire(OnChange);
}

void ComboBox::SetText(const std::string& text)
{
    auto it = std::find(items_.begin(), items_.end(), text);
    int index = it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
    if (index == index_ && text == text_) return;
    index_ = index;
    text_ = text;
    Notify(Aspect::State);
    Fire(OnChange);
}

void SpinEdit::SetValue(int value)
{
    if (max_ > min_) value = std::clamp(value, min_, max_);
    if (value == value_) return;
    value_ = value;
    Notify(Aspect::Value);
    Fire(OnChange);
}

void SpinEdit::SetRange(int min, int max)
{
    min_ = min;
    max_ = max;
    Notify(Aspect::Value);
}

void TrackBar::SetPosition(int position)
{
    position = std::clamp(position, min_, std::max(min_, max_));
    if (position == position_) return;
    position_ = position;
    Notify(Aspect::Value);
    Fire(OnChange);
}

void TrackBar::SetRange(int min, int max)
{
    min_ = min;
    max_ = max;
    Notify(Aspect::Value);
}

void ProgressBar::SetPosition(int position)
{
    position = std::clamp(position, 0, std::max(0, max_));
    if (position == position_) return;
    position_ = position;
    Notify(Aspect::Value);
}

void ProgressBar::SetMax(int max)
{
    max_ = max;
    Notify(Aspect::Value);
}

void Lamp::SetBrush(Colour colour)
{
    if (brush_ == colour) return;
    brush_ = colour;
    Notify(Aspect::Colours);
}

void Memo::Clear()
{
    lines_.clear();
    Notify(Aspect::Text);
}

void Memo::AddLine(const std::string& line)
{
    lines_.push_back(line);
    Notify(Aspect::Text);
}

void Memo::SetText(const std::string& text)
{
    lines_.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (end == std::string::npos) {
            if (!line.empty()) lines_.push_back(line);
            break;
        }
        lines_.push_back(line);
        start = end + 1;
    }
    Notify(Aspect::Text);
}

std::string Memo::Text() const
{
    std::string text;
    for (const auto& line : lines_) {
        text += line;
        text += '\n';
    }
    return text;
}

void HtmlView::Navigate(const std::string& path)
{
    path_ = path;
    Notify(Aspect::Text);
}

void StatusBar::SetPanelCount(int count)
{
    panels_.resize(static_cast<size_t>(std::max(0, count)));
    Notify(Aspect::Items);
}

void StatusBar::SetPanelText(int index, const std::string& text)
{
    if (index < 0 || index >= static_cast<int>(panels_.size())) return;
    panels_[static_cast<size_t>(index)].text = text;
    Notify(Aspect::Text);
}

void StatusBar::SetPanelWidth(int index, int width)
{
    if (index < 0 || index >= static_cast<int>(panels_.size())) return;
    panels_[static_cast<size_t>(index)].width = width;
    Notify(Aspect::Items);
}

void ListView::SetColumns(std::vector<Column> columns)
{
    columns_ = std::move(columns);
    Notify(Aspect::Items);
}

void ListView::SetColumnCaption(int index, const std::string& caption)
{
    if (index < 0 || index >= static_cast<int>(columns_.size())) return;
    columns_[static_cast<size_t>(index)].caption = caption;
    Notify(Aspect::Items);
}

void ListView::SetColumnWidth(int index, int width)
{
    if (index < 0 || index >= static_cast<int>(columns_.size())) return;
    columns_[static_cast<size_t>(index)].width = width;
    Notify(Aspect::Items);
}

std::string ListView::Cell(int row, int column) const
{
    if (row < 0 || row >= RowCount() || column < 0) return {};
    const auto& cells = rows_[static_cast<size_t>(row)].cells;
    return static_cast<size_t>(column) < cells.size() ? cells[static_cast<size_t>(column)] : std::string();
}

int ListView::AddRow(std::vector<std::string> cells)
{
    rows_.push_back(Row{std::move(cells), false, false});
    Notify(Aspect::Rows);
    return RowCount() - 1;
}

void ListView::SetCell(int row, int column, const std::string& text)
{
    if (row < 0 || row >= RowCount() || column < 0) return;
    auto& cells = rows_[static_cast<size_t>(row)].cells;
    if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
    cells[static_cast<size_t>(column)] = text;
    Notify(Aspect::Rows);
}

void ListView::ClearRows()
{
    rows_.clear();
    Notify(Aspect::Rows);
}

void ListView::DeleteRow(int row)
{
    if (row < 0 || row >= RowCount()) return;
    rows_.erase(rows_.begin() + row);
    Notify(Aspect::Rows);
}

void ListView::SetCheckBoxes(bool on)
{
    if (check_boxes_ == on) return;
    check_boxes_ = on;
    Notify(Aspect::State);
}

void ListView::SetGridLines(bool on)
{
    if (grid_lines_ == on) return;
    grid_lines_ = on;
    Notify(Aspect::State);
}

int ListView::ItemIndex() const
{
    for (int i = 0; i < RowCount(); ++i) {
        if (rows_[static_cast<size_t>(i)].selected) return i;
    }
    return -1;
}

void ListView::SelectRow(int row)
{
    for (auto& r : rows_)
        r.selected = false;
    if (row >= 0 && row < RowCount()) rows_[static_cast<size_t>(row)].selected = true;
    Notify(Aspect::State);
    if (row >= 0 && row < RowCount() && OnSelectItem) OnSelectItem(row);
}

void ListView::SetRowSelected(int row, bool selected)
{
    if (row < 0 || row >= RowCount()) return;
    rows_[static_cast<size_t>(row)].selected = selected;
    Notify(Aspect::State);
}

void ListView::SetRowChecked(int row, bool checked)
{
    if (row < 0 || row >= RowCount()) return;
    rows_[static_cast<size_t>(row)].checked = checked;
    Notify(Aspect::State);
}

void ListView::SelectAll()
{
    for (auto& r : rows_)
        r.selected = true;
    Notify(Aspect::State);
}

Colour ListView::CellColour(int row, int column) const
{
    if (OnCustomDrawCell) {
        if (auto colour = OnCustomDrawCell(row, column)) return *colour;
    }
    return FontColour();
}

bool PopupMenu::Choose(size_t index)
{
    if (index >= items_.size() || !items_[index].enabled || !items_[index].visible) return false;
    if (items_[index].OnClick) items_[index].OnClick();
    return true;
}

void Timer::SetInterval(uint32_t ms)
{
    if (interval_ == ms) return;
    interval_ = ms;
    restart_pending = true;
    Notify(Aspect::Value);
}

void Timer::SetActive(bool active)
{
    if (active_ == active) return;
    active_ = active;
    restart_pending = true;
    Notify(Aspect::State);
}

void HexView::LoadData(const uint8_t* bytes, size_t count)
{
    data_.assign(bytes, bytes + count);
    edited_.assign(count, false);
    Notify(Aspect::Text);
}

bool HexView::EditByte(size_t offset, uint8_t value)
{
    if (read_only_ || offset >= data_.size()) return false;
    data_[offset] = value;
    edited_[offset] = true;
    Notify(Aspect::Text);
    if (OnChange) OnChange();
    return true;
}

std::string HexView::RowText(size_t row) const
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    const size_t offset = row * kBytesPerRow;
    for (int shift = 12; shift >= 0; shift -= 4)
        text += kDigits[(offset >> shift) & 0xF];
    text += ':';
    std::string chars;
    for (size_t i = offset; i < offset + kBytesPerRow; ++i) {
        if (i < data_.size()) {
            text += ' ';
            text += kDigits[data_[i] >> 4];
            text += kDigits[data_[i] & 0xF];
            chars += data_[i] >= 0x20 && data_[i] < 0x7F ? static_cast<char>(data_[i]) : '.';
        } else {
            text += "   ";
        }
    }
    return text + "  " + chars;
}

void HexView::SetReadOnly(bool read_only)
{
    if (read_only_ == read_only) return;
    read_only_ = read_only;
    Notify(Aspect::State);
}

void HexView::SetTopRow(size_t row)
{
    top_row_ = row;
    Notify(Aspect::Scroll);
}

void Window::Show()
{
    if (Visible()) return;
    SetVisible(true);
    if (OnShow) OnShow();
}

void Window::Hide()
{
    SetVisible(false);
}

void Window::SetAlpha(int alpha)
{
    alpha = std::clamp(alpha, 0, 255);
    if (alpha_ == alpha) return;
    alpha_ = alpha;
    Notify(Aspect::Colours);
}

void Window::SetShowHints(bool on)
{
    if (show_hints_ == on) return;
    show_hints_ = on;
    Notify(Aspect::State);
}

void Window::Close()
{
    if (OnClose) OnClose();
    Hide();
}

namespace
{
void Collect(Control* control, std::vector<Control*>& out)
{
    out.push_back(control);
    if (auto* box = dynamic_cast<Container*>(control)) {
        for (Control* child : box->Children())
            Collect(child, out);
    }
}
} // namespace

std::vector<Control*> Window::AllControls()
{
    std::vector<Control*> out;
    Collect(this, out);
    return out;
}

std::vector<Timer*> Window::Timers()
{
    std::vector<Timer*> out;
    for (Control* c : AllControls()) {
        if (c->Kind() == ControlKind::Timer) out.push_back(static_cast<Timer*>(c));
    }
    return out;
}

const char* KindName(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Window:
        return "Window";
    case ControlKind::PageControl:
        return "PageControl";
    case ControlKind::TabSheet:
        return "TabSheet";
    case ControlKind::Panel:
        return "Panel";
    case ControlKind::GroupBox:
        return "GroupBox";
    case ControlKind::Label:
        return "Label";
    case ControlKind::Button:
        return "Button";
    case ControlKind::CheckBox:
        return "CheckBox";
    case ControlKind::RadioGroup:
        return "RadioGroup";
    case ControlKind::Edit:
        return "Edit";
    case ControlKind::ComboBox:
        return "ComboBox";
    case ControlKind::SpinEdit:
        return "SpinEdit";
    case ControlKind::TrackBar:
        return "TrackBar";
    case ControlKind::ProgressBar:
        return "ProgressBar";
    case ControlKind::Lamp:
        return "Lamp";
    case ControlKind::ListView:
        return "ListView";
    case ControlKind::StatusBar:
        return "StatusBar";
    case ControlKind::Memo:
        return "Memo";
    case ControlKind::HtmlView:
        return "HtmlView";
    case ControlKind::Timer:
        return "Timer";
    case ControlKind::Image:
        return "Image";
    case ControlKind::HexView:
        return "HexView";
    case ControlKind::BlockGrid:
        return "BlockGrid";
    case ControlKind::Canvas:
        return "Canvas";
    }
    return "Control";
}

} // namespace mrv::form
