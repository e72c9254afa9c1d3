#pragma once
// Linux failures expressed as the Windows error numbers the program maps: one
// table for errno values, one for SCSI sense data, one for the SG_IO host and
// driver status bytes.

#include <cstddef>
#include <cstdint>

namespace mrv::linux_platform
{

/// Windows error number for an errno value (0 for 0; general failure when unknown).
uint32_t errno_to_win_error(int error_number);

/// Windows error number for SCSI sense data in fixed (70h/71h) or descriptor
/// (72h/73h) format; 0 for no sense, NO SENSE and RECOVERED ERROR.
uint32_t sense_to_win_error(const uint8_t* sense, size_t length);

/// Windows error number for the SG_IO host_status and driver_status bytes; 0
/// when neither reports a transport failure.
uint32_t sg_status_to_win_error(uint16_t host_status, uint16_t driver_status);

/// Sense key, additional sense code and qualifier, whichever the format.
struct SenseCodes {
    bool valid = false;
    uint8_t key = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;
};
SenseCodes ParseSense(const uint8_t* sense, size_t length);

} // namespace mrv::linux_platform
