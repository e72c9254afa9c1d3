#include "access/os_device.h"

#include "access/access_mode_switch.h"
#include "access/api_device_list.h"
#include "app/program_impl.h"

namespace mrv
{

OsDeviceAccess::OsDeviceAccess(ProgramImpl& program)
    : OsDeviceOps(program.platform.devices, program.platform.clock, program.state, program.drive_host),
      p_(program), list_(std::make_unique<ApiDeviceList>(program, *this)),
      mode_switch_(std::make_unique<AccessModeSwitch>(program, *this))
{
}

OsDeviceAccess::~OsDeviceAccess() = default;

const char* ApiSmartRoute::Refusal(const AtaCommand& command) const
{
    if (p_.state.access_mode != AccessMode::Api) return "the SMART request is an API-mode route";
    if (p_.state.passport.NonAta) return "the passport says the drive is not an ATA drive";
    return p_.routes.smart_request.Refusal(command);
}

AtaResult ApiSmartRoute::Send(const AtaCommand& command)
{
    return p_.routes.smart_request.Execute(command);
}

void OsDeviceAccess::BuildApiDeviceList()
{
    list_->BuildApiDeviceList();
}

bool OsDeviceAccess::IssueBlockCommand(OsDevice* device, uint32_t count, uint8_t command, uint64_t lba)
{
    SharedState& st = p_.state;
    return OsDeviceOps::IssueBlockCommand(device, count, command, lba, st.passport.SectorSize,
                                          st.ApiBuffer.get(), SharedState::kApiBufferSize);
}

bool OsDeviceAccess::IssueBlockCommand(uint32_t count, uint8_t command, uint64_t lba)
{
    std::unique_ptr<OsDevice> device = OpenCurrentDevice();
    if (!device) return false;
    return IssueBlockCommand(device.get(), count, command, lba);
}

} // namespace mrv
