#pragma once
// The port-access grant: install, start and open the port driver service and
// have it open every I/O port to this process. Every failing step is logged.
// On Linux nothing is installed; the kernel grants the ports itself and a
// refusal is logged once with the kernel's reason.

#include <cstdint>
#include <string>

namespace mrv
{

class ProgramImpl;

class PortDriver
{
  public:
    explicit PortDriver(ProgramImpl& program);

    static constexpr const char* kServiceName = "PortTalk";
    static constexpr const char* kDriverFile = "PortTalk.sys";
    /// Control codes (device type 9C40h, buffered, any access).
    static constexpr uint32_t kRestrictAll = 0x9C402400;
    static constexpr uint32_t kAllowAll = 0x9C402404;
    static constexpr uint32_t kApplyToProcess = 0x9C40240C;

    /// Copies the driver into the system's driver folder and creates the service.
    bool InstallPortDriver();
    /// Starts the service, installing it first when it does not exist.
    bool StartPortDriver();
    /// Opens the driver (starting it when needed) and grants this process every port.
    bool OpenPortDriver();

  private:
    /// Real Linux: the kernel is the grant, there is no driver of ours.
    bool KernelGrant() const;
    void Fail(const std::string& text);

    ProgramImpl& p_;
};

} // namespace mrv
