#pragma once
// The port-permission grant. On Windows this is a kernel service that the program
// installs, starts and opens; the program logic drives it step by step and reports
// every failing step. Results are Windows error numbers (0 = success) so that the
// program's messages stay the same on every platform.

#include <cstdint>
#include <string>

namespace mrv
{

namespace win_error
{
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kNotReady = 21;
inline constexpr uint32_t kCrc = 23;
inline constexpr uint32_t kSeek = 25;
inline constexpr uint32_t kSectorNotFound = 27;
inline constexpr uint32_t kGenFailure = 31;
inline constexpr uint32_t kDevNotExist = 55;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kSemTimeout = 121;
inline constexpr uint32_t kInvalidName = 123;
inline constexpr uint32_t kNoToken = 1008;
inline constexpr uint32_t kServiceAlreadyRunning = 1056;
inline constexpr uint32_t kServiceDoesNotExist = 1060;
inline constexpr uint32_t kServiceExists = 1073;
inline constexpr uint32_t kIoDevice = 1117;
inline constexpr uint32_t kNoMediaInDrive = 1112;
inline constexpr uint32_t kDiskOperationFailed = 1127;
inline constexpr uint32_t kDeviceNotConnected = 1167;
inline constexpr uint32_t kNotSupported = 50;
inline constexpr uint32_t kBadCommand = 22;
inline constexpr uint32_t kInvalidFunction = 1;
inline constexpr uint32_t kNotEnoughMemory = 8;
inline constexpr uint32_t kWriteProtect = 19;
inline constexpr uint32_t kBusy = 170;
inline constexpr uint32_t kMediaChanged = 1110;
inline constexpr uint32_t kFloppyIdMarkNotFound = 1122;
inline constexpr uint32_t kUnrecognizedMedia = 1785;
} // namespace win_error

/// The steps of the port-access grant. Each returns a Windows error number.
class PortAccessService
{
  public:
    virtual ~PortAccessService() = default;

    /// The system directory; false when it cannot be found.
    virtual bool SystemDirectory(std::string& dir) = 0;
    /// Copies the driver file next to the program into the system's driver folder.
    virtual uint32_t CopyDriverFile(const std::string& from, const std::string& to) = 0;
    virtual uint32_t OpenServiceManager() = 0;
    /// Creates the kernel service; kServiceExists when it is there already.
    virtual uint32_t CreateService(const std::string& name, const std::string& binary_path) = 0;
    virtual uint32_t OpenService(const std::string& name) = 0;
    virtual uint32_t StartService() = 0;
    virtual void CloseService() = 0;
    /// Opens the driver's device.
    virtual uint32_t OpenDevice() = 0;
    /// Sends a control code with an optional 4-byte input.
    virtual uint32_t Control(uint32_t code, const void* input, uint32_t input_size) = 0;
    virtual void CloseDevice() = 0;
    /// Reason for the last failure in the platform's own words (empty when none).
    virtual std::string LastReason() const { return {}; }
};

} // namespace mrv
