#pragma once
// One IDE channel: the command block at `base` (eight ports) and the control
// block at `alt` (alternate status / device control), with a master and a slave
// position. Reads with no powered device selected float (all ones).

#include "sim/ata_drive.h"
#include "sim/port_device.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace mrv::sim
{

class IdeChannel : public PortDevice
{
  public:
    IdeChannel(uint16_t base, uint16_t alt);

    uint16_t Base() const { return base_; }
    uint16_t Alt() const { return alt_; }
    /// Puts a drive at position 0 (master) or 1 (slave); the channel does not own it.
    void Attach(int position, AtaDrive* drive);
    AtaDrive* Drive(int position) const { return drives_[position & 1]; }

    /// The supply of the channel's drives (the power adaptor switches it). A
    /// drive whose supply fails switches it off as the adaptor would.
    void SetPower(bool on);
    bool Power() const { return power_.load(); }

    uint32_t In(uint16_t port, int width) override;
    void Out(uint16_t port, uint32_t value, int width) override;
    void InString(uint16_t port, void* dst, size_t count, int width) override;
    void OutString(uint16_t port, const void* src, size_t count, int width) override;

    std::mutex& Lock() { return mutex_; }

  private:
    AtaDrive* Selected() const;
    /// SetPower with the lock held.
    void ApplyPower(bool on);

    uint16_t base_, alt_;
    std::array<AtaDrive*, 2> drives_{};
    std::mutex mutex_;
    uint8_t device_select_ = 0; ///< DEV bit last written
    bool hob_ = false;
    std::atomic<bool> power_{true}; ///< read by the adaptor register without the lock
};

} // namespace mrv::sim
