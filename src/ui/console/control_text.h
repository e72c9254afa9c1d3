#pragma once
// What the console driver prints about a control, and how it finds controls by
// name or caption.

#include "form/controls.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mrv::console
{

struct Property {
    std::string key;
    std::string value;
    bool quoted = false; ///< printed in double quotes (texts)
};

/// The print keys that apply to the control's kind, in print order.
std::vector<Property> Properties(form::Control& control);
/// "NAME: key=value ..." for one control; a list view adds "NAME[i]: a | b | c" per row.
std::vector<std::string> PrintLines(const std::string& label, form::Control& control);
/// The sub-items of a list-view row joined by " | ".
std::string RowText(const form::ListView& list, int row);
/// The same as `print` shows it: a cell drawn in another colour than the
/// list's font colour is followed by " {#RRGGBB}".
std::string PrintedRowText(const form::ListView& list, int row);
/// A print key's value, or `row[i]` / `rows` / `column[i]` (a column caption) of a list
/// view, `row[i]` (marks, '.' empty) / `cell[i]` of a block grid, `pixel[x,y]` (#RRGGBB)
/// of a canvas; nullopt when the key does not apply.
std::optional<std::string> PropertyValue(form::Control& control, const std::string& key);

/// A caption as the user reads it: '&' accelerator marks removed, blanks trimmed.
std::string PlainCaption(const std::string& caption);
/// Index of an item given by its caption (exact, then as read) or by its index; −1 when none.
int FindItem(const std::vector<std::string>& items, const std::string& value);

/// Finds a control by name ("Name" or "Window.Name"), or by caption when
/// `by_caption`: controls on screen (active tab, shown window) first, then any.
form::Control* FindControl(const std::vector<form::Window*>& windows, const std::string& name,
                           bool by_caption);

} // namespace mrv::console
