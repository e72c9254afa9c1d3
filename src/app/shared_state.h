#pragma once
// Process-wide drive state shared by every subsystem, owned by the program for
// its lifetime. Flags that worker threads read while the user interface writes
// them are atomics; everything else a worker touches is read or written only
// inside a synchronous hand-off to the user-interface thread.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "identify/drive_passport.h"

namespace mrv {

enum class AccessMode { Api = 0, Pio = 1 };

/// A buffer of 512-byte sectors read and written as little-endian 16-bit words.
class SectorWords {
public:
    explicit SectorWords(size_t sectors) : bytes_(sectors * 512, 0) {}
    uint8_t* Bytes() { return bytes_.data(); }
    const uint8_t* Bytes() const { return bytes_.data(); }
    size_t Size() const { return bytes_.size(); }
    uint16_t Word(size_t index) const
    {
        return static_cast<uint16_t>(bytes_[index * 2] | (bytes_[index * 2 + 1] << 8));
    }
    void SetWord(size_t index, uint16_t value)
    {
        bytes_[index * 2] = static_cast<uint8_t>(value);
        bytes_[index * 2 + 1] = static_cast<uint8_t>(value >> 8);
    }
    void Clear() { std::fill(bytes_.begin(), bytes_.end(), 0); }

private:
    std::vector<uint8_t> bytes_;
};

struct SharedState {
    // Access mode and channel.
    AccessMode access_mode = AccessMode::Pio;
    uint16_t BasePort = 0x170;
    uint16_t AltPort = 0x376;
    uint16_t StatusPort = 0x177;
    uint8_t DeviceSelectBit = 0x00;
    std::atomic<bool> Use48Bit{false};
    uint16_t CustomBase = 0xD400;
    uint16_t CustomAlt = 0xD802;
    bool PrimaryAllowed = false;
    bool EnablePm = false;

    // API device.
    int ApiDeviceIndex = 0;
    char ApiDriveLetter = 'C';
    int ApiHighestDevice = 0;

    // Timing.
    double CpuMHz = 0;
    std::atomic<uint32_t> TicksPerUnit{1};
    std::atomic<uint32_t> TicksPerMs{10};
    std::atomic<bool> UseCpuCounter{false};
    std::atomic<uint64_t> BusyTimeout{15000};
    std::atomic<uint64_t> DrqTimeout{100};
    std::atomic<uint64_t> ReadyTimeout{1000};

    // Process flags.
    bool IsNtFamily = false;
    bool Is64BitOs = false;
    bool DriverOpen = false;
    bool FilesWritable = true;
    bool AutoInstallDriver = true;
    std::atomic<bool> AppClosing{false};
    std::atomic<bool> LbaOutOfRange{false};
    bool WriteLbaStamp = false;
    bool RussianHelp = false;
    bool SavedSound = false;
    bool SoundMutedAtNight = false;
    bool Administrator = false;

    // Break state: set by "Break All" and the like, cleared by ResetBreakState.
    std::atomic<bool> BreakRequested{false};
    std::atomic<bool> AbortRequested{false};

    // Activity indicators.
    std::atomic<bool> PioReadActive{false};
    std::atomic<bool> PioWriteActive{false};
    std::atomic<bool> ApiReadActive{false};
    std::atomic<bool> ApiWriteActive{false};

    // Buffers.
    SectorWords SectorBuffer{4};
    SectorWords AuxSectorBuffer{1};
    SectorWords WideBuffer{32};
    /// 32 MiB plus one sector, for multi-sector API transfers. Zeroed pages
    /// are only touched when used.
    static constexpr size_t kApiBufferSize = 32u * 1024 * 1024 + 512;
    std::unique_ptr<uint8_t, decltype(&std::free)> ApiBuffer{
        static_cast<uint8_t*>(std::calloc(kApiBufferSize, 1)), &std::free};
    /// Held while a transfer stores data into one of the buffers above and
    /// while the buffer viewer copies from them, so that the viewer never reads
    /// a buffer a worker is filling. Only around the copy, never across a wait.
    std::mutex BufferLock;

    DrivePassport passport;
};

} // namespace mrv
