#pragma once
// The program's own result codes for SCSI pass-through: decoded from sense
// data when the device answered with a non-GOOD status, and from the system's
// error number when the request itself failed.

#include <cstddef>
#include <cstdint>

namespace mrv
{

namespace scsi_result
{
inline constexpr int kOk = 0;
inline constexpr int kInvalidHandle = 5;
inline constexpr int kSystemError = 10;
inline constexpr int kUnknownSenseFormat = 29;
inline constexpr int kFilemark = 30;
inline constexpr int kEndOfMedium = 31;
inline constexpr int kIncorrectLength = 32;
inline constexpr int kInformationValid = 33;
inline constexpr int kNoSense = 34;
/// 34 + sense key for keys 1–15 (37 medium error, 39 illegal request ...).
inline constexpr int kSenseKeyBase = 34;
} // namespace scsi_result

/// Sense data (fixed format expected) → result code: 0 when there is none.
int SenseToResult(const uint8_t* sense, size_t length);

/// A system error number of a failed request → result code (0 and 1 give 0:
/// callers that know the request failed must not take that for success).
int SystemErrorToResult(uint32_t error);

} // namespace mrv
