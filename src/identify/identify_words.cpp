#include "identify/identify_words.h"

#include "util/file_names.h"

#include <algorithm>
#include <cctype>

namespace mrv
{

std::string IdentifyText(const IdentifyWords& words, int first, int count)
{
    std::string text;
    for (int i = first; i < first + count && i < 256; ++i) {
        uint16_t w = words[static_cast<size_t>(i)];
        for (uint8_t c : {static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w & 0xFF)})
            text += (c < 32 || c > 122) ? ' ' : static_cast<char>(c);
    }
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return " ";
    size_t end = text.find_last_not_of(' ');
    return text.substr(begin, end - begin + 1);
}

uint8_t ModelFamilyOf(const std::string& model, uint16_t rotation_rate)
{
    std::string m = model;
    std::transform(m.begin(), m.end(), m.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    auto has = [&m](const char* part) { return m.find(part) != std::string::npos; };
    struct Rule {
        const char* part;
        uint8_t family;
    };
    // Order matters: Hitachi's HTS/HDS names come before the general "HIT",
    // and Fujitsu's MPG before the general "FUJ".
    static const Rule kRules[] = {
        {"TSU MPG", 14}, {"FUJ", 1},  {"DTLA", 13}, {"IBM", 2},  {"HTS", 2},   {"HDS", 2},    {"HTE", 2},
        {"IC35", 2},     {"IC25", 2}, {"MAX", 3},   {"SEA", 4},  {"ST", 4},    {"WD", 5},     {"TOSH", 6},
        {"CHI_DK", 15},  {"HIT", 7},  {"SAMS", 8},  {"CONN", 9}, {"LANT", 12}, {"LP AS", 11}, {"QUAN", 10}};
    if (rotation_rate == 1) return 15;
    for (const Rule& rule : kRules)
        if (has(rule.part)) return rule.family;
    return 0;
}

uint16_t ScanTimingBaseOf(const DrivePassport& d, bool api_mode)
{
    static const uint16_t kByUdma[] = {18, 15, 12, 9, 7, 5, 4};
    uint16_t base = 5;
    if (!d.NonAta && d.UdmaMode >= 0 && d.UdmaMode <= 6) base = kByUdma[d.UdmaMode];
    if (api_mode && d.Removable) base = d.LbaCount < 4096 ? 18 : 12;
    bool ata = !d.NonAta || !api_mode;
    if (d.HpaSupported && d.NativeLbaCount > 242000000 && ata) base = 3;
    return base;
}

std::string FormatSectorsCompact(int64_t count, uint32_t sector_size, uint32_t sectors_per_mb)
{
    int64_t magnitude = count < 0 ? -count : count;
    int64_t per_mb = sectors_per_mb ? sectors_per_mb : 2048;
    if (magnitude < 0x4FFF) {
        std::string text = std::to_string(count * static_cast<int64_t>(sector_size) / 1024);
        return count == 0 ? text : text + "k";
    }
    if (magnitude < 0x1387FFF) return std::to_string(count / per_mb) + "M";
    return std::to_string(count / per_mb / 1024) + "G";
}

std::string WordToBinary(uint16_t value)
{
    if (value == 0) return "0";
    std::string digits;
    for (; value; value >>= 1)
        digits.insert(digits.begin(), (value & 1) ? '1' : '0');
    return digits;
}

std::string PassportFileName(const std::string& model, const std::string& serial)
{
    return "Passp_" + SanitizeFileName(model + "_" + serial) + ".bin";
}

} // namespace mrv
