#include "platform/linux/error_map.h"

#include "platform/port_access.h"

#include <cerrno>

namespace mrv::linux_platform
{

namespace
{

struct ErrnoEntry {
    int error_number;
    uint32_t win;
};

// The numbers are those Windows returns for the same condition on a disk
// handle, so that the program's error tables work unchanged.
constexpr ErrnoEntry kErrnoTable[] = {
    {0, win_error::kSuccess},
    {EPERM, win_error::kAccessDenied},
    {EACCES, win_error::kAccessDenied},
    {ENOENT, win_error::kFileNotFound},
    {ENXIO, win_error::kDevNotExist},
    {ENODEV, win_error::kDevNotExist},
    {EBADF, win_error::kInvalidHandle},
    {ENOMEDIUM, win_error::kNotReady},
    {EMEDIUMTYPE, win_error::kUnrecognizedMedia},
    {EROFS, win_error::kWriteProtect},
    // Direct I/O reports a medium error as ENODATA, a protection error as EILSEQ.
    {ENODATA, win_error::kCrc},
    {EILSEQ, win_error::kCrc},
    {EBADMSG, win_error::kCrc},
    {ESPIPE, win_error::kSeek},
    {ENOSPC, win_error::kSectorNotFound},
    {EINVAL, win_error::kInvalidParameter},
    {EFAULT, win_error::kInvalidParameter},
    {EOVERFLOW, win_error::kInvalidParameter},
    {E2BIG, win_error::kInvalidParameter},
    {ETIMEDOUT, win_error::kSemTimeout},
    {ETIME, win_error::kSemTimeout},
    {EIO, win_error::kIoDevice},
    {EREMOTEIO, win_error::kIoDevice},
    {ENOLINK, win_error::kIoDevice},
    {EBADE, win_error::kIoDevice},
    {ENOTCONN, win_error::kDeviceNotConnected},
    {ESHUTDOWN, win_error::kDeviceNotConnected},
    {ENOTTY, win_error::kNotSupported},
    {EOPNOTSUPP, win_error::kNotSupported},
    {ENOSYS, win_error::kNotSupported},
    {EBUSY, win_error::kBusy},
    {EAGAIN, win_error::kBusy},
    {ENOMEM, win_error::kNotEnoughMemory},
};

/// `asc` 0xFF matches any additional sense code of the key.
struct SenseEntry {
    uint8_t key;
    uint8_t asc;
    uint32_t win;
};

constexpr uint8_t kAnyAsc = 0xFF;

// First match wins, so specific codes come before the key's default.
constexpr SenseEntry kSenseTable[] = {
    {0x0, kAnyAsc, win_error::kSuccess},           // NO SENSE
    {0x1, kAnyAsc, win_error::kSuccess},           // RECOVERED ERROR
    {0x2, kAnyAsc, win_error::kNotReady},          // NOT READY (incl. medium not present)
    {0x3, 0x12, win_error::kFloppyIdMarkNotFound}, // address mark not found for ID field
    {0x3, 0x13, win_error::kFloppyIdMarkNotFound}, // address mark not found for data field
    {0x3, 0x14, win_error::kSectorNotFound},       // recorded entity not found
    {0x3, 0x15, win_error::kSeek},                 // positioning error
    {0x3, 0x30, win_error::kUnrecognizedMedia},    // incompatible medium
    {0x3, 0x31, win_error::kUnrecognizedMedia},    // medium format corrupted
    {0x3, kAnyAsc, win_error::kCrc},               // MEDIUM ERROR
    {0x4, 0x15, win_error::kSeek},                 // mechanical positioning error
    {0x4, kAnyAsc, win_error::kIoDevice},          // HARDWARE ERROR
    {0x5, 0x21, win_error::kSectorNotFound},       // LBA out of range
    {0x5, kAnyAsc, win_error::kInvalidFunction},   // ILLEGAL REQUEST
    {0x6, 0x28, win_error::kMediaChanged},         // not ready to ready change
    {0x6, kAnyAsc, win_error::kIoDevice},          // UNIT ATTENTION
    {0x7, kAnyAsc, win_error::kWriteProtect},      // DATA PROTECT
    {0xB, kAnyAsc, win_error::kIoDevice},          // ABORTED COMMAND
    {0xD, kAnyAsc, win_error::kSectorNotFound},    // VOLUME OVERFLOW
    {0xE, kAnyAsc, win_error::kCrc},               // MISCOMPARE
};

// SG_IO host_status values (DID_*).
struct HostEntry {
    uint16_t host_status;
    uint32_t win;
};

constexpr HostEntry kHostTable[] = {
    {0x00, win_error::kSuccess},            // DID_OK
    {0x01, win_error::kDeviceNotConnected}, // DID_NO_CONNECT
    {0x02, win_error::kBusy},               // DID_BUS_BUSY
    {0x03, win_error::kSemTimeout},         // DID_TIME_OUT
    {0x04, win_error::kDevNotExist},        // DID_BAD_TARGET
    {0x05, win_error::kSemTimeout},         // DID_ABORT (the error handler gave up on it)
    {0x06, win_error::kCrc},                // DID_PARITY
    {0x07, win_error::kIoDevice},           // DID_ERROR
    {0x08, win_error::kIoDevice},           // DID_RESET
    {0x0E, win_error::kDeviceNotConnected}, // DID_TRANSPORT_DISRUPTED
    {0x0F, win_error::kDeviceNotConnected}, // DID_TRANSPORT_FAILFAST
};

constexpr uint16_t kDriverTimeout = 0x06; // DRIVER_TIMEOUT in the driver byte

} // namespace

uint32_t errno_to_win_error(int error_number)
{
    for (const auto& entry : kErrnoTable)
        if (entry.error_number == error_number) return entry.win;
    return win_error::kGenFailure;
}

SenseCodes ParseSense(const uint8_t* sense, size_t length)
{
    SenseCodes codes;
    if (sense == nullptr || length < 3) return codes;
    const uint8_t response = sense[0] & 0x7F;
    if (response == 0x70 || response == 0x71) {
        codes.valid = true;
        codes.key = sense[2] & 0x0F;
        if (length > 12) codes.asc = sense[12];
        if (length > 13) codes.ascq = sense[13];
    } else if (response == 0x72 || response == 0x73) {
        codes.valid = true;
        codes.key = sense[1] & 0x0F;
        codes.asc = sense[2];
        if (length > 3) codes.ascq = sense[3];
    }
    return codes;
}

uint32_t sense_to_win_error(const uint8_t* sense, size_t length)
{
    if (sense == nullptr || length == 0) return win_error::kSuccess;
    const SenseCodes codes = ParseSense(sense, length);
    if (!codes.valid) return win_error::kGenFailure;
    for (const auto& entry : kSenseTable)
        if (entry.key == codes.key && (entry.asc == kAnyAsc || entry.asc == codes.asc)) return entry.win;
    return win_error::kGenFailure;
}

uint32_t sg_status_to_win_error(uint16_t host_status, uint16_t driver_status)
{
    if (host_status != 0) {
        for (const auto& entry : kHostTable)
            if (entry.host_status == host_status) return entry.win;
        return win_error::kIoDevice;
    }
    if ((driver_status & 0x0F) == kDriverTimeout) return win_error::kSemTimeout;
    return win_error::kSuccess;
}

} // namespace mrv::linux_platform
