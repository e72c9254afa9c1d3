#include "sim/sim_os_devices.h"

#include <algorithm>
#include <cctype>

namespace mrv::sim
{

namespace
{

bool HasSataFront(OsPersonality p)
{
    return p == OsPersonality::SataPort;
}

BridgeCaps CapsOf(OsPersonality p)
{
    BridgeCaps caps;
    switch (p) {
    case OsPersonality::SataPort:
        caps.vendor = "ATA";
        break;
    case OsPersonality::UsbSat:
        caps.vendor = "USB-SATA";
        break;
    case OsPersonality::UsbSat12:
        caps.ata_pass_through_16 = false;
        caps.vendor = "USB-SATA";
        break;
    case OsPersonality::ScsiBridge:
        caps.ata_pass_through_16 = caps.ata_pass_through_12 = false;
        caps.vendor = "SCSI";
        break;
    case OsPersonality::VirtualDisk:
        caps.ata_pass_through_16 = caps.ata_pass_through_12 = false;
        caps.vendor = "Virtual";
        break;
    case OsPersonality::Nvme:
        caps.ata_pass_through_16 = caps.ata_pass_through_12 = false;
        caps.vendor = "NVMe";
        break;
    }
    return caps;
}

// Time-outs of the Linux stand-in for requests that carry none of their own.
constexpr uint32_t kBlockTimeoutSeconds = 30;      ///< the SCSI layer's, for reads and writes
constexpr uint32_t kHdioTimeoutSeconds = 10;       ///< libata's, for the legacy SMART request
constexpr uint32_t kAtaTimeoutSeconds = 30;        ///< the IDE pass-through's
constexpr uint32_t kMaxTimeoutSeconds = 24 * 3600; ///< the longest a request may ask for

/// Windows error number for an ATA error register after a failed transfer.
uint32_t AtaErrorToWin(const AtaResult& out)
{
    if (out.timed_out) return win_error::kSemTimeout;
    if (out.error & 0x40) return win_error::kCrc;
    if (out.error & 0x10) return win_error::kSectorNotFound;
    if (out.status & 0x20) return win_error::kIoDevice;
    return win_error::kIoDevice;
}

class SimOsDevice : public OsDevice
{
  public:
    /// `number` is the physical drive number; -1 for a drive letter.
    SimOsDevice(SimOsDevices& owner, OsDriveSlot slot, int number)
        : owner_(owner), slot_(slot), bridge_(*slot.drive, CapsOf(slot.personality)), number_(number)
    {
    }

    int64_t SetPosition(uint64_t byte_offset) override
    {
        const uint64_t size = bridge_.Sectors() * bridge_.SectorSize();
        if (byte_offset % bridge_.SectorSize() != 0 || byte_offset > size) {
            error_ = win_error::kInvalidParameter;
            return -1;
        }
        position_ = byte_offset;
        return static_cast<int64_t>(byte_offset);
    }

    bool Read(void* buffer, uint32_t length, uint32_t& done) override
    {
        done = 0;
        if (!Answers(kBlockTimeoutSeconds)) return false;
        return Transfer(static_cast<uint8_t*>(buffer), length, done, false);
    }

    bool Write(const void* buffer, uint32_t length, uint32_t& done) override
    {
        done = 0;
        if (!Answers(kBlockTimeoutSeconds)) return false;
        return Transfer(static_cast<uint8_t*>(const_cast<void*>(buffer)), length, done, true);
    }

    bool ScsiPassThrough(const ScsiRequest& request, ScsiReply& reply) override
    {
        ++owner_.scsi_commands[request.cdb[0]];
        reply = ScsiReply{};
        if (!Answers(std::max<uint32_t>(request.timeout_seconds, 1))) return false;
        // The system's NVMe driver offers no SCSI translation.
        if (slot_.nvme != nullptr) {
            error_ = win_error::kNotSupported;
            return false;
        }
        uint32_t error = 0;
        if (!bridge_.Execute(request, reply, error)) {
            error_ = error;
            return false;
        }
        return true;
    }

    bool SmartRequest(uint8_t, const mrv::AtaRegisters& in, uint8_t* data512, bool data_in,
                      mrv::AtaRegisters& out) override
    {
        ++owner_.smart_requests;
        if (!Answers(kHdioTimeoutSeconds)) return false;
        if (!HasSataFront(slot_.personality)) {
            error_ = win_error::kInvalidFunction;
            return false;
        }
        return RunRegisters(in, data_in ? data512 : nullptr, data_in ? 512 : 0, out);
    }

    bool IdePassThrough(mrv::AtaRegisters& regs, uint8_t* data, uint32_t data_length) override
    {
        if (!Answers(kAtaTimeoutSeconds)) return false;
        if (!HasSataFront(slot_.personality)) {
            error_ = win_error::kInvalidFunction;
            return false;
        }
        mrv::AtaRegisters out;
        const bool ok = RunRegisters(regs, data, data_length, out);
        regs = out;
        return ok;
    }

    bool NvmeAdmin(const NvmeAdminCommand& command, NvmeReply& reply) override
    {
        reply = NvmeReply{};
        if (!Answers(std::max<uint32_t>(command.timeout_seconds, 1))) return false;
        if (slot_.nvme == nullptr) {
            error_ = win_error::kNotSupported;
            return false;
        }
        uint32_t error = 0;
        if (!slot_.nvme->Admin(command, reply, error)) {
            error_ = error;
            return false;
        }
        return true;
    }

    bool Geometry(OsGeometry& g) override
    {
        // The kernel's own translation for disks that report no geometry.
        const bool virtual_disk =
            slot_.personality == OsPersonality::VirtualDisk || slot_.personality == OsPersonality::Nvme;
        g.bytes_per_sector = bridge_.SectorSize();
        g.sectors_per_track = slot_.sectors_per_track ? slot_.sectors_per_track : (virtual_disk ? 32 : 63);
        g.tracks_per_cylinder = slot_.heads ? slot_.heads : (virtual_disk ? 16 : 255);
        g.cylinders =
            bridge_.Sectors() / (static_cast<uint64_t>(g.sectors_per_track) * g.tracks_per_cylinder);
        g.media_type = slot_.removable ? 11 : 12;
        g.size_bytes = bridge_.Sectors() * bridge_.SectorSize();
        if (slot_.nvme != nullptr) {
            g.kind = OsDeviceKind::Nvme;
            g.sectors_per_track = slot_.sectors_per_track ? slot_.sectors_per_track : 32;
            g.tracks_per_cylinder = slot_.heads ? slot_.heads : 64;
            g.cylinders =
                bridge_.Sectors() / (static_cast<uint64_t>(g.sectors_per_track) * g.tracks_per_cylinder);
        }
        return true;
    }

    uint32_t LastError() const override { return error_; }

  private:
    /// False (with the error set) when the host side no longer answers.
    bool Answers(uint32_t timeout_seconds)
    {
        uint32_t error = 0;
        if (number_ < 0 || owner_.Answers(number_, *slot_.drive, timeout_seconds, error)) return true;
        error_ = error;
        return false;
    }

    bool RunRegisters(const mrv::AtaRegisters& in, uint8_t* data, uint32_t length, mrv::AtaRegisters& out)
    {
        // These requests carry 28-bit registers only: the low bytes.
        mrv::AtaRegisters low;
        low.features = in.features & 0xFF;
        low.count = in.count & 0xFF;
        low.lba_low = in.lba_low & 0xFF;
        low.lba_mid = in.lba_mid & 0xFF;
        low.lba_high = in.lba_high & 0xFF;
        low.device = in.device;
        low.command = in.command;
        AtaCommand c = (data != nullptr && length != 0) ? AtaCommand::PioIn(low, data, length)
                                                        : AtaCommand::NonData(low);
        c.timeout_seconds = 30;
        const AtaResult r = slot_.drive->Execute(c);
        out = r.Registers();
        out.count &= 0xFF;
        out.lba_low &= 0xFF;
        out.lba_mid &= 0xFF;
        out.lba_high &= 0xFF;
        if (!r.Ok()) {
            error_ = r.timed_out ? win_error::kSemTimeout : win_error::kIoDevice;
            return false;
        }
        return true;
    }

    bool Transfer(uint8_t* buffer, uint32_t length, uint32_t& done, bool write)
    {
        done = 0;
        const uint32_t size = bridge_.SectorSize();
        if (length % size != 0) {
            error_ = win_error::kInvalidParameter;
            return false;
        }
        uint64_t lba = position_ / size;
        uint64_t count = length / size;
        // A transfer ends at the end of the disk, as a file read does.
        count = std::min<uint64_t>(count, bridge_.Sectors() - std::min(lba, bridge_.Sectors()));
        const bool lba48 = slot_.drive->Config().lba48 || slot_.nvme != nullptr;
        if (slot_.nvme != nullptr && !slot_.nvme->Accepts(NvmeController::kIoTimeoutSeconds, error_))
            return false;
        if (slot_.nvme != nullptr && slot_.nvme->Sanitizing()) {
            error_ = win_error::kNotReady;
            return false;
        }
        while (count > 0) {
            const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(count, lba48 ? 65536 : 256));
            AtaCommand c = UsbBridge::BlockCommand(write ? 0x30 : 0x20, write ? 0x34 : 0x24, lba, chunk);
            c.protocol = write ? AtaProtocol::PioOut : AtaProtocol::PioIn;
            const size_t bytes = static_cast<size_t>(chunk) * size;
            c.data = buffer + done;
            c.data_length = bytes;
            const AtaResult out = slot_.drive->Execute(c);
            if (slot_.nvme != nullptr) {
                const uint64_t moved = out.Ok() ? chunk : out.transferred / size;
                std::optional<uint64_t> failed;
                if (!out.Ok()) failed = lba + moved;
                slot_.nvme->CountTransfer(write, moved, failed);
            }
            if (!out.Ok()) {
                done += out.transferred - out.transferred % size;
                position_ += out.transferred - out.transferred % size;
                error_ = AtaErrorToWin(out);
                return false;
            }
            done += static_cast<uint32_t>(bytes);
            position_ += bytes;
            lba += chunk;
            count -= chunk;
        }
        return true;
    }

    SimOsDevices& owner_;
    OsDriveSlot slot_;
    UsbBridge bridge_;
    int number_;
    uint64_t position_ = 0;
    uint32_t error_ = 0;
};

} // namespace

bool ParseOsPersonality(const std::string& name, OsPersonality& personality)
{
    std::string n;
    for (char c : name)
        n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::map<std::string, OsPersonality> kNames = {
        {"sata", OsPersonality::SataPort},       {"usb", OsPersonality::UsbSat},
        {"usb12", OsPersonality::UsbSat12},      {"scsi", OsPersonality::ScsiBridge},
        {"virtual", OsPersonality::VirtualDisk}, {"nvme", OsPersonality::Nvme},
    };
    auto it = kNames.find(n);
    if (it == kNames.end()) return false;
    personality = it->second;
    return true;
}

bool ParseLetterList(const std::string& text, std::vector<LetterSpec>& letters, std::string& why)
{
    static const std::map<std::string, LogicalDriveType> kTypes = {
        {"removable", LogicalDriveType::Removable}, {"fixed", LogicalDriveType::Fixed},
        {"network", LogicalDriveType::Remote},      {"cdrom", LogicalDriveType::CdRom},
        {"ramdisk", LogicalDriveType::RamDisk},     {"unknown", LogicalDriveType::Unknown},
    };
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        std::string item;
        for (char c : text.substr(at, end - at))
            if (c != ' ' && c != '\t') item += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        at = end + 1;
        if (item.empty()) continue;
        const auto colon = item.find(':');
        auto type = colon == std::string::npos ? kTypes.end() : kTypes.find(item.substr(colon + 1));
        if (colon != 1 || !std::isalpha(static_cast<unsigned char>(item[0])) || type == kTypes.end()) {
            why = "expected letter:type with a type of removable, fixed, network, cdrom, ramdisk or unknown: "
                  "'" +
                  item + "'";
            return false;
        }
        letters.push_back(
            {static_cast<char>(std::toupper(static_cast<unsigned char>(item[0]))), type->second});
    }
    return true;
}

void SimOsDevices::Configure(const LabConfig& config, const std::vector<std::unique_ptr<AtaDrive>>& drives)
{
    for (const auto& drive : drives) {
        const DriveConfig& c = drive->Config();
        if (c.os_number >= 0) {
            OsDriveSlot slot;
            slot.drive = drive.get();
            ParseOsPersonality(c.os_via, slot.personality);
            slot.removable = c.os_removable;
            slot.sectors_per_track = c.os_sectors_per_track;
            if (slot.personality == OsPersonality::Nvme) {
                auto& controller = nvme_[c.os_number];
                controller = std::make_unique<NvmeController>(*drive);
                slot.nvme = controller.get();
            }
            AddPhysical(c.os_number, slot);
            if (c.os_hang_after != 0) HangAfterRequests(c.os_number, c.os_hang_after);
        }
        std::vector<LetterSpec> letters;
        std::string why;
        if (!c.os_letter.empty() && ParseLetterList(c.os_letter, letters, why))
            for (const LetterSpec& l : letters)
                AddLogical(l.letter, {l.type, drive.get()});
    }
    std::vector<LetterSpec> empty;
    std::string why;
    if (ParseLetterList(config.empty_letters, empty, why))
        for (const LetterSpec& l : empty)
            AddLogical(l.letter, {l.type, nullptr});
}

std::unique_ptr<OsDevice> SimOsDevices::OpenPhysical(int number, uint32_t& error)
{
    auto it = physical_.find(number);
    bool powered = false;
    if (it != physical_.end() && it->second.drive != nullptr) {
        // A worker's command may switch the supply off at any moment.
        std::lock_guard<std::mutex> guard(it->second.drive->Lock());
        powered = it->second.drive->Powered();
    }
    if (!powered) {
        error = win_error::kFileNotFound;
        return nullptr;
    }
    // The node of a device the host gave up is still listed, but no longer opens.
    bool gone = it->second.nvme != nullptr && it->second.nvme->Removed();
    {
        std::lock_guard<std::mutex> guard(hang_lock_);
        auto hang = hangs_.find(number);
        gone = gone || (hang != hangs_.end() && hang->second.gone);
    }
    if (gone) {
        error = win_error::kDevNotExist;
        return nullptr;
    }
    error = 0;
    return std::make_unique<SimOsDevice>(*this, it->second, number);
}

std::unique_ptr<OsDevice> SimOsDevices::OpenLogical(char letter, uint32_t& error)
{
    auto it = logical_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    if (it == logical_.end()) {
        error = win_error::kFileNotFound;
        return nullptr;
    }
    if (it->second.drive == nullptr) {
        error = win_error::kNotReady; // no medium
        return nullptr;
    }
    OsDriveSlot slot;
    slot.personality = OsPersonality::ScsiBridge;
    slot.drive = it->second.drive;
    slot.removable = it->second.type == LogicalDriveType::Removable;
    error = 0;
    return std::make_unique<SimOsDevice>(*this, slot, -1);
}

uint32_t SimOsDevices::LogicalDriveMask()
{
    uint32_t mask = 0;
    for (const auto& [letter, slot] : logical_) {
        if (letter >= 'A' && letter <= 'Z') mask |= 1u << (letter - 'A');
    }
    return mask;
}

LogicalDriveType SimOsDevices::DriveType(char letter)
{
    auto it = logical_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return it == logical_.end() ? LogicalDriveType::NoRootDir : it->second.type;
}

SystemDiskUse SimOsDevices::PhysicalDriveUse(int number)
{
    auto it = physical_.find(number);
    if (it == physical_.end() || it->second.drive == nullptr) return {};
    return it->second.drive->Config().os_in_use;
}

NvmeController* SimOsDevices::Nvme(int number)
{
    auto it = nvme_.find(number);
    return it == nvme_.end() ? nullptr : it->second.get();
}

void SimOsDevices::HangAfterRequests(int number, uint32_t n)
{
    std::lock_guard<std::mutex> guard(hang_lock_);
    hangs_[number].countdown = n;
}

void SimOsDevices::PowerCycle()
{
    {
        std::lock_guard<std::mutex> guard(hang_lock_);
        for (auto& [number, hang] : hangs_)
            hang.gone = false;
    }
    for (auto& [number, controller] : nvme_)
        controller->Restore();
}

bool SimOsDevices::Answers(int number, AtaDrive& drive, uint32_t timeout_seconds, uint32_t& error)
{
    {
        std::lock_guard<std::mutex> guard(hang_lock_);
        auto it = hangs_.find(number);
        if (it == hangs_.end()) return true;
        Hang& hang = it->second;
        if (hang.gone) {
            error = win_error::kDevNotExist;
            return false;
        }
        if (hang.countdown == 0 || --hang.countdown != 0) return true;
        hang.gone = true;
    }
    // This request is the one the bridge never answers: the host waits out its time-out.
    drive.Time().SleepMs(std::min<uint32_t>(timeout_seconds, kMaxTimeoutSeconds) * 1000);
    error = win_error::kSemTimeout;
    return false;
}

SystemDiskUse SimOsDevices::LogicalDriveUse(char letter)
{
    auto it = logical_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    if (it == logical_.end() || it->second.drive == nullptr) return {};
    return it->second.drive->Config().os_in_use;
}

} // namespace mrv::sim
