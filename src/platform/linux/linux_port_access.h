#pragma once
// The port grant on Linux. There is no driver to install: the kernel itself
// grants port access (iopl, or the ioperm bitmap), so the service steps
// succeed at once and the grant happens when the permission map is applied.

#include "platform/port_access.h"

#include <string>

namespace mrv::linux_platform
{

/// The driver's control codes (device type 9C40h, buffered, any access).
inline constexpr uint32_t kRestrictAllPorts = 0x9C402400;
inline constexpr uint32_t kAllowAllPorts = 0x9C402404;
inline constexpr uint32_t kApplyToProcess = 0x9C40240C;

class LinuxPortAccess : public PortAccessService
{
  public:
    bool SystemDirectory(std::string& dir) override;
    uint32_t CopyDriverFile(const std::string& from, const std::string& to) override;
    uint32_t OpenServiceManager() override;
    uint32_t CreateService(const std::string& name, const std::string& binary_path) override;
    uint32_t OpenService(const std::string& name) override;
    uint32_t StartService() override;
    void CloseService() override;
    uint32_t OpenDevice() override;
    uint32_t Control(uint32_t code, const void* input, uint32_t input_size) override;
    void CloseDevice() override;
    std::string LastReason() const override;

  private:
    uint32_t Grant();
    uint32_t Restrict();

    bool device_open_ = false;
    bool allow_all_ = false;
    std::string last_reason_;
};

} // namespace mrv::linux_platform
