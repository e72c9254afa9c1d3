#pragma once
// One opened Linux block device behind the OsDevice interface: positioned
// O_DIRECT reads and writes, SG_IO pass-through, the HDIO register requests
// and the geometry, with failures as Windows error numbers.

#include "platform/linux/block_devices.h"
#include "platform/os_devices.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace mrv::linux_platform
{

/// How a device answers the geometry request.
enum class GeometrySource {
    Classic,   ///< 255 heads, 63 sectors: what the system reports for an ATA or SCSI disk
    Kernel,    ///< HDIO_GETGEO when it answers, else synthetic
    Synthetic, ///< a virtual device: 64 heads, 32 sectors
};

/// Receives one line per register-level request (off when empty).
using TraceSink = std::function<void(const std::string&)>;

struct DeviceNode {
    std::string path; ///< e.g. "/dev/sda"
    bool removable = false;
    GeometrySource geometry = GeometrySource::Kernel;
    OsDeviceKind kind = OsDeviceKind::Unknown;
    /// The device number the node must carry (none when not known): a node
    /// that now stands for another device is refused.
    bool check_number = false;
    uint32_t major = 0;
    uint32_t minor = 0;
    TraceSink trace;
};

/// Geometry source for a device of the given family ("sdb1" answers like "sdb").
GeometrySource GeometrySourceFor(const std::string& name);

/// 64 heads, 32 sectors per track: the kernel's own default translation. Not
/// 63 sectors, so that the program lists such a device as a virtual drive.
inline constexpr uint32_t kSyntheticHeads = 64;
inline constexpr uint32_t kSyntheticSectorsPerTrack = 32;

class LinuxOsDevice : public OsDevice
{
  public:
    /// Opens the node; null with `error` set (Windows number) when it cannot be opened.
    static std::unique_ptr<LinuxOsDevice> Open(const DeviceNode& node, uint32_t& error);
    ~LinuxOsDevice() override;
    LinuxOsDevice(const LinuxOsDevice&) = delete;
    LinuxOsDevice& operator=(const LinuxOsDevice&) = delete;

    int64_t SetPosition(uint64_t byte_offset) override;
    bool Read(void* buffer, uint32_t length, uint32_t& done) override;
    bool Write(const void* buffer, uint32_t length, uint32_t& done) override;
    bool ScsiPassThrough(const ScsiRequest& request, ScsiReply& reply) override;
    bool SmartRequest(uint8_t drive_number, const AtaRegisters& in, uint8_t* data512, bool data_in,
                      AtaRegisters& out) override;
    bool IdePassThrough(AtaRegisters& regs, uint8_t* data, uint32_t data_length) override;
    bool Geometry(OsGeometry& geometry) override;
    bool NvmeAdmin(const NvmeAdminCommand& command, NvmeReply& reply) override;
    uint32_t LastError() const override { return last_error_; }

    bool writable() const { return write_refusal_ == 0; }

  private:
    LinuxOsDevice(int fd, const DeviceNode& node, uint32_t write_refusal);

    bool Fail(uint32_t error);
    bool FailErrno(int error_number);
    void RefreshSize();
    bool NoMedium() const { return node_.removable && size_bytes_ == 0; }
    bool TransferDirect(bool write, uint8_t* buffer, uint32_t length, uint32_t& done, int& error_number);
    bool TransferBounced(bool write, uint8_t* buffer, uint32_t length, uint32_t& done);
    uint8_t* Bounce();
    bool DoScsiPassThrough(const ScsiRequest& request, ScsiReply& reply);
    bool DoSmartRequest(const AtaRegisters& in, uint8_t* data512, bool data_in, AtaRegisters& out);
    bool DoIdePassThrough(AtaRegisters& regs, uint8_t* data, uint32_t data_length);
    /// SG_IO ATA PASS-THROUGH(16) with the registers in `regs`, returned in `regs`.
    bool AtaPassThroughSgIo(AtaRegisters& regs, uint8_t* data, uint32_t data_length);
    bool DoNvmeAdmin(const NvmeAdminCommand& command, NvmeReply& reply);

    struct FreeDeleter {
        void operator()(uint8_t* p) const { std::free(p); }
    };

    int fd_;
    DeviceNode node_;
    uint32_t write_refusal_; ///< error for writes on a handle opened read-only
    uint64_t size_bytes_ = 0;
    uint32_t sector_size_ = 512;
    uint64_t position_ = 0;
    uint32_t last_error_ = 0;
    std::unique_ptr<uint8_t, FreeDeleter> bounce_;
};

} // namespace mrv::linux_platform
