#include "platform/sat.h"

namespace mrv
{

namespace
{

constexpr uint8_t kAtaReturnDescriptor = 0x09;
constexpr uint8_t kAtaReturnDescriptorLength = 0x0C;

bool DecodeDescriptor(const uint8_t* sense, size_t length, AtaRegisters& regs)
{
    if (length < 8) return false;
    // The descriptors follow the 8-byte header; the additional length bounds them.
    size_t end = 8 + static_cast<size_t>(sense[7]);
    if (end > length) end = length;
    size_t at = 8;
    while (at + 2 <= end) {
        const uint8_t code = sense[at];
        const size_t size = 2 + static_cast<size_t>(sense[at + 1]);
        if (code == kAtaReturnDescriptor) {
            if (sense[at + 1] < kAtaReturnDescriptorLength || at + 14 > end) return false;
            const uint8_t* d = sense + at;
            // With EXTEND the previous bytes sit before each current one.
            const bool extend = (d[2] & 0x01) != 0;
            auto pair = [&](int index) {
                return static_cast<uint16_t>((extend ? d[index - 1] << 8 : 0) | d[index]);
            };
            regs.features = d[3];
            regs.count = pair(5);
            regs.lba_low = pair(7);
            regs.lba_mid = pair(9);
            regs.lba_high = pair(11);
            regs.device = d[12];
            regs.command = d[13];
            return true;
        }
        at += size;
    }
    return false;
}

bool DecodeFixed(const uint8_t* sense, size_t length, AtaRegisters& regs)
{
    const bool info_valid = (sense[0] & 0x80) != 0;
    const bool info_nonzero = length >= 7 && (sense[3] | sense[4] | sense[5] | sense[6]) != 0;
    if (info_valid || info_nonzero) {
        if (length < 12) return false;
        regs = RegistersFromBytes(sense, {.features = 3,
                                          .count = 6,
                                          .lba_low = 9,
                                          .lba_mid = 10,
                                          .lba_high = 11,
                                          .device = 5,
                                          .command = 4});
        return true;
    }
    // Older libata: registers placed from byte 8 on, the INFORMATION field left zero.
    if (length < 12 || sense[9] == 0) return false; // a status of 0 means nothing was placed
    regs.features = sense[8];
    regs.command = sense[9];
    regs.device = sense[10];
    regs.count = sense[11];
    // The additional length of that layout stops at byte 17, so LBA bytes may be cut off.
    if (length > 17) regs.lba_low = sense[17];
    if (length > 18) regs.lba_mid = sense[18];
    if (length > 19) regs.lba_high = sense[19];
    return true;
}

struct ProtocolBytes {
    uint8_t protocol; ///< the protocol field, shifted into place
    uint8_t flags;    ///< T_DIR, BYT_BLOK, T_LENGTH
};

constexpr uint8_t kCkCond = 0x20;
constexpr uint8_t kExtend = 0x01;

// The 16-byte form transfers by blocks with the length in the count field for
// every kind; the 12-byte form names a transfer only for PIO data-in.
ProtocolBytes Bytes16(AtaProtocol protocol)
{
    switch (protocol) {
    case AtaProtocol::PioIn:
        return {4 << 1, 0x0E};
    case AtaProtocol::PioOut:
        return {5 << 1, 0x06};
    case AtaProtocol::NonData:
        break;
    }
    return {3 << 1, 0x0C};
}

ProtocolBytes Bytes12(AtaProtocol protocol)
{
    switch (protocol) {
    case AtaProtocol::PioIn:
        return {4 << 1, 0x0E};
    case AtaProtocol::PioOut:
        return {5 << 1, 0x00};
    case AtaProtocol::NonData:
        break;
    }
    return {3 << 1, 0x00};
}

uint8_t Low(uint16_t value)
{
    return static_cast<uint8_t>(value);
}
uint8_t High(uint16_t value)
{
    return static_cast<uint8_t>(value >> 8);
}

} // namespace

std::array<uint8_t, 16> BuildAtaPassThrough16(const AtaCommand& c)
{
    const ProtocolBytes b = Bytes16(c.protocol);
    const AtaRegisters& r = c.in;
    const bool ext = c.ext;
    const uint8_t flags = static_cast<uint8_t>(b.flags | (c.want_registers ? kCkCond : 0));
    return {0x85,
            static_cast<uint8_t>(b.protocol | kExtend),
            flags,
            ext ? High(r.features) : uint8_t{0},
            Low(r.features),
            ext ? High(r.count) : uint8_t{0},
            Low(r.count),
            ext ? High(r.lba_low) : uint8_t{0},
            Low(r.lba_low),
            ext ? High(r.lba_mid) : uint8_t{0},
            Low(r.lba_mid),
            ext ? High(r.lba_high) : uint8_t{0},
            Low(r.lba_high),
            r.device,
            r.command,
            0};
}

std::array<uint8_t, 12> BuildAtaPassThrough12(const AtaCommand& c)
{
    const ProtocolBytes b = Bytes12(c.protocol);
    const AtaRegisters& r = c.in;
    const uint8_t flags = static_cast<uint8_t>(b.flags | (c.want_registers ? kCkCond : 0));
    return {0xA1,
            b.protocol,
            flags,
            Low(r.features),
            Low(r.count),
            Low(r.lba_low),
            Low(r.lba_mid),
            Low(r.lba_high),
            r.device,
            r.command,
            0,
            0};
}

bool DecodeAtaSenseRegisters(const uint8_t* sense, size_t length, AtaRegisters& regs)
{
    if (sense == nullptr || length < 8) return false;
    const uint8_t response = sense[0] & 0x7F;
    if (response == 0x72 || response == 0x73) return DecodeDescriptor(sense, length, regs);
    if (response == 0x70 || response == 0x71) return DecodeFixed(sense, length, regs);
    return false;
}

bool DecodeAtaReturn(const uint8_t* sense, size_t length, AtaRegisters& registers)
{
    AtaRegisters regs;
    if (!DecodeAtaSenseRegisters(sense, length, regs)) return false;
    if (regs.command == 0 || (regs.command & ata_bits::kBsy) != 0) return false;
    registers = regs;
    return true;
}

int SenseKey(const uint8_t* sense, size_t length)
{
    if (sense == nullptr || length < 3) return -1;
    const uint8_t response = sense[0] & 0x7F;
    if (response == 0x70 || response == 0x71) return sense[2] & 0x0F;
    if (response == 0x72 || response == 0x73) return sense[1] & 0x0F;
    return -1;
}

bool IsAtaPassThroughSuccess(const uint8_t* sense, size_t length)
{
    const int key = SenseKey(sense, length);
    // NO SENSE or RECOVERED ERROR: the command ran; ABORTED COMMAND etc. did not.
    if (key != 0 && key != 1) return false;
    AtaRegisters r;
    if (!DecodeAtaReturn(sense, length, r)) return false;
    return (r.command & (ata_bits::kErr | ata_bits::kDf)) == 0;
}

} // namespace mrv
