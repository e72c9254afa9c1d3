#include "drive/os_device_ops.h"

#include "drive/responsive_os_device.h"
#include "drive/scsi_sense.h"
#include "platform/port_access.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace mrv
{

namespace
{

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

OsDeviceOps::OsDeviceOps(OsDevices& devices, Clock& clock, DriveState& state, const DriveHost& host)
    : devices_(devices), clock_(clock), state_(state), host_(host)
{
}

std::unique_ptr<OsDevice> OsDeviceOps::OpenApiDevice(int number, char letter)
{
    if (!state_.IsNtFamily) return nullptr;
    if (number < 0 && number != -1) return nullptr;
    std::unique_ptr<OsDevice> device;
    uint32_t error = 0;
    host_.RunBlocking([&] {
        if (number == -1 || number == 255)
            device = devices_.OpenLogical(letter, error);
        else
            device = devices_.OpenPhysical(number, error);
    });
    if (!device) return nullptr;
    return std::make_unique<ResponsiveOsDevice>(std::move(device), host_);
}

std::unique_ptr<OsDevice> OsDeviceOps::OpenCurrentDevice(bool log_failure)
{
    std::unique_ptr<OsDevice> device = OpenApiDevice(state_.ApiDeviceIndex, state_.ApiDriveLetter);
    if (!device && log_failure) LogOpenFailure();
    return device;
}

void OsDeviceOps::LogOpenFailure()
{
    const int number = state_.ApiDeviceIndex;
    if (number == -1) {
        host_.Log(std::string("Unable to open logical drive ") + state_.ApiDriveLetter.load() + ":", kNewLine,
                  kLogError);
        return;
    }
    host_.Log(PhysicalOpenFailureText(number), kNewLine, kLogError);
}

std::string OsDeviceOps::PhysicalOpenFailureText(int number)
{
    const std::string why = devices_.PhysicalOpenFailure(number);
    return "Unable to open physical drive #" + std::to_string(number) + (why.empty() ? "" : ": " + why);
}

uint32_t OsDeviceOps::ApiReadSectors(OsDevice* device, uint32_t count, uint8_t* buffer, uint32_t sector_size,
                                     uint64_t lba)
{
    if (device == nullptr || buffer == nullptr) return 0;
    ActiveFlag active(state_.ApiReadActive);
    uint64_t offset = 0;
    const uint64_t length = static_cast<uint64_t>(count) * sector_size;
    if (!ByteOffset(lba, sector_size, offset) || length > std::numeric_limits<uint32_t>::max()) return 0;
    if (device->SetPosition(offset) != static_cast<int64_t>(offset)) return 0;
    uint32_t done = 0;
    if (!device->Read(buffer, static_cast<uint32_t>(length), done)) return 0;
    return done;
}

uint32_t OsDeviceOps::ApiWriteSectors(OsDevice* device, uint32_t count, const uint8_t* buffer,
                                      uint32_t sector_size, uint64_t lba)
{
    if (device == nullptr || buffer == nullptr) return 0;
    ActiveFlag active(state_.ApiWriteActive);
    uint64_t offset = 0;
    const uint64_t length = static_cast<uint64_t>(count) * sector_size;
    if (!ByteOffset(lba, sector_size, offset) || length > std::numeric_limits<uint32_t>::max()) return 0;
    if (device->SetPosition(offset) != static_cast<int64_t>(offset)) return 0;
    uint32_t done = 0;
    if (!device->Write(buffer, static_cast<uint32_t>(length), done)) return 0;
    return done;
}

bool OsDeviceOps::ApiVerifySectors(OsDevice* device, uint32_t count, uint64_t lba, uint32_t sector_size)
{
    std::array<uint8_t, 16> cdb{};
    const uint8_t length = BuildVerifyCdb(lba, count, cdb);
    ScsiRequestRecord record;
    record.timeout_seconds = 5;
    if (ScsiPassThrough(device, cdb.data(), length, record, ScsiDirection::In, 0, nullptr) == 0) return true;
    // A device without SCSI commands (an NVMe namespace, a virtual disk) is
    // verified by reading the blocks: the medium answers either way.
    const bool refused =
        record.system_error == win_error::kNotSupported || record.system_error == win_error::kInvalidFunction;
    if (!refused || sector_size == 0 || count == 0) return false;
    constexpr uint32_t kScratchBytes = 1u << 20;
    const uint32_t per_read = std::max<uint32_t>(1, kScratchBytes / sector_size);
    std::vector<uint8_t> scratch(static_cast<size_t>(std::min(count, per_read)) * sector_size);
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(count - done, per_read);
        if (ApiReadSectors(device, n, scratch.data(), sector_size, lba + done) != uint64_t{n} * sector_size)
            return false;
        done += n;
    }
    return true;
}

DeviceCapacity OsDeviceOps::ApiGetCapacity(OsDevice* device)
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
                if (state_.SkipDriveType) {
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
        // The system's exact size where it gives one: whole cylinders would
        // cut the device's tail off the passport and the scan.
        cap.total_sectors = geometry.size_bytes != 0 && geometry.bytes_per_sector != 0
                                ? geometry.size_bytes / geometry.bytes_per_sector
                                : geometry.cylinders * geometry.tracks_per_cylinder *
                                      static_cast<uint64_t>(geometry.sectors_per_track);
    }
    cap.kind = geometry.kind;
    cap.media_type = geometry.media_type;
    cap.cylinders = geometry.cylinders;
    cap.tracks_per_cylinder = geometry.tracks_per_cylinder;
    cap.sectors_per_track = geometry.sectors_per_track;
    if (cap.sector_size == 0) cap.sector_size = 512;
    return cap;
}

bool OsDeviceOps::ApiScsiInquiry(OsDevice* device, std::string& model, std::string& revision,
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

bool OsDeviceOps::ApiStopUnit(OsDevice* device)
{
    if (device == nullptr) return false;
    ScsiRequest request;
    request.cdb = {0x1B, 0, 0, 0, 0, 0};
    request.cdb_length = 6;
    request.direction = ScsiDirection::Out;
    request.timeout_seconds = 20;
    ScsiReply reply;
    const bool ok = device->ScsiPassThrough(request, reply);
    host_.Pump();
    return ok;
}

int OsDeviceOps::ScsiPassThrough(OsDevice* device, const uint8_t* cdb, uint8_t cdb_length,
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
    host_.Pump();
    return result;
}

bool OsDeviceOps::IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba,
                                    uint32_t sector_size, uint8_t* buffer, size_t buffer_size)
{
    if (sector_size == 0) sector_size = 512;
    const uint64_t bytes = static_cast<uint64_t>(count) * sector_size;
    switch (command) {
    case 0x20:
        // The transfer buffer bounds every request.
        if (count == 0 || bytes > buffer_size) return false;
        return ApiReadSectors(device, count, buffer, sector_size, lba) == bytes;
    case 0x30:
        if (count == 0 || bytes > buffer_size) return false;
        if (state_.WriteLbaStamp) StampSectors(buffer, count, sector_size, lba, clock_.Now());
        return ApiWriteSectors(device, count, buffer, sector_size, lba) == bytes;
    case 0x40:
        return ApiVerifySectors(device, count, lba, sector_size);
    case 0x70:
        if (sector_size > buffer_size) return false;
        return ApiReadSectors(device, 1, buffer, sector_size, lba) == sector_size;
    default:
        return false;
    }
}

} // namespace mrv
