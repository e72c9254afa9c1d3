#include "sim/usb_bridge.h"

#include <algorithm>
#include <cstring>

namespace mrv::sim
{

namespace
{

constexpr uint8_t kGood = 0x00;
constexpr uint8_t kCheckCondition = 0x02;

constexpr uint8_t kRecoveredError = 0x01;
constexpr uint8_t kMediumError = 0x03;
constexpr uint8_t kIllegalRequest = 0x05;
constexpr uint8_t kAbortedCommand = 0x0B;

void PutText(uint8_t* dst, size_t size, const std::string& text)
{
    for (size_t i = 0; i < size; ++i)
        dst[i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}

void Copy(const ScsiRequest& request, ScsiReply& reply, const uint8_t* src, size_t size)
{
    const size_t n = std::min<size_t>(size, request.data_length);
    if (request.data != nullptr && n != 0) std::memcpy(request.data, src, n);
    reply.data_transferred = static_cast<uint32_t>(n);
}

uint64_t BigEndian(const uint8_t* at, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | at[i];
    return v;
}

/// Error of a failed data command as a system error number when the request
/// itself could not finish.
/// A bridge waits for its drive longer than any host request does.
constexpr uint32_t kBridgeTimeoutSeconds = 30;

uint32_t TimeoutError()
{
    return 121;
}

/// Descriptor sense (72h) carrying the ATA registers after a command.
void AtaReturnSense(ScsiReply& reply, uint8_t key, uint8_t asc, uint8_t ascq, const AtaResult& out, bool ext)
{
    reply.scsi_status = kCheckCondition;
    reply.sense.fill(0);
    uint8_t* s = reply.sense.data();
    s[0] = 0x72;
    s[1] = key;
    s[2] = asc;
    s[3] = ascq;
    s[7] = 14;
    uint8_t* d = s + 8;
    d[0] = 0x09;
    d[1] = 0x0C;
    d[2] = ext ? 1 : 0;
    d[3] = out.error;
    d[4] = static_cast<uint8_t>(out.count >> 8);
    d[5] = static_cast<uint8_t>(out.count);
    d[6] = static_cast<uint8_t>(out.lba >> 24);
    d[7] = static_cast<uint8_t>(out.lba);
    d[8] = static_cast<uint8_t>(out.lba >> 32);
    d[9] = static_cast<uint8_t>(out.lba >> 8);
    d[10] = static_cast<uint8_t>(out.lba >> 40);
    d[11] = static_cast<uint8_t>(out.lba >> 16);
    d[12] = out.device;
    d[13] = out.status;
    reply.sense_length = 22;
}

} // namespace

void FixedSense(ScsiReply& reply, uint8_t key, uint8_t asc, uint8_t ascq, const uint64_t* information)
{
    reply.scsi_status = kCheckCondition;
    reply.sense.fill(0);
    uint8_t* s = reply.sense.data();
    s[0] = 0x70;
    s[2] = key;
    if (information != nullptr) {
        s[0] |= 0x80;
        for (int i = 0; i < 4; ++i)
            s[3 + i] = static_cast<uint8_t>(*information >> (24 - 8 * i));
    }
    s[7] = 10;
    s[12] = asc;
    s[13] = ascq;
    reply.sense_length = 18;
}

AtaCommand UsbBridge::BlockCommand(uint8_t command28, uint8_t command48, uint64_t lba, uint32_t count)
{
    const bool ext = lba + count - 1 > 0x0FFFFFFF || count > 256;
    AtaCommand c = ext ? AtaCommand::Lba48(static_cast<uint16_t>(count == 65536 ? 0 : count), command48, lba)
                       : AtaCommand::Lba28(static_cast<uint8_t>(count == 256 ? 0 : count), command28, lba);
    c.timeout_seconds = kBridgeTimeoutSeconds;
    return c;
}

bool UsbBridge::Execute(const ScsiRequest& request, ScsiReply& reply, uint32_t& error)
{
    reply = ScsiReply{};
    error = 0;
    const uint8_t* cdb = request.cdb.data();
    switch (cdb[0]) {
    case 0x00: // TEST UNIT READY
        reply.scsi_status = kGood;
        return true;
    case 0x12:
        Inquiry(request, reply);
        return true;
    case 0x25:
        ReadCapacity10(request, reply);
        return true;
    case 0x9E:
        if ((cdb[1] & 0x1F) == 0x10) {
            ReadCapacity16(request, reply);
            return true;
        }
        break;
    case 0x2F:
        return Verify(BigEndian(cdb + 2, 4), static_cast<uint32_t>(BigEndian(cdb + 7, 2)), reply, error);
    case 0x8F:
        return Verify(BigEndian(cdb + 2, 8), static_cast<uint32_t>(BigEndian(cdb + 10, 4)), reply, error);
    case 0x1B:
        return StartStop(request, reply, error);
    case 0x85:
        if (caps_.ata_pass_through_16 && request.cdb_length >= 16)
            return AtaPassThrough(request, reply, error);
        break;
    case 0xA1:
        if (caps_.ata_pass_through_12 && request.cdb_length >= 12)
            return AtaPassThrough(request, reply, error);
        break;
    default:
        break;
    }
    FixedSense(reply, kIllegalRequest, 0x20, 0x00); // INVALID COMMAND OPERATION CODE
    return true;
}

void UsbBridge::Inquiry(const ScsiRequest& request, ScsiReply& reply)
{
    const DriveConfig& c = drive_.Config();
    uint8_t data[96] = {};
    data[0] = 0x00; // direct-access block device
    data[2] = 0x05;
    data[3] = 0x02;
    data[4] = sizeof data - 5;
    PutText(data + 8, 8, caps_.vendor);
    PutText(data + 16, 16, c.model);
    PutText(data + 32, 4, c.firmware);
    const size_t allocation = request.cdb[4];
    Copy(request, reply, data, std::min<size_t>(sizeof data, allocation));
    reply.scsi_status = kGood;
}

void UsbBridge::ReadCapacity10(const ScsiRequest& request, ScsiReply& reply)
{
    uint8_t data[8] = {};
    const uint64_t last = Sectors() == 0 ? 0 : Sectors() - 1;
    const uint32_t shown = last > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(last);
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<uint8_t>(shown >> (24 - 8 * i));
    for (int i = 0; i < 4; ++i)
        data[4 + i] = static_cast<uint8_t>(SectorSize() >> (24 - 8 * i));
    Copy(request, reply, data, sizeof data);
    reply.scsi_status = kGood;
}

void UsbBridge::ReadCapacity16(const ScsiRequest& request, ScsiReply& reply)
{
    uint8_t data[32] = {};
    const uint64_t last = Sectors() == 0 ? 0 : Sectors() - 1;
    for (int i = 0; i < 8; ++i)
        data[i] = static_cast<uint8_t>(last >> (56 - 8 * i));
    for (int i = 0; i < 4; ++i)
        data[8 + i] = static_cast<uint8_t>(SectorSize() >> (24 - 8 * i));
    const size_t allocation = static_cast<size_t>(BigEndian(request.cdb.data() + 10, 4));
    Copy(request, reply, data, std::min<size_t>(sizeof data, allocation));
    reply.scsi_status = kGood;
}

bool UsbBridge::Verify(uint64_t lba, uint32_t count, ScsiReply& reply, uint32_t& error)
{
    if (count == 0) {
        reply.scsi_status = kGood;
        return true;
    }
    if (lba >= Sectors() || count > Sectors() - lba) {
        FixedSense(reply, kIllegalRequest, 0x21, 0x00); // LBA OUT OF RANGE
        return true;
    }
    const bool lba48 = drive_.Config().lba48;
    while (count > 0) {
        const uint32_t chunk = std::min<uint32_t>(count, lba48 ? 65536 : 256);
        const AtaCommand c = BlockCommand(0x40, 0x42, lba, chunk);
        const AtaResult out = drive_.Execute(c);
        if (out.timed_out) {
            error = TimeoutError();
            return false;
        }
        if (!out.Ok()) {
            uint64_t failed = out.lba;
            if ((out.error & 0x40) != 0) // UNC: unrecovered read error at the failing sector
                FixedSense(reply, kMediumError, 0x11, 0x00, &failed);
            else if ((out.error & 0x10) != 0)
                FixedSense(reply, kMediumError, 0x14, 0x01, &failed); // record not found
            else
                FixedSense(reply, kAbortedCommand, 0x00, 0x00);
            return true;
        }
        lba += chunk;
        count -= chunk;
    }
    reply.scsi_status = kGood;
    return true;
}

bool UsbBridge::StartStop(const ScsiRequest& request, ScsiReply& reply, uint32_t& error)
{
    AtaCommand c;
    c.in.command = (request.cdb[4] & 0x01) != 0 ? 0xE1 : 0xE0; // IDLE / STANDBY IMMEDIATE
    c.in.device = 0xE0;
    c.timeout_seconds = kBridgeTimeoutSeconds;
    const AtaResult out = drive_.Execute(c);
    if (out.timed_out) {
        error = TimeoutError();
        return false;
    }
    if (!out.Ok())
        FixedSense(reply, kAbortedCommand, 0x00, 0x00);
    else
        reply.scsi_status = kGood;
    return true;
}

bool UsbBridge::AtaPassThrough(const ScsiRequest& request, ScsiReply& reply, uint32_t& error)
{
    const uint8_t* cdb = request.cdb.data();
    const bool sixteen = cdb[0] == 0x85;
    const uint8_t protocol = (cdb[1] >> 1) & 0x0F;
    const bool ext = sixteen && (cdb[1] & 0x01) != 0;
    const bool ck_cond = (cdb[2] & 0x20) != 0;
    AtaCommand c;
    c.timeout_seconds = kBridgeTimeoutSeconds;
    mrv::AtaRegisters& r = c.in;
    if (sixteen) {
        auto pair = [&](int index) {
            return static_cast<uint16_t>((ext ? cdb[index - 1] << 8 : 0) | cdb[index]);
        };
        r.features = pair(4);
        r.count = pair(6);
        r.lba_low = pair(8);
        r.lba_mid = pair(10);
        r.lba_high = pair(12);
        r.device = cdb[13];
        r.command = cdb[14];
    } else {
        r = RegistersFromBytes(cdb, {.features = 3,
                                     .count = 4,
                                     .lba_low = 5,
                                     .lba_mid = 6,
                                     .lba_high = 7,
                                     .device = 8,
                                     .command = 9});
    }
    c.ext = ext;
    switch (protocol) {
    case 3:
        c.protocol = AtaProtocol::NonData;
        break;
    case 4:
        c.protocol = AtaProtocol::PioIn;
        break;
    case 5:
        c.protocol = AtaProtocol::PioOut;
        break;
    default:
        // DMA, reset and "return response information" are not offered.
        FixedSense(reply, kIllegalRequest, 0x24, 0x00); // INVALID FIELD IN CDB
        return true;
    }
    const bool data_in = c.protocol == AtaProtocol::PioIn;
    const bool data_out = c.protocol == AtaProtocol::PioOut;
    if ((data_in && request.direction != ScsiDirection::In) ||
        (data_out && request.direction != ScsiDirection::Out)) {
        FixedSense(reply, kIllegalRequest, 0x24, 0x00);
        return true;
    }
    if (data_in || data_out) {
        c.data = request.data;
        c.data_length = request.data_length;
    }
    const AtaResult out = drive_.Execute(c);
    if (out.timed_out) {
        error = TimeoutError();
        return false;
    }
    reply.data_transferred = out.transferred;
    if (!out.Ok()) {
        const bool unc = (out.error & 0x40) != 0 && data_in;
        AtaReturnSense(reply, unc ? kMediumError : kAbortedCommand, unc ? 0x11 : 0x00, unc ? 0x04 : 0x00, out,
                       ext);
        return true;
    }
    if (ck_cond) {
        AtaReturnSense(reply, kRecoveredError, 0x00, 0x1D, out,
                       ext); // ATA PASS-THROUGH INFORMATION AVAILABLE
        return true;
    }
    reply.scsi_status = kGood;
    return true;
}

} // namespace mrv::sim
