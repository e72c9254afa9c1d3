#include "platform/linux/linux_os_device.h"

#include "platform/linux/error_map.h"
#include "platform/port_access.h"
#include "platform/sat.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <linux/nvme_ioctl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace mrv::linux_platform
{

namespace
{

constexpr uint8_t kAtaSmart = 0xB0;
constexpr uint8_t kStatusReady = 0x50;  // DRDY | DSC: what a finished command leaves
constexpr uint8_t kStatusError = 0x51;  // DRDY | DSC | ERR
constexpr uint8_t kErrorAborted = 0x04; // ABRT
constexpr uint32_t kAtaSectorBytes = 512;
// Register commands never wait longer than this: a bridge that stopped
// answering must give the program its control back.
constexpr unsigned kAtaTimeoutMs = 30000;
constexpr uint32_t kMaxScsiTimeoutSeconds = 24 * 3600;
// The NVMe ioctl's time-out is in milliseconds, 32 bits wide.
constexpr uint32_t kMaxNvmeTimeoutSeconds = 24 * 3600;
constexpr size_t kBounceBytes = 1u << 20;
constexpr size_t kBounceAlignment = 4096;

bool IsRefusedIoctl(int error_number)
{
    return error_number == ENOTTY || error_number == EINVAL || error_number == EOPNOTSUPP ||
           error_number == ENOSYS;
}

/// Windows error for a failed request ioctl: a driver that has no such request
/// answers ENOTTY or EINVAL (loop, virtio, nvme), which the program should see
/// as "not supported" rather than as a bad parameter of its own.
uint32_t RequestError(int error_number)
{
    return IsRefusedIoctl(error_number) ? win_error::kNotSupported : errno_to_win_error(error_number);
}

/// pread/pwrite until everything moved (the count), the device ends (a short
/// count) or an error (-errno).
int64_t FullTransfer(int fd, bool write, uint8_t* buffer, size_t length, uint64_t offset)
{
    size_t moved = 0;
    while (moved < length) {
        const ssize_t n = write
                              ? pwrite(fd, buffer + moved, length - moved, static_cast<off_t>(offset + moved))
                              : pread(fd, buffer + moved, length - moved, static_cast<off_t>(offset + moved));
        if (n < 0) {
            if (errno == EINTR) continue;
            // An error after part of the request moved fails all of it, as a
            // Windows read or write of the same request would.
            return -static_cast<int64_t>(errno);
        }
        if (n == 0) break;
        moved += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(moved);
}

std::string RegistersText(const AtaRegisters& r)
{
    char text[64];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X %02X", r.features & 0xFF, r.count & 0xFF,
                  r.lba_low & 0xFF, r.lba_mid & 0xFF, r.lba_high & 0xFF, r.device, r.command);
    return text;
}

/// The 28-bit registers in HDIO_DRIVE_TASK order: command, features, count,
/// sector number, cylinder low, cylinder high, device.
using TaskBytes = std::array<uint8_t, 7>;

TaskBytes ToTaskBytes(const AtaRegisters& r)
{
    return {r.command,
            static_cast<uint8_t>(r.features),
            static_cast<uint8_t>(r.count),
            static_cast<uint8_t>(r.lba_low),
            static_cast<uint8_t>(r.lba_mid),
            static_cast<uint8_t>(r.lba_high),
            r.device};
}

AtaRegisters FromTaskBytes(const TaskBytes& task)
{
    return RegistersFromBytes(
        task.data(),
        {.features = 1, .count = 2, .lba_low = 3, .lba_mid = 4, .lba_high = 5, .device = 6, .command = 0});
}

/// Microseconds since `start`, for the trace lines.
long long MicrosecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

GeometrySource GeometrySourceFor(const std::string& name)
{
    auto starts = [&](const char* prefix) { return name.rfind(prefix, 0) == 0; };
    if (starts("sd") || starts("hd")) return GeometrySource::Classic;
    if (starts("vd") || starts("loop") || starts("ram") || starts("zram") || starts("nbd"))
        return GeometrySource::Synthetic;
    return GeometrySource::Kernel;
}

std::unique_ptr<LinuxOsDevice> LinuxOsDevice::Open(const DeviceNode& node, uint32_t& error)
{
    // Removable drives open without media (O_NONBLOCK), as a Windows handle to an
    // empty drive does; the transfers then fail with "not ready".
    const int extra = O_CLOEXEC | (node.removable ? O_NONBLOCK : 0);
    auto open_mode = [&](int mode) {
        int fd = open(node.path.c_str(), mode | O_DIRECT | extra);
        // A device without direct I/O: synchronous I/O is the nearest thing.
        if (fd < 0 && errno == EINVAL) fd = open(node.path.c_str(), mode | O_SYNC | extra);
        return fd;
    };
    int fd = open_mode(O_RDWR);
    uint32_t write_refusal = win_error::kSuccess;
    if (fd < 0) {
        const int rw_error = errno;
        if (rw_error != EROFS && rw_error != EACCES && rw_error != EPERM) {
            error = errno_to_win_error(rw_error);
            return nullptr;
        }
        // Write-protected media and read-only devices are still readable; writes
        // then fail the way the system refused them.
        fd = open_mode(O_RDONLY);
        if (fd < 0) {
            error = errno_to_win_error(rw_error);
            return nullptr;
        }
        write_refusal = errno_to_win_error(rw_error);
    }
    struct stat node_stat {
    };
    if (node.check_number &&
        (fstat(fd, &node_stat) != 0 || !S_ISBLK(node_stat.st_mode) ||
         major(node_stat.st_rdev) != node.major || minor(node_stat.st_rdev) != node.minor)) {
        close(fd);
        error = win_error::kMediaChanged;
        return nullptr;
    }
    // Keep blocking I/O for the transfers themselves.
    if (node.removable) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // A read-only device may still open for writing; its writes are refused as
    // a write-protected medium's are.
    int read_only = 0;
    if (write_refusal == win_error::kSuccess && ioctl(fd, BLKROGET, &read_only) == 0 && read_only != 0)
        write_refusal = win_error::kWriteProtect;
    error = win_error::kSuccess;
    return std::unique_ptr<LinuxOsDevice>(new LinuxOsDevice(fd, node, write_refusal));
}

LinuxOsDevice::LinuxOsDevice(int fd, const DeviceNode& node, uint32_t write_refusal)
    : fd_(fd), node_(node), write_refusal_(write_refusal)
{
    int sector_size = 0;
    if (ioctl(fd_, BLKSSZGET, &sector_size) == 0 && sector_size >= 512 && sector_size <= 65536 &&
        (sector_size & (sector_size - 1)) == 0)
        sector_size_ = static_cast<uint32_t>(sector_size);
    RefreshSize();
}

LinuxOsDevice::~LinuxOsDevice()
{
    close(fd_);
}

void LinuxOsDevice::RefreshSize()
{
    uint64_t size = 0;
    size_bytes_ = ioctl(fd_, BLKGETSIZE64, &size) == 0 ? size : 0;
}

bool LinuxOsDevice::Fail(uint32_t error)
{
    last_error_ = error;
    return false;
}

bool LinuxOsDevice::FailErrno(int error_number)
{
    return Fail(errno_to_win_error(error_number));
}

int64_t LinuxOsDevice::SetPosition(uint64_t byte_offset)
{
    if (NoMedium()) RefreshSize();
    if (NoMedium()) {
        last_error_ = win_error::kNotReady;
        return -1;
    }
    // A position past the end of the device is refused here, so that no
    // transfer starts outside it.
    if (byte_offset > static_cast<uint64_t>(INT64_MAX) || (size_bytes_ != 0 && byte_offset > size_bytes_)) {
        last_error_ = win_error::kInvalidParameter;
        return -1;
    }
    position_ = byte_offset;
    return static_cast<int64_t>(position_);
}

uint8_t* LinuxOsDevice::Bounce()
{
    if (!bounce_) {
        const size_t size = std::max<size_t>(kBounceBytes, sector_size_);
        bounce_.reset(static_cast<uint8_t*>(std::aligned_alloc(kBounceAlignment, size)));
    }
    return bounce_.get();
}

bool LinuxOsDevice::Read(void* buffer, uint32_t length, uint32_t& done)
{
    done = 0;
    if (length == 0) return true;
    if (buffer == nullptr) return Fail(win_error::kInvalidParameter);
    if (NoMedium()) return Fail(win_error::kNotReady);
    auto* bytes = static_cast<uint8_t*>(buffer);
    const bool aligned = position_ % sector_size_ == 0 && length % sector_size_ == 0 &&
                         reinterpret_cast<uintptr_t>(bytes) % sector_size_ == 0;
    bool ok = false;
    if (aligned) {
        int error_number = 0;
        ok = TransferDirect(false, bytes, length, done, error_number);
        // Some controllers want more memory alignment than the sector size.
        if (!ok && !(error_number == EINVAL && done == 0)) return false;
    }
    if (!ok) ok = TransferBounced(false, bytes, length, done);
    // A read that the device's end cut short succeeds with what it got; a
    // caller that needed it all reads why from here, not an older error.
    if (ok && done < length) last_error_ = win_error::kSectorNotFound;
    return ok;
}

bool LinuxOsDevice::Write(const void* buffer, uint32_t length, uint32_t& done)
{
    done = 0;
    if (write_refusal_ != win_error::kSuccess) return Fail(write_refusal_);
    if (length == 0) return true;
    if (buffer == nullptr) return Fail(win_error::kInvalidParameter);
    if (NoMedium()) return Fail(win_error::kNotReady);
    // The data is only read from; the transfer helpers share one signature.
    auto* bytes = const_cast<uint8_t*>(static_cast<const uint8_t*>(buffer));
    const bool aligned = position_ % sector_size_ == 0 && length % sector_size_ == 0 &&
                         reinterpret_cast<uintptr_t>(bytes) % sector_size_ == 0;
    if (aligned) {
        int error_number = 0;
        if (TransferDirect(true, bytes, length, done, error_number)) return true;
        if (!(error_number == EINVAL && done == 0)) return false;
    }
    return TransferBounced(true, bytes, length, done);
}

bool LinuxOsDevice::TransferDirect(bool write, uint8_t* buffer, uint32_t length, uint32_t& done,
                                   int& error_number)
{
    error_number = 0;
    const int64_t moved = FullTransfer(fd_, write, buffer, length, position_);
    if (moved < 0) {
        error_number = static_cast<int>(-moved);
        return FailErrno(error_number);
    }
    done = static_cast<uint32_t>(moved);
    position_ += done;
    // Nothing at all moved: the position is at the end of the device.
    if (done == 0) return Fail(win_error::kSectorNotFound);
    // A read may end at the end of the device (done tells how far it got);
    // a write that did not fit has failed.
    if (write && done < length) return Fail(win_error::kSectorNotFound);
    return true;
}

bool LinuxOsDevice::TransferBounced(bool write, uint8_t* buffer, uint32_t length, uint32_t& done)
{
    uint8_t* bounce = Bounce();
    if (bounce == nullptr) return Fail(win_error::kNotEnoughMemory);
    const size_t chunk = std::max<size_t>(kBounceBytes, sector_size_) / sector_size_ * sector_size_;
    const uint64_t user_begin = position_;
    const uint64_t user_end = position_ + length;
    const uint64_t first = user_begin - user_begin % sector_size_;
    const uint64_t last = (user_end + sector_size_ - 1) / sector_size_ * sector_size_;

    bool ok = true;
    for (uint64_t at = first; at < last;) {
        const size_t size = static_cast<size_t>(std::min<uint64_t>(chunk, last - at));
        const uint64_t from = std::max(at, user_begin);
        const uint64_t to = std::min(at + size, user_end);
        if (!write) {
            const int64_t got = FullTransfer(fd_, false, bounce, size, at);
            if (got < 0) {
                ok = FailErrno(static_cast<int>(-got));
                break;
            }
            const uint64_t valid_end = std::min(at + static_cast<uint64_t>(got), to);
            if (valid_end > from) {
                std::memcpy(buffer + (from - user_begin), bounce + (from - at), valid_end - from);
                done += static_cast<uint32_t>(valid_end - from);
            }
            if (static_cast<size_t>(got) < size) {
                // The device ended inside the request.
                if (done == 0) ok = Fail(win_error::kSectorNotFound);
                break;
            }
        } else {
            // Sectors only partly covered by the caller's data are read first so
            // that the rest of them is written back unchanged.
            if (from > at || to < at + size) {
                const int64_t got = FullTransfer(fd_, false, bounce, size, at);
                if (got < 0) {
                    ok = FailErrno(static_cast<int>(-got));
                    break;
                }
                if (static_cast<size_t>(got) < size) {
                    ok = Fail(win_error::kSectorNotFound);
                    break;
                }
            }
            std::memcpy(bounce + (from - at), buffer + (from - user_begin), to - from);
            const int64_t put = FullTransfer(fd_, true, bounce, size, at);
            if (put < 0) {
                ok = FailErrno(static_cast<int>(-put));
                break;
            }
            const uint64_t written_end = std::min(at + static_cast<uint64_t>(put), to);
            if (written_end > from) done += static_cast<uint32_t>(written_end - from);
            if (static_cast<size_t>(put) < size) {
                ok = Fail(win_error::kSectorNotFound);
                break;
            }
        }
        at += size;
    }
    position_ += done;
    return ok;
}

bool LinuxOsDevice::DoScsiPassThrough(const ScsiRequest& request, ScsiReply& reply)
{
    reply = ScsiReply{};
    if (request.cdb_length == 0 || request.cdb_length > request.cdb.size())
        return Fail(win_error::kInvalidParameter);
    if (request.direction != ScsiDirection::None && request.data_length > 0 && request.data == nullptr)
        return Fail(win_error::kInvalidParameter);

    std::array<uint8_t, 16> cdb = request.cdb;
    sg_io_hdr_t hdr{};
    hdr.interface_id = 'S';
    hdr.cmd_len = request.cdb_length;
    hdr.cmdp = cdb.data();
    hdr.mx_sb_len = static_cast<unsigned char>(reply.sense.size());
    hdr.sbp = reply.sense.data();
    if (request.direction == ScsiDirection::None || request.data_length == 0) {
        hdr.dxfer_direction = SG_DXFER_NONE;
    } else {
        hdr.dxfer_direction = request.direction == ScsiDirection::In ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
        hdr.dxferp = request.data;
        hdr.dxfer_len = request.data_length;
    }
    const uint32_t seconds = std::clamp<uint32_t>(request.timeout_seconds, 1, kMaxScsiTimeoutSeconds);
    hdr.timeout = seconds * 1000u;

    if (ioctl(fd_, SG_IO, &hdr) < 0) return Fail(RequestError(errno));
    const uint32_t transport = sg_status_to_win_error(hdr.host_status, hdr.driver_status);
    if (transport != win_error::kSuccess) return Fail(transport);
    reply.scsi_status = hdr.status;
    reply.sense_length = std::min<uint8_t>(hdr.sb_len_wr, static_cast<uint8_t>(reply.sense.size()));
    const int resid = std::clamp<int>(hdr.resid, 0, static_cast<int>(hdr.dxfer_len));
    reply.data_transferred = hdr.dxfer_len - static_cast<uint32_t>(resid);
    last_error_ = win_error::kSuccess;
    return true;
}

bool LinuxOsDevice::DoSmartRequest(const AtaRegisters& in, uint8_t* data512, bool data_in, AtaRegisters& out)
{
    out = in;
    if (data_in && data512 == nullptr) return Fail(win_error::kInvalidParameter);

    // libata runs both HDIO requests with its own command timeout (10 s), so a
    // drive that stops answering returns control here.
    if (!data_in) {
        // HDIO_DRIVE_TASK returns every register (SMART RETURN STATUS needs
        // LBA mid and high); HDIO_DRIVE_CMD below only status, error and count.
        TaskBytes task = ToTaskBytes(in);
        const TaskBytes sent = task;
        if (ioctl(fd_, HDIO_DRIVE_TASK, task.data()) == 0) {
            out = FromTaskBytes(task);
            last_error_ = win_error::kSuccess;
            return true;
        }
        const int task_error = errno;
        if (task_error == EIO) {
            if (task != sent) {
                out = FromTaskBytes(task);
            } else {
                out.command = kStatusError;
                out.features = kErrorAborted;
            }
            return Fail(win_error::kIoDevice);
        }
        if (!IsRefusedIoctl(task_error)) return Fail(RequestError(task_error));
    }

    // HDIO_DRIVE_CMD: args[0] command, [1] sector number for SMART (the count
    // for any other command), [2] feature, [3] sectors of data to read.
    uint8_t args[4 + kAtaSectorBytes] = {};
    args[0] = in.command;
    args[1] = static_cast<uint8_t>(in.command == kAtaSmart ? in.lba_low : in.count);
    args[2] = static_cast<uint8_t>(in.features);
    args[3] = data_in ? 1 : 0;
    const uint8_t sent[4] = {args[0], args[1], args[2], args[3]};
    const int rc = ioctl(fd_, HDIO_DRIVE_CMD, args);
    const int cmd_error = errno;
    // The kernel writes status, error and count back only when the drive gave
    // them (always for non-data commands, for a data command when it failed).
    const bool registers_back = std::memcmp(args, sent, sizeof sent) != 0;
    if (rc == 0) {
        if (data_in) std::memcpy(data512, args + 4, kAtaSectorBytes);
        out.command = registers_back ? args[0] : kStatusReady;
        out.features = registers_back ? args[1] : 0;
        out.count = registers_back ? args[2] : in.count;
        last_error_ = win_error::kSuccess;
        return true;
    }
    if (cmd_error == EIO) {
        out.command = registers_back ? args[0] : kStatusError;
        out.features = registers_back ? args[1] : kErrorAborted;
        if (registers_back) out.count = args[2];
        return Fail(win_error::kIoDevice);
    }
    return Fail(RequestError(cmd_error));
}

bool LinuxOsDevice::DoIdePassThrough(AtaRegisters& regs, uint8_t* data, uint32_t data_length)
{
    // Data moves only from the drive (the IDE pass-through's read commands); a
    // length must be whole sectors.
    if (data_length % kAtaSectorBytes != 0 || (data_length > 0 && data == nullptr))
        return Fail(win_error::kInvalidParameter);
    if (data_length == 0) {
        TaskBytes task = ToTaskBytes(regs);
        const TaskBytes sent = task;
        const int rc = ioctl(fd_, HDIO_DRIVE_TASK, task.data());
        const int task_error = errno;
        // A failed command whose registers came back is a finished request: the
        // caller reads the error from them.
        if (rc == 0 || (task_error == EIO && task != sent)) {
            regs = FromTaskBytes(task);
            last_error_ = win_error::kSuccess;
            return true;
        }
        if (!IsRefusedIoctl(task_error) && task_error != EIO) return Fail(RequestError(task_error));
    }
    return AtaPassThroughSgIo(regs, data, data_length);
}

bool LinuxOsDevice::AtaPassThroughSgIo(AtaRegisters& regs, uint8_t* data, uint32_t data_length)
{
    AtaCommand command =
        data_length > 0 ? AtaCommand::PioIn(regs, data, data_length) : AtaCommand::NonData(regs);
    command.want_registers = true;
    std::array<uint8_t, 16> cdb = BuildAtaPassThrough16(command);
    std::array<uint8_t, 32> sense{};
    sg_io_hdr_t hdr{};
    hdr.interface_id = 'S';
    hdr.cmd_len = static_cast<unsigned char>(cdb.size());
    hdr.cmdp = cdb.data();
    hdr.mx_sb_len = static_cast<unsigned char>(sense.size());
    hdr.sbp = sense.data();
    hdr.dxfer_direction = data_length > 0 ? SG_DXFER_FROM_DEV : SG_DXFER_NONE;
    hdr.dxferp = data_length > 0 ? data : nullptr;
    hdr.dxfer_len = data_length;
    hdr.timeout = kAtaTimeoutMs;
    if (ioctl(fd_, SG_IO, &hdr) < 0) return Fail(RequestError(errno));
    const uint32_t transport = sg_status_to_win_error(hdr.host_status, hdr.driver_status);
    if (transport != win_error::kSuccess) return Fail(transport);

    const size_t sense_length = std::min<size_t>(hdr.sb_len_wr, sense.size());
    AtaRegisters back = regs;
    if (DecodeAtaSenseRegisters(sense.data(), sense_length, back)) {
        regs = back;
        last_error_ = win_error::kSuccess;
        return true;
    }
    if (hdr.status == 0) {
        // The translation ignored CK_COND: the command finished without error.
        regs.command = kStatusReady;
        regs.features = 0;
        last_error_ = win_error::kSuccess;
        return true;
    }
    const uint32_t error = sense_to_win_error(sense.data(), sense_length);
    return Fail(error != win_error::kSuccess ? error : win_error::kIoDevice);
}

bool LinuxOsDevice::DoNvmeAdmin(const NvmeAdminCommand& command, NvmeReply& reply)
{
    reply = NvmeReply{};
    if (command.direction != ScsiDirection::None && command.data_length > 0 && command.data == nullptr)
        return Fail(win_error::kInvalidParameter);
    // The kernel's NVMe driver takes lengths in whole dwords.
    if (command.data_length % 4 != 0) return Fail(win_error::kInvalidParameter);
    // Data out and in share one buffer; a command that moves data both ways
    // does not exist among the admin commands the program sends.
    nvme_admin_cmd cmd{};
    cmd.opcode = command.opcode;
    cmd.nsid = command.nsid;
    if (command.own_namespace) {
        const int id = ioctl(fd_, NVME_IOCTL_ID);
        // The controller node has no namespace of its own: all namespaces.
        cmd.nsid = id > 0 ? static_cast<uint32_t>(id) : 0xFFFFFFFFu;
    }
    cmd.cdw10 = command.cdw[0];
    cmd.cdw11 = command.cdw[1];
    cmd.cdw12 = command.cdw[2];
    cmd.cdw13 = command.cdw[3];
    cmd.cdw14 = command.cdw[4];
    cmd.cdw15 = command.cdw[5];
    if (command.direction != ScsiDirection::None && command.data_length > 0) {
        cmd.addr = reinterpret_cast<uintptr_t>(command.data);
        cmd.data_len = command.data_length;
    }
    const uint32_t seconds = std::clamp<uint32_t>(command.timeout_seconds, 1, kMaxNvmeTimeoutSeconds);
    cmd.timeout_ms = seconds * 1000u;
    const int rc = ioctl(fd_, NVME_IOCTL_ADMIN_CMD, &cmd);
    if (rc < 0) return Fail(RequestError(errno));
    // A positive answer is the controller's status field: the command reached it.
    reply.status = static_cast<uint16_t>(rc & 0x7FFF);
    reply.result = cmd.result;
    last_error_ = win_error::kSuccess;
    return true;
}

// The public requests trace registers in and out with the time taken, so that
// a failing conversation with a drive can be read afterwards.

bool LinuxOsDevice::ScsiPassThrough(const ScsiRequest& request, ScsiReply& reply)
{
    if (!node_.trace) return DoScsiPassThrough(request, reply);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = DoScsiPassThrough(request, reply);
    char line[160];
    std::snprintf(line, sizeof line,
                  "%s SG_IO cdb %02X len %u -> %s status %02X sense %u bytes, %u done, %lld us",
                  node_.path.c_str(), request.cdb[0], request.cdb_length, ok ? "ok" : "failed",
                  reply.scsi_status, reply.sense_length, reply.data_transferred, MicrosecondsSince(start));
    node_.trace(ok ? std::string(line) : std::string(line) + " error " + std::to_string(last_error_));
    return ok;
}

bool LinuxOsDevice::SmartRequest(uint8_t /*drive_number: the handle is the drive*/, const AtaRegisters& in,
                                 uint8_t* data512, bool data_in, AtaRegisters& out)
{
    if (!node_.trace) return DoSmartRequest(in, data512, data_in, out);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = DoSmartRequest(in, data512, data_in, out);
    node_.trace(node_.path + (data_in ? " SMART data-in " : " SMART non-data ") + RegistersText(in) + " -> " +
                RegistersText(out) + (ok ? " ok" : " error " + std::to_string(last_error_)) + ", " +
                std::to_string(MicrosecondsSince(start)) + " us");
    return ok;
}

bool LinuxOsDevice::IdePassThrough(AtaRegisters& regs, uint8_t* data, uint32_t data_length)
{
    if (!node_.trace) return DoIdePassThrough(regs, data, data_length);
    const auto start = std::chrono::steady_clock::now();
    const AtaRegisters in = regs;
    const bool ok = DoIdePassThrough(regs, data, data_length);
    node_.trace(node_.path + " IDE " + RegistersText(in) + " data " + std::to_string(data_length) + " -> " +
                RegistersText(regs) + (ok ? " ok" : " error " + std::to_string(last_error_)) + ", " +
                std::to_string(MicrosecondsSince(start)) + " us");
    return ok;
}

bool LinuxOsDevice::NvmeAdmin(const NvmeAdminCommand& command, NvmeReply& reply)
{
    if (!node_.trace) return DoNvmeAdmin(command, reply);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = DoNvmeAdmin(command, reply);
    char line[200];
    std::snprintf(line, sizeof line,
                  "%s NVMe admin %02X nsid %u cdw10 %08X len %u -> %s status %04X result %08X, %lld us",
                  node_.path.c_str(), command.opcode, command.nsid, command.cdw[0], command.data_length,
                  ok ? "ok" : "failed", reply.status, reply.result, MicrosecondsSince(start));
    node_.trace(ok ? std::string(line) : std::string(line) + " error " + std::to_string(last_error_));
    return ok;
}

bool LinuxOsDevice::Geometry(OsGeometry& geometry)
{
    geometry = OsGeometry{};
    RefreshSize();
    if (NoMedium()) return Fail(win_error::kNotReady);

    uint32_t heads = kSyntheticHeads;
    uint32_t sectors = kSyntheticSectorsPerTrack;
    if (node_.geometry == GeometrySource::Classic) {
        heads = 255;
        sectors = 63;
    } else if (node_.geometry == GeometrySource::Kernel) {
        hd_geometry chs{};
        if (ioctl(fd_, HDIO_GETGEO, &chs) == 0 && chs.heads != 0 && chs.sectors != 0) {
            heads = chs.heads;
            sectors = chs.sectors;
        }
    }
    geometry.media_type = node_.removable ? 11 : 12;
    geometry.tracks_per_cylinder = heads;
    geometry.sectors_per_track = sectors;
    geometry.bytes_per_sector = sector_size_;
    geometry.size_bytes = size_bytes_;
    geometry.kind = node_.kind;
    // HDIO_GETGEO's cylinder count is 16 bits wide; the size gives the real one.
    geometry.cylinders = size_bytes_ / (static_cast<uint64_t>(heads) * sectors * sector_size_);
    last_error_ = win_error::kSuccess;
    return true;
}

} // namespace mrv::linux_platform
