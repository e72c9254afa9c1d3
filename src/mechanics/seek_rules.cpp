#include "mechanics/seek_rules.h"

#include "platform/ata_command.h"
#include "scan/scan_walk.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace mrv
{

namespace
{

constexpr uint32_t kDefaultLimitMs = 250;
constexpr uint32_t kMaxLimitMs = 50000;
constexpr uint32_t kWindow = 64;

} // namespace

uint64_t DrawSeekLba(uint64_t start, uint64_t end, RandomDraw& draw)
{
    return end > start ? start + draw.Below(end - start) : start;
}

uint64_t SeekCommandLba(uint64_t lba)
{
    return std::min(lba, kMaxLba28);
}

uint32_t SeekLimitMs(const std::string& text)
{
    uint64_t value = 0;
    bool digits = false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) continue;
        digits = true;
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'), kMaxLimitMs);
    }
    if (!digits) return kDefaultLimitMs;
    return static_cast<uint32_t>(std::clamp<uint64_t>(value, 1, kMaxLimitMs));
}

uint32_t SeekLimitUnits(const std::string& text, bool tick_polling)
{
    const uint32_t ms = SeekLimitMs(text);
    return tick_polling ? ms * 10 : ms;
}

std::string SeekAverageText(uint64_t sum, bool tick_polling)
{
    const uint64_t units = tick_polling ? sum : sum * 10;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(units) / kWindow / 10.0);
    return text;
}

std::string AamReadout(int position, uint8_t current_value)
{
    if (position < 128) return "OFF";
    if (position == 128) return (current_value & 0x80) ? "MIN" : "OFF";
    if (position >= 254) return "MAX";
    return std::to_string(position);
}

} // namespace mrv
