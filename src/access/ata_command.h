#pragma once
// One ATA command as a value: the input registers, 28- or 48-bit, the protocol
// and the data buffer, and the registers the drive returned. Every transport
// (the PIO task file, pass-through requests) takes the same value.

#include <cstddef>
#include <cstdint>

namespace mrv
{

enum class AtaProtocol { NonData, PioIn, PioOut };

/// Task-file registers. In a 48-bit command each register is two bytes deep:
/// bits 15–8 are the "previous" byte, written first.
struct AtaTaskRegisters {
    uint16_t features = 0; ///< error on output
    uint16_t count = 0;
    uint16_t lba_low = 0;  ///< sector number
    uint16_t lba_mid = 0;  ///< cylinder low
    uint16_t lba_high = 0; ///< cylinder high
    uint8_t device = 0;
    uint8_t command = 0; ///< status on output
    friend bool operator==(const AtaTaskRegisters&, const AtaTaskRegisters&) = default;
};

/// Status bits as the indicator lamps name them.
namespace ata_bits
{
inline constexpr uint8_t kBsy = 0x80;
inline constexpr uint8_t kDrdy = 0x40;
inline constexpr uint8_t kDf = 0x20;
inline constexpr uint8_t kDsc = 0x10;
inline constexpr uint8_t kDrq = 0x08;
inline constexpr uint8_t kCorr = 0x04;
inline constexpr uint8_t kIdx = 0x02;
inline constexpr uint8_t kErr = 0x01;
/// Device control register.
inline constexpr uint8_t kSrst = 0x04;
inline constexpr uint8_t kHob = 0x80;
} // namespace ata_bits

/// The highest LBA a 28-bit command can carry.
inline constexpr uint64_t kMaxLba28 = 0x0FFFFFFF;

struct AtaCommand {
    AtaTaskRegisters in;
    /// 48-bit: the previous bytes are loaded before the current ones.
    bool ext = false;
    AtaProtocol protocol = AtaProtocol::NonData;
    /// Data of the PIO protocols, 512 bytes per sector of `in.count`.
    uint8_t* data = nullptr;
    size_t data_length = 0;

    /// Filled by the transport.
    struct Output {
        bool timed_out = false;
        uint8_t status = 0;
        uint8_t error = 0;
        uint16_t count = 0; ///< previous byte in bits 15–8 for 48-bit commands
        uint64_t lba = 0;   ///< 28 or 48 bits as the command was
        uint8_t device = 0;
    } out;

    /// Sector count; 0 stands for 256 (28-bit) or 65536 (48-bit).
    uint32_t Sectors() const;
    /// The LBA the input registers address.
    uint64_t Lba() const;
    /// Succeeded: answered in time without ERR or DF.
    bool Ok() const;

    static AtaCommand TaskFile28(uint8_t features, uint8_t count, uint8_t command, uint8_t device,
                                 uint8_t cyl_high, uint8_t cyl_low, uint8_t sector);
    static AtaCommand TaskFile48(uint16_t features, uint16_t count, uint16_t low, uint16_t mid, uint16_t high,
                                 uint8_t device, uint8_t command);
    /// LBA addressing, device 0xE0 with LBA bits 27–24.
    static AtaCommand Lba28(uint8_t count, uint8_t command, uint64_t lba);
    /// LBA addressing, device 0xE0; each register pair holds (LBA bits of the
    /// previous byte, LBA bits of the current byte).
    static AtaCommand Lba48(uint16_t count, uint8_t command, uint64_t lba);
};

/// The 48-bit command that serves a 28-bit block command (READ, WRITE, VERIFY,
/// SEEK and the max-address commands); 0x00 for any other command.
uint8_t ExtendedBlockCommand(uint8_t command);

} // namespace mrv
