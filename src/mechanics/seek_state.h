#pragma once
// The seek test's state shared by the user-interface thread and its worker.
// The worker's counters and flags are relaxed atomics; the texts are written
// inside hand-offs only.

#include "scan/scan_state.h"
#include "scan/scan_timing.h"

#include <cstdint>
#include <string>

namespace mrv
{

/// The access methods, in the order of the method group's items.
enum class SeekMethod : uint8_t { Seek = 0, Verify = 1, Read = 2, LongWrite = 3 };

/// `SeekError` values.
enum class SeekFailure : uint8_t { None = 0, Timeout = 1, DriveError = 2 };

struct SeekState {
    Relaxed<uint64_t> SeekStartLba;
    Relaxed<uint64_t> SeekEndLba;
    Relaxed<uint64_t> SeekLba;
    /// Time of the current access in `SeekLimit`'s units.
    Relaxed<uint32_t> AccessTime;
    /// 100 µs units in PIO tick polling, else milliseconds.
    Relaxed<uint32_t> SeekLimit{250};
    Relaxed<uint32_t> SeekSampleCount;
    Relaxed<uint32_t> SeekCount;
    Relaxed<SeekFailure> SeekError{SeekFailure::None};
    /// The error register of a failed access.
    Relaxed<uint8_t> ErrorRegister;
    Relaxed<bool> SeekRunning;
    Relaxed<bool> SeekWaiting;
    Relaxed<SeekMethod> Method{SeekMethod::Seek};
    Relaxed<ScanTimer> Timer{ScanTimer::TickPolling};

    // Written on the user-interface thread only.
    std::string SeekAverageText = "0.0";
    int16_t HdaTemperature = 0;
};

} // namespace mrv
