#pragma once
// Toolkit-neutral controls. They hold exactly the state a window shows; the
// program's logic reads and writes them, a front end (Qt, console) shows them
// and feeds user input back through the same calls a user action makes.
//
// Controls are members of their window struct and register with their parent
// container when constructed, so a window is a tree that front ends can walk.
// Every setter that changes what is shown calls Notify(), which tells the front
// end's observer (if any). All of this runs on the user-interface thread.

#include "form/colour.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mrv::form
{

enum class ControlKind {
    Window,
    PageControl,
    TabSheet,
    Panel,
    GroupBox,
    Label,
    Button,
    CheckBox,
    RadioGroup,
    Edit,
    ComboBox,
    SpinEdit,
    TrackBar,
    ProgressBar,
    Lamp,
    ListView,
    StatusBar,
    Memo,
    HtmlView,
    Timer,
    Image,
    HexView,
    BlockGrid,
    Canvas,
};

/// What changed, so that a front end can update only that.
enum class Aspect {
    Caption,
    Text,
    State,
    Enabled,
    Visible,
    Colours,
    Font,
    Bounds,
    Items,
    Rows,
    Scroll,
    Value
};

struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

enum class Align { Left, Centre, Right };

class Container;
class PopupMenu;

class Control
{
  public:
    Control(ControlKind kind, std::string name, Container* parent);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind Kind() const { return kind_; }
    const std::string& Name() const { return name_; }
    Container* Parent() const { return parent_; }
    /// The window this control belongs to (itself for a window).
    class Window* OwnerWindow();

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    /// Visible, and every container up to the window visible too.
    bool Showing() const;
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    Colour FontColour() const { return font_colour_; }
    void SetFontColour(Colour colour);
    /// Background (the "Color" property).
    Colour BackColour() const { return back_colour_; }
    void SetBackColour(Colour colour);
    bool FontBold() const { return font_bold_; }
    void SetFontBold(bool bold);
    int FontSize() const { return font_size_; }
    void SetFontSize(int points);
    const Bounds& Geometry() const { return bounds_; }
    void SetBounds(int left, int top, int width, int height);
    void SetWidth(int width) { SetBounds(bounds_.left, bounds_.top, width, bounds_.height); }
    void SetHeight(int height) { SetBounds(bounds_.left, bounds_.top, bounds_.width, height); }
    PopupMenu* Popup() const { return popup_; }
    void SetPopup(PopupMenu* menu) { popup_ = menu; }

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;

    /// The front end's observer; one per control.
    using Observer = std::function<void(Control&, Aspect)>;
    void SetObserver(Observer observer) { observer_ = std::move(observer); }

  protected:
    void Notify(Aspect aspect)
    {
        if (observer_) observer_(*this, aspect);
    }
    void Fire(const std::function<void()>& handler)
    {
        if (handler) handler();
    }

  private:
    ControlKind kind_;
    std::string name_;
    Container* parent_;
    std::string caption_;
    std::string hint_;
    bool enabled_ = true;
    bool visible_ = true;
    Colour font_colour_ = colours::kBlack;
    Colour back_colour_ = colours::kBtnFace;
    bool font_bold_ = false;
    int font_size_ = 8;
    Bounds bounds_;
    PopupMenu* popup_ = nullptr;
    Observer observer_;
};

/// A control that holds others (window, panel, group box, tab sheet).
class Container : public Control
{
  public:
    using Control::Control;
    const std::vector<Control*>& Children() const { return children_; }
    /// Finds a control by name in this subtree.
    Control* Find(const std::string& name);

  private:
    friend class Control;
    std::vector<Control*> children_;
};

class Panel : public Container
{
  public:
    Panel(std::string name, Container* parent) : Container(ControlKind::Panel, std::move(name), parent) {}
};

class GroupBox : public Container
{
  public:
    GroupBox(std::string name, Container* parent) : Container(ControlKind::GroupBox, std::move(name), parent)
    {
    }
};

class TabSheet : public Container
{
  public:
    TabSheet(std::string name, Container* parent) : Container(ControlKind::TabSheet, std::move(name), parent)
    {
    }
};

/// Tabs; its children are TabSheets in order.
class PageControl : public Container
{
  public:
    PageControl(std::string name, Container* parent)
        : Container(ControlKind::PageControl, std::move(name), parent)
    {
    }
    int ActivePageIndex() const { return active_; }
    /// Activates a page as a click on its tab does (fires OnChange).
    void SetActivePageIndex(int index);
    int PageCount() const { return static_cast<int>(Children().size()); }
    TabSheet* Page(int index) const;
    std::function<void()> OnChange;

  private:
    int active_ = 0;
};

class Label : public Control
{
  public:
    Label(std::string name, Container* parent) : Control(ControlKind::Label, std::move(name), parent) {}
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

  private:
    bool transparent_ = true;
};

class Button : public Control
{
  public:
    Button(std::string name, Container* parent) : Control(ControlKind::Button, std::move(name), parent) {}
    /// A user's click.
    void Click() { Fire(OnClick); }
};

/// An image or activity picture; shown as a coloured square by simple front ends.
class Image : public Control
{
  public:
    Image(std::string name, Container* parent) : Control(ControlKind::Image, std::move(name), parent) {}
};

class CheckBox : public Control
{
  public:
    CheckBox(std::string name, Container* parent) : Control(ControlKind::CheckBox, std::move(name), parent) {}
    bool Checked() const { return checked_; }
    /// Changing the state fires OnClick, as a user click does.
    void SetChecked(bool checked);
    void Click() { SetChecked(!checked_); }

  private:
    bool checked_ = false;
};

/// A group of radio buttons with item captions.
class RadioGroup : public Control
{
  public:
    RadioGroup(std::string name, Container* parent)
        : Control(ControlKind::RadioGroup, std::move(name), parent)
    {
    }
    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(std::vector<std::string> items);
    int ItemIndex() const { return index_; }
    /// Changing the selection fires OnClick, as a user click does.
    void SetItemIndex(int index);
    int Columns() const { return columns_; }
    void SetColumns(int columns) { columns_ = columns; }

  private:
    std::vector<std::string> items_;
    int index_ = -1;
    int columns_ = 1;
};

class Edit : public Control
{
  public:
    Edit(std::string name, Container* parent) : Control(ControlKind::Edit, std::move(name), parent)
    {
        SetBackColour(colours::kWindow);
    }
    const std::string& Text() const { return text_; }
    /// Changing the text fires OnChange, as typing does.
    void SetText(const std::string& text);
    bool ReadOnly() const { return read_only_; }
    void SetReadOnly(bool read_only);
    std::function<void()> OnChange;

  private:
    std::string text_;
    bool read_only_ = false;
};

class ComboBox : public Control
{
  public:
    ComboBox(std::string name, Container* parent) : Control(ControlKind::ComboBox, std::move(name), parent)
    {
        SetBackColour(colours::kWindow);
    }
    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(std::vector<std::string> items);
    int ItemIndex() const { return index_; }
    /// Selects an item (−1 none); fires OnChange when it changes.
    void SetItemIndex(int index);
    /// The edit text (the selected item's text, or what was typed).
    const std::string& Text() const { return text_; }
    /// Types a text; selects the matching item if any. Fires OnChange.
    void SetText(const std::string& text);
    /// A drop-down list: the user can only pick one of the items, never type.
    bool DropDownList() const { return drop_down_list_; }
    void SetDropDownList(bool on) { drop_down_list_ = on; }
    std::function<void()> OnChange;

  private:
    std::vector<std::string> items_;
    bool drop_down_list_ = false;
    int index_ = -1;
    std::string text_;
};

class SpinEdit : public Control
{
  public:
    SpinEdit(std::string name, Container* parent) : Control(ControlKind::SpinEdit, std::move(name), parent)
    {
        SetBackColour(colours::kWindow);
    }
    int Value() const { return value_; }
    /// Sets the value (clamped to the range when the range is not empty); fires OnChange.
    void SetValue(int value);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    std::function<void()> OnChange;

  private:
    int value_ = 0, min_ = 0, max_ = 0;
};

class TrackBar : public Control
{
  public:
    TrackBar(std::string name, Container* parent) : Control(ControlKind::TrackBar, std::move(name), parent) {}
    int Position() const { return position_; }
    /// Moves the slider (clamped to the range); fires OnChange.
    void SetPosition(int position);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    /// The user let go of the slider (mouse up, or a key released) after
    /// moving it; fires OnRelease.
    void Release() { Fire(OnRelease); }
    std::function<void()> OnChange;
    std::function<void()> OnRelease;

  private:
    int position_ = 0, min_ = 0, max_ = 10;
};

class ProgressBar : public Control
{
  public:
    ProgressBar(std::string name, Container* parent)
        : Control(ControlKind::ProgressBar, std::move(name), parent)
    {
    }
    int Position() const { return position_; }
    void SetPosition(int position);
    int Max() const { return max_; }
    void SetMax(int max);

  private:
    int position_ = 0, max_ = 100;
};

/// A round indicator lamp; its colour is the brush colour.
class Lamp : public Control
{
  public:
    Lamp(std::string name, Container* parent) : Control(ControlKind::Lamp, std::move(name), parent) {}
    Colour Brush() const { return brush_; }
    void SetBrush(Colour colour);

  private:
    Colour brush_ = colours::kBlack;
};

class Memo : public Control
{
  public:
    Memo(std::string name, Container* parent) : Control(ControlKind::Memo, std::move(name), parent)
    {
        SetBackColour(colours::kWindow);
    }
    const std::vector<std::string>& Lines() const { return lines_; }
    void Clear();
    void AddLine(const std::string& line);
    /// Replaces the whole text; line breaks split it into lines.
    void SetText(const std::string& text);
    std::string Text() const;
    /// Asks the view to scroll so that the last line is visible.
    void ScrollToEnd() { Notify(Aspect::Scroll); }

  private:
    std::vector<std::string> lines_;
};

/// Shows an HTML page from a file (empty path: nothing).
class HtmlView : public Control
{
  public:
    HtmlView(std::string name, Container* parent) : Control(ControlKind::HtmlView, std::move(name), parent) {}
    const std::string& Path() const { return path_; }
    void Navigate(const std::string& path);

  private:
    std::string path_;
};

class StatusBar : public Control
{
  public:
    struct PanelInfo {
        std::string text;
        int width = 100;
    };
    StatusBar(std::string name, Container* parent) : Control(ControlKind::StatusBar, std::move(name), parent)
    {
    }
    const std::vector<PanelInfo>& Panels() const { return panels_; }
    void SetPanelCount(int count);
    void SetPanelText(int index, const std::string& text);
    void SetPanelWidth(int index, int width);

  private:
    std::vector<PanelInfo> panels_;
};

/// A report-style list: columns, rows of sub-items, selection, per-cell colours.
class ListView : public Control
{
  public:
    struct Column {
        std::string caption;
        int width = 50;
        Align align = Align::Left;
    };
    struct Row {
        std::vector<std::string> cells;
        bool selected = false;
        bool checked = false;
    };

    ListView(std::string name, Container* parent) : Control(ControlKind::ListView, std::move(name), parent)
    {
        SetBackColour(colours::kWindow);
    }

    const std::vector<Column>& Columns() const { return columns_; }
    void SetColumns(std::vector<Column> columns);
    void SetColumnCaption(int index, const std::string& caption);
    void SetColumnWidth(int index, int width);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const Row& RowAt(int index) const { return rows_.at(static_cast<size_t>(index)); }
    /// Cell text, empty when absent.
    std::string Cell(int row, int column) const;
    /// Appends a row; returns its index.
    int AddRow(std::vector<std::string> cells);
    void SetCell(int row, int column, const std::string& text);
    void ClearRows();
    void DeleteRow(int row);

    bool MultiSelect() const { return multi_select_; }
    void SetMultiSelect(bool multi) { multi_select_ = multi; }
    bool CheckBoxes() const { return check_boxes_; }
    void SetCheckBoxes(bool on);
    bool GridLines() const { return grid_lines_; }
    void SetGridLines(bool on);
    /// First selected row, −1 when none.
    int ItemIndex() const;
    /// Selects one row (−1 clears); fires OnSelectItem as a user's click does.
    void SelectRow(int row);
    /// Adds or removes a row from a multi-selection (no event).
    void SetRowSelected(int row, bool selected);
    void SetRowChecked(int row, bool checked);
    void SelectAll();
    /// Asks the view to scroll so that the last row is visible.
    void ScrollToEnd() { Notify(Aspect::Scroll); }
    /// Repaint request (colours computed by OnCustomDrawCell may have changed).
    void Repaint() { Notify(Aspect::Colours); }
    /// A click on the header of `column`, as the user's (fires OnColumnClick).
    void ClickColumn(int column)
    {
        if (OnColumnClick) OnColumnClick(column);
    }

    std::function<void(int row)> OnSelectItem;
    std::function<void(int column)> OnColumnClick;
    /// Text colour of one cell; nullopt keeps the list's font colour.
    std::function<std::optional<Colour>(int row, int column)> OnCustomDrawCell;
    /// The colour a cell is drawn in, as the front end asks for it.
    Colour CellColour(int row, int column) const;

  private:
    std::vector<Column> columns_;
    std::vector<Row> rows_;
    bool multi_select_ = false;
    bool check_boxes_ = false;
    bool grid_lines_ = false;
};

/// A popup (context) menu attached to a control.
class PopupMenu
{
  public:
    struct Item {
        std::string caption;
        bool enabled = true;
        bool visible = true;
        std::function<void()> OnClick;
    };
    explicit PopupMenu(std::string name) : name_(std::move(name)) {}
    const std::string& Name() const { return name_; }
    std::vector<Item>& Items() { return items_; }
    const std::vector<Item>& Items() const { return items_; }
    /// Called just before the menu shows, so captions and states can be updated.
    std::function<void()> OnPopup;
    /// Opens the menu (fires OnPopup).
    void Open()
    {
        if (OnPopup) OnPopup();
    }
    /// Chooses an item as the user would; false when it is disabled or absent.
    bool Choose(size_t index);

  private:
    std::string name_;
    std::vector<Item> items_;
};

/// A hex view of bytes, 16 per row: offset, hex and characters. Loading new
/// bytes forgets which ones were edited; an edit in place fires OnChange.
class HexView : public Control
{
  public:
    static constexpr size_t kBytesPerRow = 16;

    HexView(std::string name, Container* parent) : Control(ControlKind::HexView, std::move(name), parent)
    {
        SetBackColour(colours::kWindow);
    }
    const std::vector<uint8_t>& Data() const { return data_; }
    /// Shows these bytes (no event: the program loads them).
    void LoadData(const uint8_t* bytes, size_t count);
    /// A user's edit of one byte; false when read-only or out of range. Fires OnChange.
    bool EditByte(size_t offset, uint8_t value);
    /// True when the byte was edited since the bytes were loaded.
    bool Edited(size_t offset) const { return offset < edited_.size() && edited_[offset]; }
    bool ReadOnly() const { return read_only_; }
    void SetReadOnly(bool read_only);
    /// The first row shown (the program scrolls the view to a byte).
    size_t TopRow() const { return top_row_; }
    void SetTopRow(size_t row);
    /// One row as text: "0010: 41 42 ... 00  AB.............." (offset in hex,
    /// bytes outside 20h..7Eh shown as dots).
    std::string RowText(size_t row) const;
    size_t RowCount() const { return (data_.size() + kBytesPerRow - 1) / kBytesPerRow; }
    std::function<void()> OnChange;

  private:
    std::vector<uint8_t> data_;
    std::vector<bool> edited_;
    bool read_only_ = false;
    size_t top_row_ = 0;
};

/// A user-interface timer; the front end's loop fires due timers.
class Timer : public Control
{
  public:
    Timer(std::string name, Container* parent) : Control(ControlKind::Timer, std::move(name), parent)
    {
        SetVisible(false);
    }
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t ms);
    bool Active() const { return active_; }
    void SetActive(bool active);
    std::function<void()> OnTimer;
    /// Front-end side: due time bookkeeping (milliseconds on the front end's clock).
    uint64_t next_due_ms = 0;
    bool restart_pending = false;
    void Fire()
    {
        if (OnTimer) OnTimer();
    }

  private:
    uint32_t interval_ = 1000;
    bool active_ = false;
};

enum class Key { F1, F2, F3, F4, F5, F6, F7, F8, F9, Up, Down, Left, Right, Escape, Enter, Space };

/// A top-level window.
class Window : public Container
{
  public:
    explicit Window(std::string name) : Container(ControlKind::Window, std::move(name), nullptr)
    {
        SetVisible(false);
    }
    void Show();
    void Hide();
    /// Opacity 0–255 (255 opaque).
    int Alpha() const { return alpha_; }
    void SetAlpha(int alpha);
    /// The control that has the keyboard focus.
    Control* Focused() const { return focused_; }
    void SetFocus(Control* control) { focused_ = control; }
    /// Asks the window to close as the user would (fires OnClose).
    void Close();
    /// Pop-up hints of the window's controls on or off.
    bool ShowHints() const { return show_hints_; }
    void SetShowHints(bool on);

    std::function<void()> OnShow;
    std::function<void()> OnClose;
    /// The window lost the focus to another window (of this program or another).
    std::function<void()> OnDeactivate;
    /// The user changed the window's size (its bounds hold the new size).
    std::function<void()> OnResize;
    void Resized()
    {
        if (OnResize) OnResize();
    }
    void Deactivate()
    {
        if (OnDeactivate) OnDeactivate();
    }
    /// A key press; true when handled.
    std::function<bool(Key)> OnKeyDown;
    bool KeyDown(Key key) { return OnKeyDown ? OnKeyDown(key) : false; }

    /// Every control of the window in tree order (the window first).
    std::vector<Control*> AllControls();
    /// Every timer of the window.
    std::vector<Timer*> Timers();

  private:
    int alpha_ = 255;
    bool show_hints_ = true;
    Control* focused_ = nullptr;
};

const char* KindName(ControlKind kind);

} // namespace mrv::form
