#pragma once
// API mode as the program drives it: the device operations of the command
// layer on the selected device, with the program's transfer buffer and the
// passport's sector size, and the device list and mode switch that belong to
// them.

#include "drive/drive_routes.h"
#include "drive/os_device_ops.h"
#include "platform/ata_command.h"

#include <cstdint>
#include <memory>

namespace mrv
{

class ProgramImpl;
class ApiDeviceList;
class AccessModeSwitch;

/// The legacy SMART request as the program offers it: refused outside API
/// mode and while the passport says the drive is not an ATA drive.
class ApiSmartRoute final : public DriveRoute
{
  public:
    explicit ApiSmartRoute(ProgramImpl& program) : p_(program) {}
    const char* Name() const override { return "SMART request"; }
    const char* Refusal(const AtaCommand& command) const override;

  private:
    AtaResult Send(const AtaCommand& command) override;
    ProgramImpl& p_;
};

class OsDeviceAccess : public OsDeviceOps
{
  public:
    explicit OsDeviceAccess(ProgramImpl& program);
    ~OsDeviceAccess();

    /// The legacy SMART request on the selected device (see ApiSmartRoute).
    AtaResult ApiSmartCommand(const AtaCommand& command) { return smart_route_.Execute(command); }
    DriveRoute& SmartRoute() { return smart_route_; }

    void BuildApiDeviceList();

    /// The block command of API mode on an open device: 0x20 read, 0x30 write
    /// (stamped when `WriteLbaStamp` is on), 0x40 verify, 0x70 one-sector read,
    /// through `ApiBuffer` with the passport's sector size.
    bool IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba);
    /// The same on the current device, opened for this call only.
    bool IssueBlockCommand(uint32_t count, uint8_t command, uint64_t lba);

    ApiDeviceList& List() { return *list_; }
    AccessModeSwitch& ModeSwitch() { return *mode_switch_; }

  private:
    ProgramImpl& p_;
    ApiSmartRoute smart_route_{p_};
    std::unique_ptr<ApiDeviceList> list_;
    std::unique_ptr<AccessModeSwitch> mode_switch_;
};

} // namespace mrv
