#include "smart/nvme_logs.h"

#include "identify/format_capacity.h"
#include "util/little_endian.h"

#include <algorithm>
#include <cstdio>

namespace mrv
{

namespace
{

namespace c = form::colours;

const form::Colour kAmber = form::Colour::Rgb(255, 196, 55);
const form::Colour kDarkGreen = form::Colour::Rgb(0, 115, 0);

form::Colour HealthColour(const std::string& letter)
{
    if (letter == "r") return c::kRed;
    if (letter == "y") return kAmber;
    return kDarkGreen;
}

/// One table row. `health` below 0 leaves the health column as a dash.
SmartRow Row(const std::string& name, const std::string& value, const std::string& threshold,
             const std::string& raw, int health, bool alarm = false)
{
    SmartRow row;
    row.cells[kSmartName] = name;
    row.cells[kSmartValue] = value;
    row.cells[kSmartWorst] = "";
    row.cells[kSmartThreshold] = threshold;
    row.cells[kSmartRaw] = raw;
    if (health >= 0) {
        const SmartHealth h = HealthOf(health);
        row.cells[kSmartHealth] = h.bars;
        row.cells[kSmartLetter] = h.letter;
    } else {
        row.cells[kSmartHealth] = " -";
        row.cells[kSmartLetter] = "g";
    }
    row.cells[kSmartFlag] = " ";
    row.colours.fill(c::kBlack);
    row.colours[kSmartId] = c::kNavy;
    row.colours[kSmartName] = alarm ? c::kRed : c::kNavy;
    row.colours[kSmartValue] = c::kTeal;
    row.colours[kSmartWorst] = c::kGray;
    row.colours[kSmartThreshold] = form::Colour::Rgb(128, 128, 0);
    row.colours[kSmartRaw] = alarm ? c::kRed : c::kBlack;
    row.colours[kSmartHealth] = HealthColour(row.cells[kSmartLetter]);
    return row;
}

std::string KelvinText(uint16_t kelvin)
{
    return TemperatureText(static_cast<int16_t>(static_cast<int>(kelvin) - 273));
}

std::string Hex8(uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02Xh", value);
    return text;
}

struct WarningBit {
    uint8_t mask;
    const char* name;
};
constexpr WarningBit kWarningBits[] = {
    {0x01, " Spare below threshold"},  {0x02, " Temperature out of range"},
    {0x04, " Reliability degraded"},   {0x08, " Media read-only"},
    {0x10, " Volatile backup failed"}, {0x20, " Persistent memory read-only"},
};

} // namespace

NvmeHealth DecodeNvmeHealth(const uint8_t* d)
{
    NvmeHealth h;
    h.critical_warning = d[0];
    h.composite_temperature_k = Le16(d + 1);
    h.available_spare = d[3];
    h.spare_threshold = d[4];
    h.percentage_used = d[5];
    h.data_units_read = U128::FromLittleEndian(d + 32);
    h.data_units_written = U128::FromLittleEndian(d + 48);
    h.host_reads = U128::FromLittleEndian(d + 64);
    h.host_writes = U128::FromLittleEndian(d + 80);
    h.busy_minutes = U128::FromLittleEndian(d + 96);
    h.power_cycles = U128::FromLittleEndian(d + 112);
    h.power_on_hours = U128::FromLittleEndian(d + 128);
    h.unsafe_shutdowns = U128::FromLittleEndian(d + 144);
    h.media_errors = U128::FromLittleEndian(d + 160);
    h.error_log_entries = U128::FromLittleEndian(d + 176);
    h.warning_temperature_minutes = Le32(d + 192);
    h.critical_temperature_minutes = Le32(d + 196);
    for (size_t i = 0; i < h.sensors_k.size(); ++i)
        h.sensors_k[i] = Le16(d + 200 + 2 * i);
    return h;
}

U128 NvmeDataUnitBytes(const U128& units)
{
    return units.Times(512000);
}

std::string NvmeBytesText(const U128& bytes)
{
    const U128 sectors = bytes.DividedBy(512);
    if (sectors.FitsIn64()) return FormatCapacity(512, sectors.low);
    return bytes.Decimal() + " bytes";
}

SmartVerdict NvmeVerdict(const NvmeHealth& health)
{
    return health.critical_warning != 0 ? SmartVerdict::Bad : SmartVerdict::Good;
}

std::vector<SmartRow> NvmeHealthRows(const NvmeHealth& h)
{
    std::vector<SmartRow> rows;
    const bool warned = h.critical_warning != 0;
    rows.push_back(Row("Critical warning", "", "", Hex8(h.critical_warning), warned ? 0 : 100, warned));
    for (const WarningBit& bit : kWarningBits) {
        const bool set = (h.critical_warning & bit.mask) != 0;
        rows.push_back(Row(bit.name, "", "", set ? "Yes" : "No", -1, set));
    }

    const bool hot = (h.critical_warning & 0x02) != 0;
    rows.push_back(
        Row("Composite temperature", "", "", KelvinText(h.composite_temperature_k), hot ? 10 : 90, hot));

    // Spare below its threshold is the end of the drive's reserve (the
    // controller's own warning bit follows the same rule).
    const bool spare_low = h.available_spare < h.spare_threshold;
    rows.push_back(Row("Available spare", std::to_string(h.available_spare),
                       std::to_string(h.spare_threshold), std::to_string(h.available_spare) + " %",
                       spare_low ? 0 : h.available_spare, spare_low));
    // The percentage may pass 100 (up to 255) when the drive outlives its rating.
    const int life_left = 100 - std::min<int>(h.percentage_used, 100);
    rows.push_back(Row("Percentage used", std::to_string(h.percentage_used), "",
                       std::to_string(h.percentage_used) + " %", life_left, h.percentage_used >= 100));

    rows.push_back(Row("Data read", h.data_units_read.Decimal(), "",
                       NvmeBytesText(NvmeDataUnitBytes(h.data_units_read)), -1));
    rows.push_back(Row("Data written", h.data_units_written.Decimal(), "",
                       NvmeBytesText(NvmeDataUnitBytes(h.data_units_written)), -1));
    rows.push_back(Row("Host read commands", "", "", h.host_reads.Decimal(), -1));
    rows.push_back(Row("Host write commands", "", "", h.host_writes.Decimal(), -1));
    rows.push_back(Row("Controller busy time, min", "", "", h.busy_minutes.Decimal(), -1));
    rows.push_back(Row("Power cycles", "", "", h.power_cycles.Decimal(), -1));
    rows.push_back(Row("Power-on hours", "", "", h.power_on_hours.Decimal(), -1));
    rows.push_back(Row("Unsafe shutdowns", "", "", h.unsafe_shutdowns.Decimal(), -1));
    const bool media = !h.media_errors.IsZero();
    rows.push_back(
        Row("Media and data integrity errors", "", "", h.media_errors.Decimal(), media ? 10 : 100, media));
    rows.push_back(Row("Error log entries", "", "", h.error_log_entries.Decimal(), -1));
    rows.push_back(
        Row("Warning temperature time, min", "", "", std::to_string(h.warning_temperature_minutes), -1));
    rows.push_back(Row("Critical temperature time, min", "", "",
                       std::to_string(h.critical_temperature_minutes), -1,
                       h.critical_temperature_minutes != 0));
    for (size_t i = 0; i < h.sensors_k.size(); ++i)
        if (h.sensors_k[i] != 0)
            rows.push_back(
                Row("Temperature sensor " + std::to_string(i + 1), "", "", KelvinText(h.sensors_k[i]), -1));
    return rows;
}

NvmeSelfTestLog DecodeNvmeSelfTestLog(const uint8_t* d)
{
    NvmeSelfTestLog log;
    log.current_operation = d[0] & 0x0F;
    log.current_completion = std::min<uint8_t>(d[1] & 0x7F, 100);
    for (size_t i = 0; i < 20; ++i) {
        const uint8_t* e = d + 4 + 28 * i;
        NvmeSelfTestResult r;
        r.result = e[0] & 0x0F;
        if (r.result == 0x0F) continue;
        r.code = e[0] >> 4;
        r.segment = e[1];
        r.nsid_valid = (e[2] & 0x01) != 0;
        r.lba_valid = (e[2] & 0x02) != 0;
        r.status_valid = (e[2] & 0x0C) == 0x0C;
        r.power_on_hours = Le64(e + 4);
        r.nsid = Le32(e + 12);
        r.failing_lba = Le64(e + 16);
        r.status = static_cast<uint16_t>((e[24] & 0x7) << 8 | e[25]);
        log.results.push_back(r);
    }
    return log;
}

std::string NvmeSelfTestName(uint8_t code)
{
    switch (code) {
    case 1:
        return "Short self-test";
    case 2:
        return "Extended self-test";
    case 0xE:
        return "Vendor self-test";
    default:
        return "Self-test " + Hex8(code);
    }
}

std::string NvmeSelfTestResultText(uint8_t result)
{
    switch (result) {
    case 0:
        return "Completed without error";
    case 1:
        return "Aborted by a Device Self-test command";
    case 2:
        return "Aborted by a controller reset";
    case 3:
        return "Aborted: namespace removed";
    case 4:
        return "Aborted by a Format NVM command";
    case 5:
        return "Fatal or unknown test error";
    case 6:
        return "Failed in an unknown segment";
    case 7:
        return "Failed in segment";
    case 8:
        return "Aborted for an unknown reason";
    case 9:
        return "Aborted by a sanitize operation";
    default:
        return "Result " + Hex8(result);
    }
}

std::vector<NvmeErrorEntry> DecodeNvmeErrorLog(const uint8_t* log, size_t count)
{
    std::vector<NvmeErrorEntry> entries;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = log + kNvmeErrorEntrySize * i;
        NvmeErrorEntry entry;
        entry.error_count = Le64(e);
        if (entry.error_count == 0) continue;
        entry.queue = Le16(e + 8);
        entry.command_id = Le16(e + 10);
        entry.status = static_cast<uint16_t>(Le16(e + 12) >> 1);
        entry.lba = Le64(e + 16);
        entry.nsid = Le32(e + 24);
        entries.push_back(entry);
    }
    std::sort(entries.begin(), entries.end(),
              [](const NvmeErrorEntry& a, const NvmeErrorEntry& b) { return a.error_count > b.error_count; });
    return entries;
}

std::vector<SmartTestRow> NvmeTestRows(const NvmeSelfTestLog& log, uint16_t extended_minutes,
                                       const std::vector<NvmeErrorEntry>& errors)
{
    std::vector<SmartTestRow> rows;
    rows.push_back(
        {"Extended self-test recommended time (in minutes)", std::to_string(extended_minutes), c::kNavy});
    if (log.current_operation != 0)
        rows.push_back({NvmeSelfTestName(log.current_operation) + " in progress, percent done",
                        std::to_string(log.current_completion), c::kGreen});
    else
        rows.push_back({"No self-test in progress", "0", c::kNavy});
    // The newest results; the log keeps up to twenty.
    constexpr size_t kShownResults = 5;
    for (size_t i = 0; i < std::min(log.results.size(), kShownResults); ++i) {
        const NvmeSelfTestResult& r = log.results[i];
        std::string text = "#" + std::to_string(i + 1) + " " + NvmeSelfTestName(r.code) + ": " +
                           NvmeSelfTestResultText(r.result);
        if (r.result == 7) text += " " + std::to_string(r.segment);
        if (r.lba_valid) text += ", LBA " + std::to_string(r.failing_lba);
        const form::Colour colour = r.result == 0                    ? c::kNavy
                                    : r.result >= 5 && r.result <= 7 ? c::kRed
                                                                     : c::kMaroon;
        rows.push_back({text, "POH " + std::to_string(r.power_on_hours), colour});
    }
    constexpr size_t kShownErrors = 3;
    for (size_t i = 0; i < std::min(errors.size(), kShownErrors); ++i) {
        const NvmeErrorEntry& e = errors[i];
        char text[96];
        std::snprintf(text, sizeof text, "Error %llu: queue %u, command %u, status %Xh/%02Xh, LBA %llu",
                      static_cast<unsigned long long>(e.error_count), e.queue, e.command_id,
                      (e.status >> 8) & 0x7u, e.status & 0xFFu, static_cast<unsigned long long>(e.lba));
        rows.push_back({text, "NSID " + std::to_string(e.nsid), c::kRed});
    }
    return rows;
}

int NvmeMeterPosition(const NvmeSelfTestLog& log)
{
    if (log.current_operation == 0) return 10;
    return std::clamp(log.current_completion / 10, 0, 10);
}

NvmeSanitizeStatus DecodeNvmeSanitizeStatus(const uint8_t* d)
{
    NvmeSanitizeStatus s;
    s.progress = Le16(d);
    s.state = d[2] & 0x7;
    return s;
}

} // namespace mrv
