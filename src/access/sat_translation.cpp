#include "access/sat_translation.h"

#include "access/scsi_sense.h"

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
    if (sense == nullptr || length < 8) return false;
    const uint8_t response = sense[0] & 0x7F;
    if (response == 0x72 || response == 0x73) {
        size_t end = 8 + static_cast<size_t>(sense[7]);
        if (end > length) end = length;
        size_t at = 8;
        while (at + 2 <= end) {
            const uint8_t code = sense[at];
            const size_t size = 2 + static_cast<size_t>(sense[at + 1]);
            if (code == 0x09 && at + 14 <= end) {
                const uint8_t* d = sense + at;
                r.error = d[3];
                r.count = d[5];
                r.lba_low = d[7];
                r.lba_mid = d[9];
                r.lba_high = d[11];
                r.device = d[12];
                r.status = d[13];
                return true;
            }
            at += size;
        }
        return false;
    }
    if (response != 0x70 && response != 0x71) return false;
    // Fixed format only carries registers with "ATA PASS-THROUGH INFORMATION
    // AVAILABLE" (00h/1Dh) or after an ATA error that aborted the command.
    if (length < 12) return false;
    const bool valid = (sense[0] & 0x80) != 0;
    auto at = [&](size_t i) -> uint8_t { return i < length ? sense[i] : 0; };
    if (valid) {
        r.error = at(3);
        r.status = at(4);
        r.device = at(5);
        r.count = at(6);
        r.lba_low = at(9);
        r.lba_mid = at(10);
        r.lba_high = at(11);
    } else {
        r.error = at(8);
        r.status = at(9);
        r.device = at(10);
        r.count = at(11);
        r.lba_low = at(17);
        r.lba_mid = at(18);
        r.lba_high = at(19);
    }
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
