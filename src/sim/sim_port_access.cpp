#include "sim/sim_port_access.h"

namespace mrv::sim
{

uint32_t SimPortAccess::Fail(uint32_t code, const std::string& reason)
{
    reason_ = reason;
    return code;
}

bool SimPortAccess::SystemDirectory(std::string& dir)
{
    if (!config_.system_directory) {
        reason_ = "no system directory";
        return false;
    }
    dir = "C:\\WINDOWS\\system32";
    return true;
}

uint32_t SimPortAccess::CopyDriverFile(const std::string&, const std::string&)
{
    if (!config_.driver_file) return Fail(win_error::kFileNotFound, "the driver file is missing");
    copied_ = true;
    return win_error::kSuccess;
}

uint32_t SimPortAccess::OpenServiceManager()
{
    if (config_.service_manager == StepAnswer::Denied)
        return Fail(win_error::kAccessDenied, "access to the service manager denied");
    manager_open_ = true;
    return win_error::kSuccess;
}

uint32_t SimPortAccess::CreateService(const std::string&, const std::string&)
{
    if (!manager_open_) return Fail(win_error::kInvalidHandle, "no service manager");
    if (config_.service_installed) return Fail(win_error::kServiceExists, "the service exists");
    config_.service_installed = true;
    return win_error::kSuccess;
}

uint32_t SimPortAccess::OpenService(const std::string&)
{
    service_open_ = false;
    if (config_.open_service == StepAnswer::Denied) return Fail(win_error::kAccessDenied, "access denied");
    if (config_.open_service == StepAnswer::InvalidName)
        return Fail(win_error::kInvalidName, "invalid service name");
    if (!config_.service_installed) return Fail(win_error::kServiceDoesNotExist, "no such service");
    service_open_ = true;
    return win_error::kSuccess;
}

uint32_t SimPortAccess::StartService()
{
    if (!service_open_) return Fail(win_error::kInvalidHandle, "no service handle");
    if (config_.service_running) return Fail(win_error::kServiceAlreadyRunning, "already running");
    if (!config_.driver_file && !copied_) return Fail(win_error::kFileNotFound, "the driver file is missing");
    config_.service_running = true;
    return win_error::kSuccess;
}

void SimPortAccess::CloseService()
{
    service_open_ = false;
    manager_open_ = false;
}

uint32_t SimPortAccess::OpenDevice()
{
    if (!config_.service_running) return Fail(win_error::kFileNotFound, "the driver is not running");
    device_open_ = true;
    return win_error::kSuccess;
}

uint32_t SimPortAccess::Control(uint32_t code, const void* input, uint32_t input_size)
{
    if (!device_open_) return Fail(win_error::kInvalidHandle, "the device is not open");
    switch (code) {
    case kRestrict:
        if (config_.restrict_code == StepAnswer::Refused) return Fail(win_error::kGenFailure, "refused");
        restricted_ = true;
        return win_error::kSuccess;
    case kAllow:
        if (config_.allow_code == StepAnswer::Refused) return Fail(win_error::kGenFailure, "refused");
        allowed_ = true;
        return win_error::kSuccess;
    case kProcess:
        if (config_.process_code == StepAnswer::Refused) return Fail(win_error::kGenFailure, "refused");
        if (input == nullptr || input_size != 4) return Fail(win_error::kInvalidParameter, "no process id");
        granted_.store(allowed_);
        return win_error::kSuccess;
    default:
        return Fail(win_error::kInvalidParameter, "unknown control code");
    }
}

void SimPortAccess::CloseDevice()
{
    device_open_ = false;
}

} // namespace mrv::sim
