#pragma once
// The API device list beside the mode switch: physical drives by number with
// their size and a note, then the logical drives; row selection, the device
// spinner and the colours of the note column.

#include "form/colour.h"

#include <cstdint>
#include <optional>
#include <string>

namespace mrv
{

class ProgramImpl;
class OsDeviceAccess;

/// Sub-item columns of a row.
enum ApiListColumn { kApiKey = 0, kApiNumber = 1, kApiSize = 2, kApiNote = 3, kApiKind = 4 };

class ApiDeviceList
{
  public:
    ApiDeviceList(ProgramImpl& program, OsDeviceAccess& access);

    void BuildApiDeviceList();
    /// A click on a row (ApiListSelectItem).
    void ApiListSelectItem(int row);
    void ApiListDblClick();
    void ApiDevSpinChange();
    /// Marks the row of `ApiDeviceIndex` (row 0 below 1) and acts on it as a click does.
    void SelectCurrentRow();
    /// Shows a number in the spinner without acting on it.
    void ShowSpinnerValue(int value);

    /// Identify words 27–46 as text, high byte first, blanks for characters
    /// outside 32–122, trimmed.
    static std::string IdentifyModel(const uint8_t* identify);
    /// Text colour of a cell by the row's kind; nullopt for the list's own.
    static std::optional<form::Colour> CellColour(const std::string& number, const std::string& kind,
                                                  int column);

  private:
    void AddPhysicalRow(int number);
    void AddLogicalRows();

    ProgramImpl& p_;
    OsDeviceAccess& access_;
    bool selecting_ = false;
};

} // namespace mrv
