#include "smart/smart_attribute_names.h"

#include <array>
#include <initializer_list>

namespace mrv
{

namespace
{

/// A family-specific name; the families are tested in the order written.
struct FamilyName {
    std::initializer_list<uint8_t> families;
    const char* name;
};

struct AttributeName {
    uint8_t id;
    const char* name; ///< for every family without a variant
    std::initializer_list<FamilyName> variants;
};

// clang-format off
const AttributeName kNames[] = {
    {1, "Raw read error count", {{{3}, "OTF Errors"}}},
    {2, "Throughput perfomance", {}},
    {3, "Spin-up time", {{{15}, "Power ready time"}}},
    {4, "Number of spin-up times", {}},
    {5, "Reallocated sector count", {}},
    {6, "Read channel margin", {}},
    {7, "Seek error rate", {}},
    {8, "Seek time perfomance", {}},
    {9, "Power-on time", {}},
    {10, "Spin-up retries", {}},
    {11, "Recalibration retries", {{{15}, "HP Meta Rebuild Count"}}},
    {12, "Start/stop count", {{{2, 7, 13, 15}, "Power cycle count"}}},
    {13, "Soft read error rate", {}},
    {14, "Test track recycle failure", {}},
    {15, "Data path protection failure", {}},
    {16, "Gas gauge", {}},
    {22, "Current HELIUM level", {}},
    {96, "Average MRR (Maxtor)", {}},
    {97, "Minimum MRR (Maxtor)", {}},
    {98, "Maximum MRR (Maxtor)", {}},
    {99, "Average FHC", {}},
    {100, "Erase/program cycles Count", {{{3}, "Max Negative FHC"}, {{15}, "Erase/Program Cycles Count"}}},
    {101, "Flying height control", {{{3}, "Max positive FHC"}, {{15}, "DevSleep exit count"}}},
    {102, "Entering PS1 count", {}},
    {103, "Translation table rebuild", {}},
    {160, "Uncorrectable sector count read or write", {}},
    {161, "Number of valid spare block", {}},
    {162, "Spare block count", {}},
    {163, "Number of initial invalid block", {}},
    {164, "Total erase count", {}},
    {165, "Maximum erase count", {}},
    {166, "Minimum erase count", {}},
    {167, "SDD protect mode / Average erase count", {}},
    {168, "Max NAND erase count from specification", {}},
    {169, "Total bad block bount / SMI remain life (percentage)", {}},
    {170, "Reserved block count", {}},
    {171, "Program fail block count", {}},
    {172, "Erase fail block count", {}},
    {173, "Wear leveling erase count worst", {}},
    {174, "Unexpected power loss count", {}},
    {175, "SMI program fail count in worst die", {}},
    {176, "Erase fail count in worst die", {}},
    {177, "Wear leveling count total", {}},
    {178, "Used reserved block count (Chip)", {}},
    {179, "Used Reserved block count (Total)", {}},
    {180, "Unused Reserved Block Count (Total)", {}},
    {181, "Program Fail Count (Total)", {}},
    {182, "Erase Fail Count (Total)", {}},
    {183, "Runtime Bad Block (Total)", {}},
    {184, "I/O CRC Error Detection Count Total", {}},
    {185, "Head Stability", {}},
    {186, "Induced Op-Vibration Detection", {}},
    {187, "Uncorrectable Errors", {}},
    {188, "Command timeout count", {}},
    {189, "High Fly writes", {{{15}, "Temperature"}}},
    {190, "Airflow temperature", {{{15}, "First Temperature"}}},
    {191, "G-SENSOR shock counter", {}},
    {192, "Power-off retract count", {{{1, 14}, "Emergency retract cycles"}, {{15}, "Unsafe shutdown count"}}},
    {193, "Load/unload cycle count", {}},
    {194, "HDA Temperature", {{{15}, "Temperature controller"}}},
    {195, "Hardware ECC recovered", {{{1, 14}, "ECC on the fly count"}}},
    {196, "Reallocated event count", {}},
    {197, "Current pending sectors", {}},
    {198, "Offline scan UNC sectors", {}},
    {199, "Ultra DMA CRC errors", {}},
    {200, "Write error rate", {{{5}, "Multi zone error rate"}, {{15}, "Used reserved block count"}}},
    {201, "Off-track errors count", {{{15}, "Uncorrectable Soft Read Error Rate"}, {{1, 2, 7, 13, 14}, "Detected TA count"}}},
    {202, "Erase Fail Count", {{{15}, "Percentage of drive life used"}, {{1, 14}, "Thermal Asperity Increased"}, {{3}, "Data Address Mark Errors"}}},
    {203, "ECC Errors count", {{{15}, "Wear leveling count"}, {{1, 14}, "Run out cancel"}}},
    {204, "Soft ECC corrections Count", {{{1, 14}, "Shock count WR operations"}}},
    {205, "Thermal Asperity Rate", {{{15}, "Max PE count spec"}, {{1, 14}, "Shock rate WR operations"}}},
    {206, "Calibration Time", {{{15}, "Min Erase Count"}, {{1, 14}, "Flying height"}}},
    {207, "Spin high current", {{{15}, "Max erase count"}}},
    {208, "Spin buzzes count", {{{15}, "Erase count average"}}},
    {209, "Offline seek perfomance", {{{15}, "Remaining drive life in % by erase count"}}},
    {210, "Vibration during write", {}},
    {211, "Vibration during read", {{{2, 7, 13}, "Spin running current"}}},
    {212, "Shock during write", {{{2, 7, 13}, "SSM errors count"}}},
    {213, "Gr seek err/RRO-C ERP cnt", {}},
    {214, "Ground load errors eount", {}},
    {215, "Ground SpinUp errors", {}},
    {216, "Unexpectant errors eount", {}},
    {217, "Unlock/Mis read count", {}},
    {218, "FlashROM ECC corr. count", {}},
    {220, "Disk shift", {}},
    {221, "G-SENSOR shock counter", {}},
    {222, "Loaded hours", {}},
    {223, "Load retry count", {}},
    {224, "Load friction", {}},
    {225, "Load cycle count", {{{15}, "Host total LBAs written"}}},
    {226, "Load-in time", {{{15}, "Timed workload media wear indicator"}}},
    {227, "Torque amplification", {{{15}, "Timed workload host reads percentage"}}},
    {228, "Power-off retract count", {{{15}, "Workload timer"}}},
    {229, "Fly height measurement", {{{15}, "Halt system ID, flash ID"}}},
    {230, "GMR head amplitude", {{{15}, "Drive life protection status"}}},
    {231, "HDA Temperature", {{{15}, "SSD Life Remaining"}}},
    {232, "Available Reserved Space", {}},
    {233, "Power-On Hours", {{{15}, "Writes to flash"}}},
    {234, "Average erase count and maximum erase Count", {}},
    {235, "POR recovery count", {}},
    {236, "Second Temperature", {}},
    {240, "Head flying hours", {}},
    {241, "Total LBA write", {}},
    {242, "Total LBA read", {}},
    {243, "SATA interface downshifts", {}},
    {244, "Total LBAs Read Expanded", {{{15}, "Thermal Throttle Status"}}},
    {245, "Timed Workload Media Wear", {}},
    {246, "Timed Workload Host Read/Write Ratio", {}},
    {247, "Timed Workload Timer", {}},
    {248, "Remaining Life Percentage", {}},
    {249, "Remaining Spare Block Percentage", {}},
    {250, "Read error retry rate", {}},
    {251, "Non-GuaTempHours (?)", {{{15}, "Writes to flash"}}},
    {252, "Reported errors count", {}},
    {254, "G-SENSOR shock counter", {}},
};
// clang-format on

/// Index by ID into kNames, −1 for unlisted IDs.
const std::array<int16_t, 256>& Index()
{
    static const std::array<int16_t, 256> index = [] {
        std::array<int16_t, 256> by_id{};
        by_id.fill(-1);
        for (size_t i = 0; i < std::size(kNames); ++i)
            by_id[kNames[i].id] = static_cast<int16_t>(i);
        return by_id;
    }();
    return index;
}

} // namespace

bool SmartAttributeKnown(uint8_t id)
{
    return Index()[id] >= 0;
}

std::string SmartAttributeName(uint8_t id, uint8_t model_family)
{
    const int16_t at = Index()[id];
    if (at < 0) return "unknown attribut";
    const AttributeName& entry = kNames[at];
    for (const FamilyName& variant : entry.variants)
        for (uint8_t family : variant.families)
            if (family == model_family) return variant.name;
    return entry.name;
}

} // namespace mrv
