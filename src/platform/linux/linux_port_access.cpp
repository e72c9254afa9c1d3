#include "platform/linux/linux_port_access.h"

#include "platform/linux/error_map.h"

#include <cerrno>
#include <cstring>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define MRV_HAVE_PORTS 1
#endif

namespace mrv::linux_platform
{

namespace
{

// ioperm covers the whole 64 KiB port space on current kernels: the task file
// of both channels, the speaker timer, the PCI configuration ports at 0CF8h
// and the power adaptor beside a custom channel.
constexpr unsigned long kPortSpace = 0x10000;

std::string Reason(const char* call, int error_number)
{
    return std::string(call) + ": " + std::strerror(error_number);
}

} // namespace

// Nothing is installed on Linux: the kernel is the "driver", and its grant
// needs no service. The steps report success so that the start-up sequence
// goes straight to the grant, where a refusal is reported with its reason.

bool LinuxPortAccess::SystemDirectory(std::string& dir)
{
    utsname names{};
    if (uname(&names) != 0) {
        last_reason_ = Reason("uname", errno);
        return false;
    }
    dir = std::string("/lib/modules/") + names.release;
    return true;
}

uint32_t LinuxPortAccess::CopyDriverFile(const std::string&, const std::string&)
{
    return win_error::kSuccess;
}

uint32_t LinuxPortAccess::OpenServiceManager()
{
    return win_error::kSuccess;
}

uint32_t LinuxPortAccess::CreateService(const std::string&, const std::string&)
{
    return win_error::kSuccess;
}

uint32_t LinuxPortAccess::OpenService(const std::string&)
{
    return win_error::kSuccess;
}

uint32_t LinuxPortAccess::StartService()
{
    return win_error::kSuccess;
}

void LinuxPortAccess::CloseService() {}

uint32_t LinuxPortAccess::OpenDevice()
{
    device_open_ = true;
    allow_all_ = false;
    last_reason_.clear();
    return win_error::kSuccess;
}

uint32_t LinuxPortAccess::Control(uint32_t code, const void* input, uint32_t input_size)
{
    if (!device_open_) {
        last_reason_ = "port grant requested before the device was opened";
        return win_error::kInvalidHandle;
    }
    switch (code) {
    case kRestrictAllPorts:
        allow_all_ = false;
        return Restrict();
    case kAllowAllPorts:
        allow_all_ = true;
        return win_error::kSuccess;
    case kApplyToProcess: {
        if (input == nullptr || input_size != sizeof(uint32_t)) {
            last_reason_ = "process id missing";
            return win_error::kInvalidParameter;
        }
        uint32_t pid = 0;
        std::memcpy(&pid, input, sizeof pid);
        // The kernel grants ports only to the calling process.
        if (pid != static_cast<uint32_t>(getpid())) {
            last_reason_ = "ports can be granted to this process only";
            return win_error::kInvalidParameter;
        }
        return allow_all_ ? Grant() : Restrict();
    }
    default:
        last_reason_ = "unknown control code";
        return win_error::kInvalidFunction;
    }
}

void LinuxPortAccess::CloseDevice()
{
    // The grant stays with the process, as it does with the Windows driver.
    device_open_ = false;
}

std::string LinuxPortAccess::LastReason() const
{
    return last_reason_;
}

uint32_t LinuxPortAccess::Grant()
{
#ifdef MRV_HAVE_PORTS
    // The grant holds for the calling thread and the threads it starts later,
    // so it is made on the start-up thread before any worker exists.
    if (iopl(3) == 0) {
        last_reason_.clear();
        return win_error::kSuccess;
    }
    const int iopl_error = errno;
    if (ioperm(0, kPortSpace, 1) == 0) {
        last_reason_.clear();
        return win_error::kSuccess;
    }
    const int ioperm_error = errno;
    last_reason_ = Reason("iopl", iopl_error) + "; " + Reason("ioperm", ioperm_error);
    return errno_to_win_error(ioperm_error == ENOSYS ? iopl_error : ioperm_error);
#else
    last_reason_ = "iopl: no I/O ports on this processor";
    return win_error::kNotSupported;
#endif
}

uint32_t LinuxPortAccess::Restrict()
{
#ifdef MRV_HAVE_PORTS
    // Dropping a permission the process does not hold cannot fail in a way that
    // matters: a kernel without the calls has nothing to restrict.
    iopl(0);
    ioperm(0, kPortSpace, 0);
#endif
    last_reason_.clear();
    return win_error::kSuccess;
}

} // namespace mrv::linux_platform
