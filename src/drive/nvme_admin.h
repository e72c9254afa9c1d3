#pragma once
// The NVMe admin commands the program sends, built into command values and
// sent through an open OS device: identification, log pages, device
// self-test, Format NVM and Sanitize. Status fields are put into words here,
// so that every subsystem reports an NVMe failure the same way.

#include "platform/os_devices.h"

#include <cstdint>
#include <string>

namespace mrv
{

namespace nvme
{
inline constexpr uint8_t kGetLogPage = 0x02;
inline constexpr uint8_t kIdentify = 0x06;
inline constexpr uint8_t kDeviceSelfTest = 0x14;
inline constexpr uint8_t kFormatNvm = 0x80;
inline constexpr uint8_t kSanitize = 0x84;

inline constexpr uint8_t kCnsNamespace = 0x00;
inline constexpr uint8_t kCnsController = 0x01;

inline constexpr uint8_t kLogError = 0x01;
inline constexpr uint8_t kLogHealth = 0x02;
inline constexpr uint8_t kLogSelfTest = 0x06;
inline constexpr uint8_t kLogSanitize = 0x81;

inline constexpr uint8_t kSelfTestShort = 0x1;
inline constexpr uint8_t kSelfTestExtended = 0x2;
inline constexpr uint8_t kSelfTestAbort = 0xF;

/// Sanitize actions.
inline constexpr uint8_t kSanitizeExitFailure = 0x1;
inline constexpr uint8_t kSanitizeBlockErase = 0x2;
inline constexpr uint8_t kSanitizeOverwrite = 0x3;
inline constexpr uint8_t kSanitizeCryptoErase = 0x4;

/// Format NVM secure-erase settings.
inline constexpr uint8_t kFormatNoErase = 0;
inline constexpr uint8_t kFormatUserDataErase = 1;

inline constexpr uint32_t kIdentifySize = 4096;
inline constexpr uint32_t kAllNamespaces = 0xFFFFFFFFu;
} // namespace nvme

/// How one admin command went.
struct NvmeResult {
    bool answered = false;     ///< the controller saw it (false: the system request failed)
    uint32_t system_error = 0; ///< Windows error number when not answered
    uint16_t status = 0;       ///< the controller's status field
    uint32_t result = 0;       ///< completion dword 0
    bool Ok() const { return answered && (status & 0x7FF) == 0; }
};

NvmeAdminCommand NvmeIdentifyCommand(uint8_t cns, uint8_t* data4096);
/// Get Log Page of `length` bytes (a multiple of 4) for the device's own namespace
/// or, with `controller_wide`, the controller.
NvmeAdminCommand NvmeLogPageCommand(uint8_t log_id, uint8_t* data, uint32_t length, bool controller_wide);
NvmeAdminCommand NvmeSelfTestCommand(uint8_t code);
/// Format NVM of the device's own namespace to LBA format `format` (0..63).
NvmeAdminCommand NvmeFormatCommand(uint8_t format, uint8_t secure_erase);
NvmeAdminCommand NvmeSanitizeCommand(uint8_t action);

/// Sends `command`; the result says whether it got through and what the controller said.
NvmeResult SendNvmeAdmin(OsDevice& device, const NvmeAdminCommand& command);

/// The status field in words, e.g. "Invalid Field in Command"; "success" for 0.
std::string NvmeStatusText(uint16_t status);
/// A failed command's reason for a log line: the status in words, or the
/// system's error number when the request did not reach the controller.
std::string NvmeFailureText(const NvmeResult& result);

} // namespace mrv
