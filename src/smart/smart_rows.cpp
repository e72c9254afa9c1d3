#include "smart/smart_rows.h"

#include "smart/smart_attribute_names.h"
#include "smart/smart_block.h"

#include <algorithm>
#include <cstdio>

namespace mrv
{

namespace
{

using form::Colour;
namespace c = form::colours;

constexpr const char* kBullet = "\xE2\x80\xA2";
const Colour kOlive = Colour::Rgb(128, 128, 0);
const Colour kAmber = Colour::Rgb(255, 196, 55);
const Colour kDarkGreen = Colour::Rgb(0, 115, 0);
/// The value temperatures count as for their health bars.
constexpr int kTemperatureHealth = 90;

bool Among(uint8_t id, std::initializer_list<uint8_t> ids)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

/// Counters that mean damage: their raw number is red when above zero.
bool IsDamageCounter(uint8_t id)
{
    return Among(id, {5, 184, 187, 191}) || (id >= 196 && id <= 200);
}

Colour NameColour(uint8_t id, bool pre_failure, uint8_t family)
{
    if (id == 231 && family == 15) return c::kGreen;
    if (Among(id, {5, 184, 187, 196, 197, 198, 200})) return c::kPurple;
    if (IsTemperatureAttribute(id)) return c::kBlue;
    return pre_failure ? c::kGreen : c::kBlack;
}

Colour RawColour(uint8_t id, uint64_t raw)
{
    if (IsDamageCounter(id)) return raw > 0 ? c::kRed : c::kGreen;
    if (IsTemperatureAttribute(id)) return c::kBlue;
    return c::kMaroon;
}

Colour HealthColour(const std::string& letter)
{
    if (letter == "r") return c::kRed;
    if (letter == "y") return kAmber;
    return kDarkGreen;
}

void FillColours(SmartRow& row, uint8_t id, bool pre_failure, uint8_t family, uint64_t raw)
{
    row.colours.fill(c::kBlack);
    row.colours[kSmartId] = c::kNavy;
    row.colours[kSmartName] = NameColour(id, pre_failure, family);
    row.colours[kSmartValue] = c::kTeal;
    row.colours[kSmartWorst] = c::kGray;
    row.colours[kSmartThreshold] = kOlive;
    row.colours[kSmartRaw] = RawColour(id, raw);
    row.colours[kSmartHealth] = HealthColour(row.cells[kSmartLetter]);
}

/// The minimum and maximum rows some families keep in r1 and r2 of attribute 194.
void AddTemperatureExtremes(SmartTable& table, const SmartEntry& e, const SmartRow& base, uint8_t family)
{
    if (e.id != 194 || !Among(family, {1, 2, 4, 6, 7, 15})) return;
    const uint16_t r1 = e.RawWord(1), r2 = e.RawWord(2);
    auto add = [&](const char* name, uint16_t celsius) {
        SmartRow row = base;
        row.cells[kSmartName] = name;
        row.cells[kSmartRaw] = TemperatureText(static_cast<int16_t>(celsius));
        row.cells[kSmartHealth] = " -";
        row.cells[kSmartFlag] = " ";
        row.cells[kSmartLetter] = "g";
        FillColours(row, e.id, false, family, 0);
        table.rows.push_back(row);
    };
    // Family 4 keeps the maximum in r2 and the minimum in r1; family 15 the
    // other way round; the others the minimum in r1 and the maximum in r2.
    if (r1 != 0) {
        if (family == 4)
            add("Maximum temperature", r2);
        else
            add("Minimum temperature", family == 15 ? r2 : r1);
    }
    if (r2 != 0) {
        if (family == 4)
            add("Minimum temperature", r1);
        else
            add("Maximum temperature", family == 15 ? r1 : r2);
    }
}

/// Length in characters of a UTF-8 text.
size_t Characters(const std::string& text)
{
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

std::string PadLeft(const std::string& text, size_t width)
{
    const size_t n = Characters(text);
    return n >= width ? text : std::string(width - n, ' ') + text;
}

std::string PadRight(const std::string& text, size_t width)
{
    const size_t n = Characters(text);
    return n >= width ? text : text + std::string(width - n, ' ');
}

} // namespace

SmartHealth HealthOf(int value)
{
    const int capped = std::min(value, 100);
    const int bars = std::max(1, capped / 20);
    SmartHealth health;
    health.bars = " ";
    for (int i = 0; i < bars; ++i)
        health.bars += kBullet;
    health.letter = bars <= 2 ? "r" : bars <= 4 ? "y" : "g";
    return health;
}

SmartTable DecodeSmartTable(const uint8_t* data, const uint8_t* thresholds, uint8_t family,
                            uint8_t requested_id)
{
    SmartTable table;
    for (int i = 0; i < kSmartEntryCount; ++i) {
        const SmartEntry e = SmartEntryAt(data, i);
        if (e.id == 0) continue;
        const uint64_t raw = ShownRawNumber(e);
        SmartRow row;
        row.cells[kSmartId] = std::to_string(e.id);
        row.cells[kSmartName] = SmartAttributeName(e.id, family);
        row.cells[kSmartValue] = std::to_string(e.value);
        row.cells[kSmartWorst] = std::to_string(e.worst);
        row.cells[kSmartThreshold] = std::to_string(SmartThresholdAt(thresholds, i));
        int health_value = e.value;
        if (IsTemperatureAttribute(e.id)) {
            row.cells[kSmartRaw] = family == 15 ? std::to_string(e.RawNumber())
                                                : TemperatureText(static_cast<int16_t>(e.RawWord(0)));
            health_value = kTemperatureHealth;
        } else {
            row.cells[kSmartRaw] = std::to_string(raw);
        }
        if (e.id == requested_id) table.requested_raw = raw;
        const SmartHealth health = HealthOf(health_value);
        row.cells[kSmartHealth] = health.bars;
        row.cells[kSmartFlag] = e.PreFailure() ? kPreFailureFlag : " ";
        row.cells[kSmartLetter] = health.letter;
        FillColours(row, e.id, e.PreFailure(), family, raw);
        table.rows.push_back(row);
        AddTemperatureExtremes(table, e, row, family);
    }
    return table;
}

std::vector<SmartTestRow> DecodeSmartTestRows(const uint8_t* data)
{
    const SmartCollectionStatus s = SmartCollectionOf(data);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02Xh", s.offline_status);
    const uint8_t self_test = static_cast<uint8_t>(s.self_test_status >> 4);
    return {
        {"Total time in seconds to complete off-line data collection activity",
         std::to_string(s.offline_seconds), c::kNavy},
        {"Short self-test routine recommended polling time (in minutes)", std::to_string(s.short_minutes),
         c::kNavy},
        {"Extended self-test routine recommended polling time (in minutes)",
         std::to_string(s.extended_minutes), c::kNavy},
        {OfflineStatusText(s.offline_status), hex, OfflineStatusColour(s.offline_status)},
        {SelfTestStatusText(self_test), std::to_string(self_test), SelfTestStatusColour(self_test)},
    };
}

std::string SmartClipboardText(const std::string& model, const std::string& serial,
                               const std::vector<std::array<std::string, kSmartColumnCount>>& rows)
{
    const std::string rule(73, '-');
    std::string text = model + "   " + serial + "\n" + rule + "\n";
    text += "  ID      Name                   Value  Worst  Tresh       Raw    Health\n";
    text += rule + "\n";
    for (const auto& cells : rows) {
        text += PadLeft(cells[kSmartId], 3) + " " + PadRight(cells[kSmartName], 24) +
                PadLeft(cells[kSmartValue], 9) + PadLeft(cells[kSmartWorst], 7) +
                PadLeft(cells[kSmartThreshold], 7) + "  " + PadLeft(cells[kSmartRaw], 11) + "  " +
                PadRight(cells[kSmartHealth], 7) + "\n";
    }
    return text;
}

} // namespace mrv
