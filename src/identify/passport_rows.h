#pragma once
// Decoding of the identification into the drive record and the rows of the
// passport list, as a pure function of the words, what acquisition learned and
// the results of the extended checks. Also the list's cell colours.

#include "form/colour.h"
#include "identify/drive_passport.h"
#include "identify/identify_words.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mrv
{

struct PassportRow {
    std::string label, value, comment;
};

struct BufferDiagResult {
    bool passed = true;
    uint16_t first_bad = 0; ///< the first word read back that differs
};

/// What the extended checks found; an empty member means the check did not run
/// (or, for the power status, the drive did not answer).
struct PassportExtResults {
    std::optional<int64_t> native_max;  ///< "Real size": native sectors, −1 after a time-out
    std::optional<bool> diag_passed;    ///< "Diag S.F."
    std::optional<uint8_t> power_count; ///< "Power status": the count register
    std::optional<BufferDiagResult> buffer_diag;
};

struct PassportContext {
    bool api_mode = false;
    PassportExtResults ext;
};

/// The SSD / rotation-rate lamp and its label.
struct RotationLamp {
    form::Colour lamp;
    std::string text;
    bool ssd = false; ///< bold navy "SSD"
};

struct DecodedPassport {
    DrivePassport passport;
    std::vector<PassportRow> rows;
    /// ReadPassport's result: the last LBA, or −1 when the drive gave no usable size.
    int64_t last_lba = -1;
    std::optional<RotationLamp> rotation;
    std::string sata_text;   ///< "SATA2, TRIM, NCQ"; empty when not a SATA device
    std::string aam_display; ///< "MIN", "MAX", "OFF", the value, or "AAM" when not supported
    bool security_locked = false;
    bool interface_error = false;
    bool real_size_row = false; ///< the "**Real:" row was added
    std::optional<int> hpa_track_position;
};

DecodedPassport DecodePassport(const IdentifyWords& words, const DrivePassport& acquired,
                               const PassportContext& context);

/// nullopt for rates that change nothing (0, 2–1024, 0xFFFF).
std::optional<RotationLamp> RotationLampOf(uint16_t rate);

/// The comment of the AAM and APM rows.
std::string PowerLevelComment(uint8_t value);

/// The colour of one cell of the passport list (cells: 0 hidden, 1 label,
/// 2 value, 3 comment); nullopt keeps the list's font colour.
std::optional<form::Colour> PassportCellColour(int row, int column, const std::string& label,
                                               const std::string& value, const std::string& comment);

} // namespace mrv
