#pragma once
// Process-wide drive state shared by every subsystem, owned by the program for
// its lifetime. Flags that worker threads read while the user interface writes
// them are atomics; everything else a worker touches is read or written only
// inside a synchronous hand-off to the user-interface thread.

#include "drive/drive_state.h"
#include "drive/sector_words.h"
#include "identify/drive_passport.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mrv
{

/// The drive state (see DriveState) and what only the program keeps.
struct SharedState : DriveState {
    // Access mode and channel.
    uint16_t CustomBase = 0xD400;
    uint16_t CustomAlt = 0xD802;
    bool PrimaryAllowed = false;
    bool EnablePm = false;

    // API device.
    int ApiHighestDevice = 0;

    // Timing.
    double CpuMHz = 0;

    // Process flags.
    bool Is64BitOs = false;
    bool FilesWritable = true;
    bool AutoInstallDriver = true;
    bool RussianHelp = false;
    bool SavedSound = false;
    bool SoundMutedAtNight = false;
    bool Administrator = false;

    // Buffers.
    SectorWords SectorBuffer{4};
    SectorWords AuxSectorBuffer{1};
    SectorWords WideBuffer{32};
    /// 32 MiB plus one sector, for multi-sector API transfers. Zeroed pages
    /// are only touched when used.
    static constexpr size_t kApiBufferSize = 32u * 1024 * 1024 + 512;
    std::unique_ptr<uint8_t, decltype(&std::free)> ApiBuffer{
        static_cast<uint8_t*>(std::calloc(kApiBufferSize, 1)), &std::free};
    /// Held while a transfer stores data into one of the buffers above (one
    /// sector or one block) and while the buffer viewer copies from them, so
    /// that the viewer never reads a buffer a worker is filling. The viewer's
    /// poll only tries it and skips a beat when a transfer holds it.
    std::mutex BufferLock;

    DrivePassport passport;
};

} // namespace mrv
