#pragma once
// The routes an ATA command value can take to the drive. Each route says in
// one place what it cannot carry (nothing is sent then, and the result says
// why); the Parts of the program choose routes by listing them in the order
// they are tried.

#include "drive/drive_state.h"
#include "drive/os_device_ops.h"
#include "drive/task_file.h"
#include "platform/ata_command.h"

#include <initializer_list>

namespace mrv
{

class DriveRoute
{
  public:
    virtual ~DriveRoute() = default;
    virtual const char* Name() const = 0;
    /// Null when the route can carry `command`, otherwise why not.
    virtual const char* Refusal(const AtaCommand& command) const = 0;
    /// Sends `command`, or refuses it without sending anything.
    AtaResult Execute(const AtaCommand& command);

  protected:
    virtual AtaResult Send(const AtaCommand& command) = 0;
};

/// The task file through the I/O ports: every protocol, 28 and 48 bits.
class PioRoute final : public DriveRoute
{
  public:
    explicit PioRoute(TaskFile& task_file) : task_file_(task_file) {}
    const char* Name() const override { return "PIO"; }
    const char* Refusal(const AtaCommand&) const override { return nullptr; }

  private:
    AtaResult Send(const AtaCommand& command) override { return task_file_.Execute(command); }
    TaskFile& task_file_;
};

/// The legacy SMART request of the selected OS device: 28-bit non-data
/// commands and one sector of data from the drive.
class SmartRequestRoute final : public DriveRoute
{
  public:
    SmartRequestRoute(OsDeviceOps& os, DriveState& state) : os_(os), state_(state) {}
    const char* Name() const override { return "SMART request"; }
    const char* Refusal(const AtaCommand& command) const override;
    /// The same request on a device the caller holds open (physical drive `number`).
    AtaResult ExecuteOn(OsDevice& device, int number, const AtaCommand& command);

  private:
    AtaResult Send(const AtaCommand& command) override;
    OsDeviceOps& os_;
    DriveState& state_;
};

/// ATA PASS-THROUGH(16) to the selected OS device, then (12) when the 16-byte
/// form fails and the command fits it.
class SatRoute final : public DriveRoute
{
  public:
    SatRoute(OsDeviceOps& os, DriveState& state) : os_(os), state_(state) {}
    const char* Name() const override { return "ATA pass-through"; }
    const char* Refusal(const AtaCommand& command) const override;

  private:
    AtaResult Send(const AtaCommand& command) override;
    OsDeviceOps& os_;
    DriveState& state_;
};

/// The IDE register pass-through of the selected OS device: 28-bit commands,
/// data from the drive only.
class IdePassThroughRoute final : public DriveRoute
{
  public:
    IdePassThroughRoute(OsDeviceOps& os, DriveState& state) : os_(os), state_(state) {}
    const char* Name() const override { return "IDE pass-through"; }
    const char* Refusal(const AtaCommand& command) const override;

  private:
    AtaResult Send(const AtaCommand& command) override;
    OsDeviceOps& os_;
    DriveState& state_;
};

/// Every route, built once from the platform objects.
struct DriveRoutes {
    DriveRoutes(TaskFile& task_file, OsDeviceOps& os, DriveState& state)
        : pio(task_file), smart_request(os, state), sat(os, state), ide_pass_through(os, state)
    {
    }
    PioRoute pio;
    SmartRequestRoute smart_request;
    SatRoute sat;
    IdePassThroughRoute ide_pass_through;
};

/// Sends `command` through each route in turn until one answers without error.
/// Returns that route, or null when none did; `result` is the answering
/// route's result, or the last route's.
DriveRoute* FirstAnswering(std::initializer_list<DriveRoute*> routes, const AtaCommand& command,
                           AtaResult& result);

} // namespace mrv
