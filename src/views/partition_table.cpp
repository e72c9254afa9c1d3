#include "views/partition_table.h"

#include <cstdio>
#include <map>

namespace mrv::views
{

namespace
{

uint32_t Le32(const SectorBytes& s, size_t at)
{
    return static_cast<uint32_t>(s[at]) | static_cast<uint32_t>(s[at + 1]) << 8 |
           static_cast<uint32_t>(s[at + 2]) << 16 | static_cast<uint32_t>(s[at + 3]) << 24;
}

const std::map<uint8_t, const char*>& TypeNames()
{
    static const std::map<uint8_t, const char*> names = {
        {0x00, "not used"},   {0x01, "FAT-12"},       {0x02, "XENIX"},      {0x04, "FAT-16 Old"},
        {0x05, "extn"},       {0x06, "FAT-16 New"},   {0x07, "NTFS"},       {0x08, "OS/2"},
        {0x09, "AIX DATA"},   {0x0A, "OPUS"},         {0x0B, "FAT-32"},     {0x0C, "FAT-32"},
        {0x0E, "FAT-32"},     {0x0F, "extn"},         {0x12, "EISADIAG"},   {0x17, "NTFS Hid"},
        {0x18, "AST"},        {0x19, "Photon"},       {0x1B, "FAT-32 Hid"}, {0x1C, "FAT-32 Hid"},
        {0x1E, "FAT-32 Hid"}, {0x20, "OFS1"},         {0x21, "FSo2"},       {0x24, "NEC DOS"},
        {0x38, "Theos"},      {0x3C, "PQ PM"},        {0x40, "VENIX"},      {0x41, "MAC OS"},
        {0x42, "SFS"},        {0x45, "EUMEL"},        {0x4F, "Oberon"},     {0x50, "Ontrack"},
        {0x51, "NOVELL"},     {0x52, "CP/M"},         {0x55, "EZ-Drive"},   {0x56, "Golden"},
        {0x5C, "EDISK"},      {0x61, "Speed"},        {0x63, "BSD 4.3"},    {0x75, "PC/IX"},
        {0x7E, "F.I.X."},     {0x80, "Minix"},        {0x81, "Linux"},      {0x82, "Linux swap"},
        {0x83, "Linux"},      {0x86, "FAT16 Stripe"}, {0x87, "HPFS"},       {0x93, "Amoeba"},
        {0x98, "ROM-DOS"},    {0x99, "Mylex"},        {0xA0, "Phoenix"},    {0xA5, "FreeBSD"},
        {0xA6, "OpenBSD"},    {0xA9, "NetBSD"},       {0xB6, "FAT16 Mir1"}, {0xB7, "NTFS Mir1"},
        {0xC0, "DR DOS"},     {0xC6, "FAT16 Mirr2"},  {0xC7, "NTFS Mir2"},  {0xE2, "DOS ROM"},
        {0xEB, "BeOS BFS"},   {0xF5, "Prologue"},     {0xFE, "LANstep"},
    };
    return names;
}

/// The label field at `first` (11 bytes) with bytes outside 20h..7Ah blanked;
/// empty when it begins with a blank (no label there).
std::string LabelAt(const SectorBytes& sector, size_t first)
{
    std::string text;
    for (size_t i = first; i < first + 11; ++i) {
        const uint8_t c = sector[i];
        text += c >= 0x20 && c <= 0x7A ? static_cast<char>(c) : ' ';
    }
    if (text[0] == ' ') return {};
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

std::string PadRight(const std::string& text, size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string PadLeft(const std::string& text, size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

} // namespace

PartitionEntry ReadPartitionEntry(const SectorBytes& sector, int index)
{
    const size_t at = 446 + static_cast<size_t>(index) * 16;
    PartitionEntry entry;
    entry.boot = sector[at];
    entry.type = sector[at + 4];
    entry.start = Le32(sector, at + 8);
    entry.count = Le32(sector, at + 12);
    return entry;
}

uint16_t BootSignature(const SectorBytes& sector)
{
    return static_cast<uint16_t>(sector[kSignatureOffset] | sector[kSignatureOffset + 1] << 8);
}

void SetBootSignature(SectorBytes& sector, uint16_t value)
{
    sector[kSignatureOffset] = static_cast<uint8_t>(value);
    sector[kSignatureOffset + 1] = static_cast<uint8_t>(value >> 8);
}

std::string PartitionTypeName(uint8_t type)
{
    auto it = TypeNames().find(type);
    if (it != TypeNames().end()) return it->second;
    char text[8];
    std::snprintf(text, sizeof text, "Unkn %02X", type);
    return text;
}

bool IsExtendedLink(uint8_t type)
{
    return type == 0x05 || type == 0x0F;
}

std::string VolumeNameFromBootSector(const SectorBytes& sector)
{
    // FAT-32 keeps its label at byte 71, FAT-12/16 at byte 43; both 11 bytes.
    if (std::string name = LabelAt(sector, 71); !name.empty()) return name;
    if (std::string name = LabelAt(sector, 43); !name.empty()) return name;
    return " -";
}

std::string PartitionListText(const std::vector<std::vector<std::string>>& rows)
{
    const std::string dashes(63, '-');
    std::string text =
        dashes + "\n" + "N  Boot System         Start LBA   End LBA   Size      Name" + "\n" + dashes + "\n";
    for (const auto& row : rows) {
        auto cell = [&row](size_t i) { return i < row.size() ? row[i] : std::string(); };
        text += PadRight(cell(0), 2) + " " + PadRight(cell(1), 5) + PadRight(cell(2), 10) +
                PadLeft(cell(3), 12) + PadLeft(cell(4), 12) + PadLeft(cell(5), 10) + PadLeft(cell(6), 10) +
                "\n";
    }
    return text;
}

} // namespace mrv::views
