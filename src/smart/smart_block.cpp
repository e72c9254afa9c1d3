#include "smart/smart_block.h"

#include <cmath>

namespace mrv
{

namespace
{
constexpr size_t kEntryOffset = 2;
constexpr size_t kEntrySize = 12;
constexpr const char* kDegree = "\xC2\xB0";
} // namespace

uint64_t SmartEntry::RawNumber() const
{
    return static_cast<uint64_t>(RawWord(0)) + static_cast<uint64_t>(RawWord(1)) * 65536u +
           (static_cast<uint64_t>(RawWord(2)) << 32);
}

SmartEntry SmartEntryAt(const uint8_t* block, int index)
{
    const uint8_t* e = block + kEntryOffset + kEntrySize * static_cast<size_t>(index);
    SmartEntry entry;
    entry.id = e[0];
    entry.flags = static_cast<uint16_t>(e[1] | e[2] << 8);
    entry.value = e[3];
    entry.worst = e[4];
    for (size_t i = 0; i < entry.raw.size(); ++i)
        entry.raw[i] = e[5 + i];
    return entry;
}

uint8_t SmartThresholdAt(const uint8_t* thresholds, int index)
{
    return thresholds[kEntryOffset + kEntrySize * static_cast<size_t>(index) + 1];
}

bool ShowsLowWordOnly(uint8_t id)
{
    return id == 5 || id == 191 || id == 196 || id == 197 || id == 198 || id == 221;
}

bool IsTemperatureAttribute(uint8_t id)
{
    return id == 190 || id == 194 || id == 231;
}

uint64_t ShownRawNumber(const SmartEntry& entry)
{
    return ShowsLowWordOnly(entry.id) ? entry.RawWord(0) : entry.RawNumber();
}

std::string TemperatureText(int16_t celsius)
{
    const long fahrenheit = std::lround(celsius * 1.8 + 32);
    return std::to_string(celsius) + kDegree + "C/" + std::to_string(fahrenheit) + kDegree + "F";
}

SmartCollectionStatus SmartCollectionOf(const uint8_t* block)
{
    SmartCollectionStatus s;
    s.offline_status = block[362];
    s.self_test_status = block[363];
    s.offline_seconds = static_cast<uint16_t>(block[364] | block[365] << 8);
    s.short_minutes = block[372];
    s.extended_minutes = block[373];
    return s;
}

std::string OfflineStatusText(uint8_t status)
{
    switch (status) {
    case 0x00:
    case 0x80:
        return "Off-line data collection activity was never started";
    case 0x02:
    case 0x82:
        return "Off-line data collection activity was completed without error";
    case 0x03:
        return "ReservedOff-line activity in progress!";
    case 0x04:
    case 0x84:
        return "Off-line data collection was suspended by command from host";
    case 0x05:
    case 0x85:
        return "Off-line data collection was aborted by command from host";
    case 0x06:
    case 0x86:
        return "Off-line data collection was aborted by device with a fatal error!";
    default:
        return "Unknown status";
    }
}

form::Colour OfflineStatusColour(uint8_t status)
{
    switch (status) {
    case 0x00:
    case 0x80:
        return form::colours::kGray;
    case 0x03:
        return form::Colour::Rgb(255, 128, 0);
    case 0x04:
    case 0x84:
    case 0x05:
    case 0x85:
        return form::colours::kPurple;
    case 0x06:
    case 0x86:
        return form::colours::kRed;
    default:
        return form::colours::kGreen;
    }
}

std::string SelfTestStatusText(uint8_t status)
{
    switch (status) {
    case 0:
        return "The previous self-test routine completed without error or no self-test has ever been run";
    case 1:
        return "The self-test routine was aborted by the host";
    case 2:
        return "The self-test routine was interrupted by the host with a hardware or software reset";
    case 3:
        return "A fatal error or unknown test error occurred while the device was executing its "
               "self-testroutineand the device was unable to complete the self-test routine";
    case 4:
        return "The previous self-test completed having a test element that failed and the test element that "
               "failed is not known";
    case 5:
        return "The previous self-test completed having the electrical element of the test failed";
    case 6:
        return "The previous self-test completed having the servo (and/or seek) test element of the test "
               "failed";
    case 15:
        return "Self-test routine in progress !!!";
    default:
        return "The previous self-test completed having the read element of the test failed";
    }
}

form::Colour SelfTestStatusColour(uint8_t status)
{
    switch (status) {
    case 0:
        return form::colours::kGreen;
    case 1:
        return form::colours::kPurple;
    case 2:
        return form::colours::kBlue;
    case 15:
        return form::Colour::Rgb(255, 128, 0);
    default:
        return form::colours::kRed;
    }
}

int SmartMeterPosition(uint8_t self_test_byte)
{
    int remaining = self_test_byte & 0x0F;
    if (remaining == 0 || remaining > 10) remaining = 10;
    return 10 - remaining;
}

SmartVerdict VerdictFromRegisters(uint8_t lba_mid, uint8_t lba_high)
{
    return lba_mid == 0x4F && lba_high == 0xC2 ? SmartVerdict::Good : SmartVerdict::Bad;
}

} // namespace mrv
