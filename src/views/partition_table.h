#pragma once
// The pieces of a partition table sector (master or extended boot record) and
// of a volume boot sector that the partition viewer reads, and the text its
// list is copied as. Pure functions of the sector bytes.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mrv::views
{

/// Boot signatures at byte 510: the valid one and the one that hides the table.
inline constexpr uint16_t kMbrSignatureOn = 0xAA55;
inline constexpr uint16_t kMbrSignatureOff = 0x88CC;
inline constexpr size_t kSignatureOffset = 510;

/// One of the four 16-byte entries at 446, 462, 478 and 494.
struct PartitionEntry {
    uint8_t boot = 0; ///< 80h active, 00h inactive
    uint8_t type = 0;
    uint32_t start = 0; ///< relative to the table's base
    uint32_t count = 0;
};

using SectorBytes = std::array<uint8_t, 512>;

PartitionEntry ReadPartitionEntry(const SectorBytes& sector, int index);
uint16_t BootSignature(const SectorBytes& sector);
void SetBootSignature(SectorBytes& sector, uint16_t value);

/// The type's name ("NTFS", "extn", "not used" ...), "Unkn " + two hex digits
/// for a type without one.
std::string PartitionTypeName(uint8_t type);
/// Types 05h and 0Fh: a link to the next extended boot record.
bool IsExtendedLink(uint8_t type);

/// The volume label of a FAT boot sector: the FAT-32 label field, else the
/// FAT-12/16 one, " -" when neither holds a label.
std::string VolumeNameFromBootSector(const SectorBytes& sector);

/// The partition list as plain text for the clipboard: a dashed header and
/// one line per row. A row holds the cells N, Boot, System, Start LBA, End LBA,
/// Size and Name.
std::string PartitionListText(const std::vector<std::vector<std::string>>& rows);

} // namespace mrv::views
