#pragma once
// The ATA task-file register file of one device, with the previous ("HOB")
// copies that 48-bit commands use.

#include <cstdint>

namespace mrv::sim
{

namespace ata_status
{
inline constexpr uint8_t kBsy = 0x80;
inline constexpr uint8_t kDrdy = 0x40;
inline constexpr uint8_t kDf = 0x20;
inline constexpr uint8_t kDsc = 0x10;
inline constexpr uint8_t kDrq = 0x08;
inline constexpr uint8_t kErr = 0x01;
} // namespace ata_status

namespace ata_error
{
inline constexpr uint8_t kAmnf = 0x01;
inline constexpr uint8_t kAbrt = 0x04;
inline constexpr uint8_t kIdnf = 0x10;
inline constexpr uint8_t kUnc = 0x40;
inline constexpr uint8_t kIcrc = 0x80;
} // namespace ata_error

/// Offsets from the command-block base.
enum class AtaReg : uint8_t {
    Data = 0,
    Error = 1,
    Count = 2,
    LbaLow = 3,
    LbaMid = 4,
    LbaHigh = 5,
    Device = 6,
    Status = 7
};

/// The register file inside the emulated device (with status, error and the
/// previous-byte FIFO); hosts exchange `mrv::AtaRegisters` with it.
struct DeviceRegisterFile {
    uint8_t features = 0, features_prev = 0;
    uint8_t count = 0, count_prev = 0;
    uint8_t lba_low = 0, lba_low_prev = 0;
    uint8_t lba_mid = 0, lba_mid_prev = 0;
    uint8_t lba_high = 0, lba_high_prev = 0;
    uint8_t device = 0;
    uint8_t command = 0;
    uint8_t status = 0x50;
    uint8_t error = 0x01;

    /// A host write pushes the old value into the previous copy (the 48-bit FIFO).
    static void Push(uint8_t& cur, uint8_t& prev, uint8_t value)
    {
        prev = cur;
        cur = value;
    }

    uint64_t Lba28() const
    {
        return static_cast<uint64_t>(device & 0x0F) << 24 | static_cast<uint64_t>(lba_high) << 16 |
               static_cast<uint64_t>(lba_mid) << 8 | lba_low;
    }
    uint64_t Lba48() const
    {
        return static_cast<uint64_t>(lba_high_prev) << 40 | static_cast<uint64_t>(lba_mid_prev) << 32 |
               static_cast<uint64_t>(lba_low_prev) << 24 | static_cast<uint64_t>(lba_high) << 16 |
               static_cast<uint64_t>(lba_mid) << 8 | lba_low;
    }
    /// Sector count; 0 means 256 (28-bit) or 65536 (48-bit).
    uint32_t Count28() const { return count == 0 ? 256u : count; }
    uint32_t Count48() const
    {
        const uint32_t c = static_cast<uint32_t>(count_prev) << 8 | count;
        return c == 0 ? 65536u : c;
    }
    uint16_t Features16() const { return static_cast<uint16_t>(features_prev << 8 | features); }

    void SetLba28(uint64_t lba)
    {
        lba_low = static_cast<uint8_t>(lba);
        lba_mid = static_cast<uint8_t>(lba >> 8);
        lba_high = static_cast<uint8_t>(lba >> 16);
        device = static_cast<uint8_t>((device & 0xF0) | ((lba >> 24) & 0x0F));
    }
    void SetLba48(uint64_t lba)
    {
        lba_low = static_cast<uint8_t>(lba);
        lba_mid = static_cast<uint8_t>(lba >> 8);
        lba_high = static_cast<uint8_t>(lba >> 16);
        lba_low_prev = static_cast<uint8_t>(lba >> 24);
        lba_mid_prev = static_cast<uint8_t>(lba >> 32);
        lba_high_prev = static_cast<uint8_t>(lba >> 40);
    }
};

} // namespace mrv::sim
