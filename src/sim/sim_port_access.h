#pragma once
// The port-access service of the virtual PC. Each step answers as the lab file
// says, so that every failure path of the driver installation can be tried.

#include "platform/port_access.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace mrv::sim
{

enum class StepAnswer { Ok, Denied, InvalidName, Refused };

struct PortAccessConfig {
    bool system_directory = true;   ///< the system directory can be found
    bool driver_file = true;        ///< the driver file lies next to the program
    bool service_installed = false; ///< the service exists already
    bool service_running = false;   ///< and is running
    StepAnswer service_manager = StepAnswer::Ok;
    StepAnswer open_service = StepAnswer::Ok; ///< Ok, Denied or InvalidName
    StepAnswer restrict_code = StepAnswer::Ok;
    StepAnswer allow_code = StepAnswer::Ok;
    StepAnswer process_code = StepAnswer::Ok;
};

class SimPortAccess : public PortAccessService
{
  public:
    static constexpr uint32_t kRestrict = 0x9C402400;
    static constexpr uint32_t kAllow = 0x9C402404;
    static constexpr uint32_t kProcess = 0x9C40240C;

    explicit SimPortAccess(PortAccessConfig config) : config_(config) {}

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
    std::string LastReason() const override { return reason_; }

    /// True once the three control codes have granted this process all ports.
    bool PortsGranted() const { return granted_.load(); }
    bool ServiceInstalled() const { return config_.service_installed; }
    bool ServiceRunning() const { return config_.service_running; }
    bool DriverCopied() const { return copied_; }

  private:
    uint32_t Fail(uint32_t code, const std::string& reason);

    PortAccessConfig config_;
    bool manager_open_ = false;
    bool service_open_ = false;
    bool device_open_ = false;
    bool copied_ = false;
    bool restricted_ = false;
    bool allowed_ = false;
    std::atomic<bool> granted_{false};
    std::string reason_;
};

} // namespace mrv::sim
