#pragma once
// The rows of the attribute table and of the test-status list as pure
// functions of the SMART data and threshold blocks and the model family, with
// their colours; the clipboard text of the table; the self-test kinds.

#include "form/colour.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mrv
{

/// Columns of the attribute table; the flag and letter columns are hidden.
enum SmartColumn {
    kSmartBlank,
    kSmartId,
    kSmartName,
    kSmartValue,
    kSmartWorst,
    kSmartThreshold,
    kSmartRaw,
    kSmartHealth,
    kSmartFlag,
    kSmartLetter,
    kSmartColumnCount
};

/// The hidden flag of a pre-failure attribute (a no-break space).
inline constexpr const char* kPreFailureFlag = "\xC2\xA0";

struct SmartRow {
    std::array<std::string, kSmartColumnCount> cells;
    std::array<form::Colour, kSmartColumnCount> colours{};
};

struct SmartTable {
    std::vector<SmartRow> rows;
    /// The shown raw number of the last entry with the requested ID, when there is one.
    std::optional<uint64_t> requested_raw;
};

/// The attribute rows of a data block, with the thresholds of the same
/// positions; temperatures of some families add minimum and maximum rows.
SmartTable DecodeSmartTable(const uint8_t* data, const uint8_t* thresholds, uint8_t model_family,
                            uint8_t requested_id);

/// Health bars for a value: " " + 1–5 bullets, and the letter r, y or g.
struct SmartHealth {
    std::string bars;
    std::string letter;
};
SmartHealth HealthOf(int value);

/// One row of the test-status list.
struct SmartTestRow {
    std::string parameter;
    std::string value;
    form::Colour colour; ///< of the parameter column
};
std::vector<SmartTestRow> DecodeSmartTestRows(const uint8_t* data);

/// The table as plain text: model and serial, a rule, the header, a rule, one
/// line per row.
std::string SmartClipboardText(const std::string& model, const std::string& serial,
                               const std::vector<std::array<std::string, kSmartColumnCount>>& rows);

/// An item of the self-test box: its text, the LBA low value it sends and the
/// name its log lines use. A negative value: the number box gives it.
struct SelfTestKind {
    const char* text;
    int value;
    const char* name;
};
inline constexpr std::array<SelfTestKind, 8> kSelfTestKinds{{
    {"Off-line data collect", 0, "Off-line routine"},
    {"Off-line short test", 1, "Off-line short"},
    {"Ext. off-line routine", 2, "Ext off-line routine"},
    {"Selective routine", 4, "Selective routine"},
    {"Short test (captive)", 129, "Short (captive)"},
    {"Ext. test (captive)", 130, "Ext. (captive)"},
    {"Selective test (captive)", 132, "Selective (captive)"},
    {"Vendor specific", -1, "Vendor specific"},
}};

} // namespace mrv
