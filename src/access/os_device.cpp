#include "access/os_device.h"

#include "access/access_mode_switch.h"
#include "access/api_device_list.h"
#include "access/scsi_sense.h"
#include "app/program_impl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace mrv
{

namespace
{

/// Sets an activity flag for the length of a transfer.
class ActiveFlag
{
  public:
    explicit ActiveFlag(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~ActiveFlag() { flag_ = false; }
    ActiveFlag(const ActiveFlag&) = delete;
    ActiveFlag& operator=(const ActiveFlag&) = delete;

  private:
    std::atomic<bool>& flag_;
};

/// A 16-character field: the text, padded and cut.
void PutField(uint8_t* at, const std::string& text)
{
    std::string field = text.substr(0, 16);
    field.resize(16, ' ');
    std::memcpy(at, field.data(), 16);
}

/// Byte offset of a transfer, or false when it does not fit 64 bits.
bool ByteOffset(uint64_t lba, uint32_t sector_size, uint64_t& offset)
{
    if (sector_size != 0 && lba > std::numeric_limits<uint64_t>::max() / sector_size) return false;
    offset = lba * sector_size;
    return true;
}

} // namespace

void StampSectors(uint8_t* buffer, uint32_t count, uint32_t sector_size, uint64_t lba,
                  const LocalDateTime& now)
{
    if (buffer == nullptr || sector_size < 48) return;
    const std::string time = now.TimeText();
    const std::string date = now.DateText();
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* sector = buffer + static_cast<size_t>(i) * sector_size;
        PutField(sector, "LBA " + std::to_string(lba + i) + std::string(11, ' '));
        PutField(sector + 16, "Time " + time + std::string(7, ' '));
        PutField(sector + 32, "Date " + date + std::string(7, ' '));
    }
}

uint8_t BuildVerifyCdb(uint64_t lba, uint32_t count, std::array<uint8_t, 16>& cdb)
{
    cdb.fill(0);
    if (lba <= 0xFFFFFFFFu && count <= 0xFFFFu) {
        cdb[0] = 0x2F;
        cdb[1] = 0x08;
        for (int i = 0; i < 4; ++i)
            cdb[2 + i] = static_cast<uint8_t>(lba >> (24 - 8 * i));
        cdb[7] = static_cast<uint8_t>(count >> 8);
        cdb[8] = static_cast<uint8_t>(count);
        return 10;
    }
    // Beyond 2^32 sectors VERIFY(10) would check the wrong blocks.
    cdb[0] = 0x8F;
    for (int i = 0; i < 8; ++i)
        cdb[2 + i] = static_cast<uint8_t>(lba >> (56 - 8 * i));
    for (int i = 0; i < 4; ++i)
        cdb[10 + i] = static_cast<uint8_t>(count >> (24 - 8 * i));
    return 16;
}

OsDeviceAccess::OsDeviceAccess(ProgramImpl& program)
    : p_(program), list_(std::make_unique<ApiDeviceList>(program, *this)),
      mode_switch_(std::make_unique<AccessModeSwitch>(program, *this))
{
}

OsDeviceAccess::~OsDeviceAccess() = default;

std::unique_ptr<OsDevice> OsDeviceAccess::OpenApiDevice(int number, char letter)
{
    if (!p_.state.IsNtFamily) return nullptr;
    uint32_t error = 0;
    if (number == -1 || number == 255) return p_.platform.devices.OpenLogical(letter, error);
    if (number < 0) return nullptr;
    return p_.platform.devices.OpenPhysical(number, error);
}

std::unique_ptr<OsDevice> OsDeviceAccess::OpenCurrentDevice()
{
    return OpenApiDevice(p_.state.ApiDeviceIndex, p_.state.ApiDriveLetter);
}

uint32_t OsDeviceAccess::ApiReadSectors(OsDevice* device, uint32_t count, uint8_t* buffer,
                                        uint32_t sector_size, uint64_t lba)
{
    if (device == nullptr || buffer == nullptr) return 0;
    ActiveFlag active(p_.state.ApiReadActive);
    uint64_t offset = 0;
    const uint64_t length = static_cast<uint64_t>(count) * sector_size;
    if (!ByteOffset(lba, sector_size, offset) || length > std::numeric_limits<uint32_t>::max()) return 0;
    if (device->SetPosition(offset) != static_cast<int64_t>(offset)) return 0;
    uint32_t done = 0;
    std::lock_guard buffer_lock(p_.state.BufferLock);
    if (!device->Read(buffer, static_cast<uint32_t>(length), done)) return 0;
    return done;
}

uint32_t OsDeviceAccess::ApiWriteSectors(OsDevice* device, uint32_t count, const uint8_t* buffer,
                                         uint32_t sector_size, uint64_t lba)
{
    if (device == nullptr || buffer == nullptr) return 0;
    ActiveFlag active(p_.state.ApiWriteActive);
    uint64_t offset = 0;
    const uint64_t length = static_cast<uint64_t>(count) * sector_size;
    if (!ByteOffset(lba, sector_size, offset) || length > std::numeric_limits<uint32_t>::max()) return 0;
    if (device->SetPosition(offset) != static_cast<int64_t>(offset)) return 0;
    uint32_t done = 0;
    if (!device->Write(buffer, static_cast<uint32_t>(length), done)) return 0;
    return done;
}

bool OsDeviceAccess::ApiVerifySectors(OsDevice* device, uint32_t count, uint64_t lba)
{
    std::array<uint8_t, 16> cdb{};
    const uint8_t length = BuildVerifyCdb(lba, count, cdb);
    ScsiRequestRecord record;
    record.timeout_seconds = 5;
    return ScsiPassThrough(device, cdb.data(), length, record, ScsiDirection::In, 0, nullptr) == 0;
}

DeviceCapacity OsDeviceAccess::ApiGetCapacity(OsDevice* device)
{
    DeviceCapacity cap;
    bool have_total = false;
    {
        const uint8_t cdb[10] = {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        uint8_t data[10] = {};
        ScsiRequestRecord record;
        if (ScsiPassThrough(device, cdb, 10, record, ScsiDirection::In, sizeof data, data) == 0) {
            const uint32_t last = static_cast<uint32_t>(data[0]) << 24 |
                                  static_cast<uint32_t>(data[1]) << 16 | static_cast<uint32_t>(data[2]) << 8 |
                                  data[3];
            cap.sector_size = static_cast<uint16_t>(data[6] << 8 | data[7]);
            uint64_t total = 0;
            if (last != 0xFFFFFFFFu) {
                total = static_cast<uint64_t>(last) + 1;
            } else {
                // Too large for the 10-byte form: READ CAPACITY(16).
                const uint8_t cdb16[16] = {0x9E, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0};
                uint8_t data16[32] = {};
                ScsiRequestRecord record16;
                if (ScsiPassThrough(device, cdb16, 16, record16, ScsiDirection::In, sizeof data16, data16) ==
                    0) {
                    uint64_t last16 = 0;
                    for (int i = 0; i < 8; ++i)
                        last16 = last16 << 8 | data16[i];
                    if (last16 != 0 && last16 != std::numeric_limits<uint64_t>::max()) total = last16 + 1;
                    const uint32_t size16 = static_cast<uint32_t>(data16[8]) << 24 |
                                            static_cast<uint32_t>(data16[9]) << 16 |
                                            static_cast<uint32_t>(data16[10]) << 8 | data16[11];
                    if (size16 != 0 && size16 <= 0xFFFF) cap.sector_size = static_cast<uint16_t>(size16);
                }
            }
            if (total != 0) {
                have_total = true;
                cap.total_sectors = total;
                cap.sectors_per_track = 63;
                cap.tracks_per_cylinder = 16;
                cap.cylinders = total / 1008;
                cap.media_type = 0;
                if (p_.fm.dontgetdpchk.Checked()) {
                    if (cap.sector_size == 0) cap.sector_size = 512;
                    return cap;
                }
            }
        }
    }
    OsGeometry geometry;
    if (device == nullptr || !device->Geometry(geometry)) {
        // Keep what READ CAPACITY told; only a device that answered neither
        // has no size.
        if (!have_total) {
            cap = DeviceCapacity{};
            cap.sectors_per_track = 63;
        }
        cap.sector_size = cap.sector_size == 0 ? 512 : cap.sector_size;
        return cap;
    }
    cap.sector_size = static_cast<uint16_t>(std::min<uint32_t>(geometry.bytes_per_sector, 0xFFFF));
    if (!have_total) {
        cap.total_sectors = geometry.cylinders * geometry.tracks_per_cylinder *
                            static_cast<uint64_t>(geometry.sectors_per_track);
    }
    cap.media_type = geometry.media_type;
    cap.cylinders = geometry.cylinders;
    cap.tracks_per_cylinder = geometry.tracks_per_cylinder;
    cap.sectors_per_track = geometry.sectors_per_track;
    if (cap.sector_size == 0) cap.sector_size = 512;
    return cap;
}

bool OsDeviceAccess::ApiScsiInquiry(OsDevice* device, std::string& model, std::string& revision,
                                    std::string& serial)
{
    const uint8_t cdb[6] = {0x12, 0, 0, 0, 0x60, 0};
    uint8_t data[255] = {};
    ScsiRequestRecord record;
    if (device == nullptr) return false;
    // The status must be GOOD as well as the request succeeding: go through
    // the generic request, which decodes the status into the result.
    if (ScsiPassThrough(device, cdb, 6, record, ScsiDirection::In, sizeof data, data) != 0) return false;
    auto text = [&](size_t from, size_t to) {
        std::string s;
        for (size_t i = from; i < to; ++i)
            s += data[i] < 32 ? ' ' : static_cast<char>(data[i]);
        const size_t first = s.find_first_not_of(' ');
        if (first == std::string::npos) return std::string();
        return s.substr(first, s.find_last_not_of(' ') - first + 1);
    };
    model = text(8, 48);
    revision = text(32, 36);
    serial.clear();
    for (size_t i = 36; i < 56; ++i) {
        if (data[i] < '0' || data[i] > 'Z') {
            serial = "not available";
            break;
        }
    }
    return true;
}

bool OsDeviceAccess::ApiStopUnit(OsDevice* device)
{
    if (device == nullptr) return false;
    ScsiRequest request;
    request.cdb = {0x1B, 0, 0, 0, 0, 0};
    request.cdb_length = 6;
    request.direction = ScsiDirection::Out;
    request.timeout_seconds = 20;
    ScsiReply reply;
    const bool ok = device->ScsiPassThrough(request, reply);
    p_.ui.ProcessMessages();
    return ok;
}

int OsDeviceAccess::ScsiPassThrough(OsDevice* device, const uint8_t* cdb, uint8_t cdb_length,
                                    ScsiRequestRecord& record, ScsiDirection direction, uint32_t data_length,
                                    uint8_t* data)
{
    if (device == nullptr) return scsi_result::kInvalidHandle;
    ScsiRequest request;
    const uint8_t length = std::min<uint8_t>(cdb_length, 16);
    std::copy(cdb, cdb + length, request.cdb.begin());
    request.cdb_length = length;
    request.direction = direction;
    request.timeout_seconds = record.timeout_seconds;
    // The request works on its own zeroed copy, as the system's buffer would.
    std::vector<uint8_t> area(data_length, 0);
    if (direction == ScsiDirection::Out && data != nullptr) std::copy(data, data + data_length, area.begin());
    request.data = area.empty() ? nullptr : area.data();
    request.data_length = data_length;

    ScsiReply reply;
    int result = 0;
    record.system_error = 0;
    record.sense.fill(0);
    if (device->ScsiPassThrough(request, reply)) {
        const size_t sense_length = std::min<size_t>(reply.sense_length, reply.sense.size());
        std::copy(reply.sense.begin(), reply.sense.begin() + static_cast<long>(sense_length),
                  record.sense.begin());
        record.data_returned = reply.data_transferred;
        if (direction == ScsiDirection::In && data != nullptr) std::copy(area.begin(), area.end(), data);
        if (reply.scsi_status != 0) {
            result = SenseToResult(record.sense.data(), sense_length);
            // A status that is not GOOD is never a success, sense or not.
            if (result == 0) result = scsi_result::kSystemError;
        }
    } else {
        record.system_error = device->LastError();
        result = SystemErrorToResult(record.system_error);
        // The request failed: whatever the number, that is no success.
        if (result == 0) result = scsi_result::kSystemError;
        for (int i = 0; i < 4; ++i)
            record.sense[static_cast<size_t>(i)] = static_cast<uint8_t>(record.system_error >> (8 * i));
    }
    p_.ui.ProcessMessages();
    return result;
}

bool OsDeviceAccess::SatAtaCommand(int drive_number, uint8_t sector_count, SatKind kind, uint8_t command,
                                   uint8_t device_register, uint8_t lba_high, uint8_t lba_mid,
                                   uint8_t lba_low, uint8_t count_register, uint8_t features, uint8_t* data,
                                   AtaResultRegisters* result, uint32_t timeout_seconds)
{
    std::unique_ptr<OsDevice> device = OpenApiDevice(drive_number, p_.state.ApiDriveLetter);
    if (!device) return false;
    ScsiDirection direction = ScsiDirection::None;
    uint32_t length = 0;
    if (kind == SatKind::PioIn) direction = ScsiDirection::In;
    if (kind == SatKind::PioOut) direction = ScsiDirection::Out;
    if (kind == SatKind::PioIn || kind == SatKind::PioOut) length = static_cast<uint32_t>(sector_count) * 512;
    std::vector<uint8_t> scratch;
    if (length != 0 && data == nullptr) {
        scratch.assign(length, 0);
        data = scratch.data();
    }

    SatCommand cmd;
    cmd.kind = kind;
    cmd.command = command;
    cmd.features = features;
    cmd.count = count_register;
    cmd.lba_low = lba_low;
    cmd.lba_mid = lba_mid;
    cmd.lba_high = lba_high;
    cmd.device = device_register;

    ScsiRequestRecord record;
    record.timeout_seconds = timeout_seconds;
    auto send = [&](const uint8_t* cdb, uint8_t cdb_length) {
        int code = ScsiPassThrough(device.get(), cdb, cdb_length, record, direction, length, data);
        // CK_COND answers with CHECK CONDITION and the registers in the sense
        // data; a command that completed without ERR is a success.
        if (code != 0 && record.system_error == 0 && IsAtaPassThroughSuccess(record.sense.data(), 32))
            code = 0;
        return code;
    };
    const std::array<uint8_t, 16> cdb16 = BuildAtaPassThrough16(cmd);
    int code = send(cdb16.data(), 16);
    if (code != 0) {
        const std::array<uint8_t, 12> cdb12 = BuildAtaPassThrough12(cmd);
        code = send(cdb12.data(), 12);
    }
    if (kind == SatKind::NonDataResult && result != nullptr) {
        AtaResultRegisters registers;
        if (DecodeAtaReturn(record.sense.data(), 32, registers)) *result = registers;
    }
    return code == 0;
}

bool OsDeviceAccess::SmartIoctlCommand(OsDevice* device, int drive_number, uint32_t buffer_size,
                                       uint8_t command, uint8_t device_head, uint8_t cyl_high,
                                       uint8_t cyl_low, uint8_t sector_number, uint8_t sector_count,
                                       uint8_t features, uint8_t* data, IdeRegisters* out)
{
    if (device == nullptr) return false;
    IdeRegisters in;
    in.features = features;
    in.count = sector_count;
    in.lba_low = sector_number;
    in.lba_mid = cyl_low;
    in.lba_high = cyl_high;
    in.device = static_cast<uint8_t>(device_head | ((drive_number & 1) * 0x10));
    in.command = command;
    uint8_t scratch[512] = {};
    const bool data_in = buffer_size != 0;
    uint8_t* buffer = data != nullptr ? data : scratch;
    p_.ui.ProcessMessages();
    IdeRegisters after;
    const bool ok = device->SmartRequest(static_cast<uint8_t>(drive_number), in, data_in ? buffer : nullptr,
                                         data_in, after);
    if (out != nullptr) *out = after;
    return ok;
}

bool OsDeviceAccess::ApiSmartCommand(int drive_number, uint32_t buffer_size, uint8_t features,
                                     uint8_t command, uint8_t device_head, uint8_t cyl_high, uint8_t cyl_low,
                                     uint8_t sector_number, uint8_t sector_count, uint8_t* data,
                                     bool refuse_non_ata, IdeRegisters* out)
{
    if (p_.state.access_mode != AccessMode::Api) return false;
    if (refuse_non_ata && p_.state.passport.NonAta) return false;
    std::unique_ptr<OsDevice> device = OpenCurrentDevice();
    if (!device) {
        if (p_.state.ApiDeviceIndex == -1)
            p_.LogLine(std::string("Unable to open logical drive ") + p_.state.ApiDriveLetter + ":", false,
                       4);
        else
            p_.LogLine("Unable to open physical drive #" + std::to_string(p_.state.ApiDeviceIndex), false, 4);
        return false;
    }
    return SmartIoctlCommand(device.get(), drive_number, buffer_size, command, device_head, cyl_high, cyl_low,
                             sector_number, sector_count, features, data, out);
}

bool OsDeviceAccess::IdePassThrough(uint32_t data_length, const IdeRegisters& registers, IdeRegisters& result,
                                    uint8_t* data)
{
    std::unique_ptr<OsDevice> device = OpenCurrentDevice();
    if (!device) return false;
    std::vector<uint8_t> scratch;
    if (data_length != 0 && data == nullptr) {
        scratch.assign(data_length, 0);
        data = scratch.data();
    }
    IdeRegisters regs = registers;
    const bool ok = device->IdePassThrough(regs, data, data_length);
    p_.ui.ProcessMessages();
    result = regs;
    return ok;
}

void OsDeviceAccess::BuildApiDeviceList()
{
    list_->BuildApiDeviceList();
}

bool OsDeviceAccess::IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba)
{
    SharedState& st = p_.state;
    const uint32_t sector_size = st.passport.SectorSize == 0 ? 512 : st.passport.SectorSize;
    const uint64_t bytes = static_cast<uint64_t>(count) * sector_size;
    uint8_t* buffer = st.ApiBuffer.get();
    switch (command) {
    case 0x20:
        // The transfer buffer bounds every request.
        if (count == 0 || bytes > SharedState::kApiBufferSize) return false;
        return ApiReadSectors(device, count, buffer, sector_size, lba) == bytes;
    case 0x30:
        if (count == 0 || bytes > SharedState::kApiBufferSize) return false;
        if (st.WriteLbaStamp) {
            std::lock_guard buffer_lock(st.BufferLock);
            StampSectors(buffer, count, sector_size, lba, p_.platform.clock.Now());
        }
        return ApiWriteSectors(device, count, buffer, sector_size, lba) == bytes;
    case 0x40:
        return ApiVerifySectors(device, count, lba);
    case 0x70:
        return ApiReadSectors(device, 1, buffer, sector_size, lba) == sector_size;
    default:
        return false;
    }
}

bool OsDeviceAccess::IssueBlockCommand(uint32_t count, uint8_t command, uint64_t lba)
{
    std::unique_ptr<OsDevice> device = OpenCurrentDevice();
    if (!device) return false;
    return IssueBlockCommand(device.get(), count, command, lba);
}

} // namespace mrv
