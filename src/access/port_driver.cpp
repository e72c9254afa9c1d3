#include "access/port_driver.h"

#include "app/program_impl.h"

namespace mrv
{

PortDriver::PortDriver(ProgramImpl& program) : p_(program)
{
    p_.steps.InstallPortDriver = [this] { return InstallPortDriver(); };
    p_.steps.OpenPortDriver = [this] { return OpenPortDriver(); };
}

bool PortDriver::KernelGrant() const
{
    return !p_.platform.system.KernelName().empty();
}

void PortDriver::Fail(const std::string& text)
{
    p_.LogLine(text, kNewLine, kLogError);
}

bool PortDriver::InstallPortDriver()
{
    // The kernel grants ports by itself: there is nothing to copy or register.
    if (KernelGrant()) return true;
    PortAccessService& service = p_.platform.port_access;
    std::string dir;
    if (!service.SystemDirectory(dir)) {
        Fail("Failed to get System Directory.");
        Fail("Please manually copy driver to your system32/driver directory");
        return false;
    }
    if (service.CopyDriverFile(kDriverFile, dir + "\\Drivers\\" + kDriverFile) != win_error::kSuccess) {
        Fail("Driver file not found.");
        Fail("Please manually copy driver to your system32/driver directory");
        return false;
    }
    uint32_t error = service.OpenServiceManager();
    if (error == win_error::kSuccess)
        error = service.CreateService(kServiceName, std::string("System32\\Drivers\\") + kDriverFile);
    // A service left by an earlier run is what we want.
    if (error != win_error::kSuccess && error != win_error::kServiceExists)
        Fail("PortTalk: Unknown error while creating Service");
    service.CloseService();
    return true;
}

bool PortDriver::StartPortDriver()
{
    PortAccessService& service = p_.platform.port_access;
    if (service.OpenServiceManager() == win_error::kAccessDenied) {
        Fail("[AllowIO]You must have administrator rights");
        return false;
    }
    bool have_service = true;
    switch (service.OpenService(kServiceName)) {
    case win_error::kSuccess:
        break;
    case win_error::kAccessDenied:
        Fail("[PortTalk]You must have administrator rights");
        return false;
    case win_error::kInvalidName:
        Fail("Invalid service name");
        return false;
    case win_error::kServiceDoesNotExist:
        InstallPortDriver();
        have_service = false;
        break;
    default:
        have_service = false;
        break;
    }
    // Without a service handle the start cannot succeed (the service just
    // created is started by the next run).
    const uint32_t error = have_service ? service.StartService() : win_error::kInvalidHandle;
    service.CloseService();
    if (error == win_error::kSuccess) return true;
    if (error == win_error::kServiceAlreadyRunning)
        Fail("Driver already running");
    else
        Fail("Uknown error or driver not exist");
    return false;
}

bool PortDriver::OpenPortDriver()
{
    PortAccessService& service = p_.platform.port_access;
    const bool kernel = KernelGrant();
    // On Linux the steps below stand for iopl/ioperm; a refusal is told once,
    // in the kernel's words.
    auto fail = [&](const char* text) {
        if (kernel) {
            std::string reason = service.LastReason();
            Fail("I/O port access refused by the kernel" + (reason.empty() ? std::string() : ": " + reason));
        } else {
            Fail(text);
        }
    };
    if (service.OpenDevice() != win_error::kSuccess) {
        if (!kernel) StartPortDriver();
        if (service.OpenDevice() != win_error::kSuccess) {
            fail("PORTTALK Error. Invalid driver handle");
            return false;
        }
    }
    if (service.Control(kRestrictAll, nullptr, 0) != win_error::kSuccess) {
        fail("Can`t restrict access");
        service.CloseDevice();
        return false;
    }
    if (service.Control(kAllowAll, nullptr, 0) != win_error::kSuccess) {
        fail("Can`t allow access");
        service.CloseDevice();
        return false;
    }
    const uint32_t pid = p_.platform.system.ProcessId();
    if (service.Control(kApplyToProcess, &pid, sizeof pid) != win_error::kSuccess) {
        fail("Can`t IOMP on Process");
        service.CloseDevice();
        return false;
    }
    // The permission stays with the process after the handle is closed.
    service.CloseDevice();
    return true;
}

} // namespace mrv
