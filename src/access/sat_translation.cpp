#include "access/sat_translation.h"

#include "access/scsi_sense.h"
#include "platform/ata_sense_registers.h"

namespace mrv
{

namespace
{

struct ProtocolBytes {
    uint8_t protocol;
    uint8_t flags;
};

// Byte 1: protocol << 1 | EXTEND; byte 2: CK_COND, T_DIR, BYT_BLOK, T_LENGTH.
// The result-returning kind is a non-data command with CK_COND set, so that
// the translation hands the registers back in the sense data.
ProtocolBytes Bytes16(SatKind kind)
{
    switch (kind) {
    case SatKind::NonData:
        return {0x07, 0x0C};
    case SatKind::PioIn:
        return {0x09, 0x0E};
    case SatKind::PioOut:
        return {0x0B, 0x06};
    case SatKind::NonDataResult:
        return {0x07, 0x2C};
    }
    return {0x07, 0x0C};
}

ProtocolBytes Bytes12(SatKind kind)
{
    switch (kind) {
    case SatKind::NonData:
        return {0x06, 0x00};
    case SatKind::PioIn:
        return {0x08, 0x0E};
    case SatKind::PioOut:
        return {0x0A, 0x00};
    case SatKind::NonDataResult:
        return {0x06, 0x20};
    }
    return {0x06, 0x00};
}

} // namespace

std::array<uint8_t, 16> BuildAtaPassThrough16(const SatCommand& c)
{
    const ProtocolBytes b = Bytes16(c.kind);
    return {0x85,      b.protocol, b.flags,   0, c.features, 0,        c.count,   0,
            c.lba_low, 0,          c.lba_mid, 0, c.lba_high, c.device, c.command, 0};
}

std::array<uint8_t, 12> BuildAtaPassThrough12(const SatCommand& c)
{
    const ProtocolBytes b = Bytes12(c.kind);
    return {0xA1,      b.protocol, b.flags,  c.features, c.count, c.lba_low,
            c.lba_mid, c.lba_high, c.device, c.command,  0,       0};
}

bool DecodeAtaReturn(const uint8_t* sense, size_t length, AtaResultRegisters& r)
{
    IdeRegisters regs;
    if (!DecodeAtaSenseRegisters(sense, length, regs)) return false;
    r.error = regs.features;
    r.status = regs.command;
    r.device = regs.device;
    r.count = regs.count;
    r.lba_low = regs.lba_low;
    r.lba_mid = regs.lba_mid;
    r.lba_high = regs.lba_high;
    // A status register with BSY set or nothing set is no register copy.
    return r.status != 0 && (r.status & 0x80) == 0;
}

bool IsAtaPassThroughSuccess(const uint8_t* sense, size_t length)
{
    const int key = SenseKey(sense, length);
    // NO SENSE or RECOVERED ERROR: the command ran; ABORTED COMMAND etc. did not.
    if (key != 0 && key != 1) return false;
    AtaResultRegisters r;
    if (!DecodeAtaReturn(sense, length, r)) return false;
    return (r.status & 0x21) == 0; // neither ERR nor DF
}

} // namespace mrv
