#pragma once
// The virtual PC's I/O port space: a map from port number to the device that
// decodes it. Ports nobody decodes read as all ones (a floating bus).

#include "platform/port_bus.h"
#include "sim/port_device.h"

#include <functional>
#include <vector>

namespace mrv::sim
{

class SimPortBus : public PortBus
{
  public:
    SimPortBus();

    /// Maps `count` ports from `first` to `device` (null unmaps).
    void Map(uint16_t first, uint32_t count, PortDevice* device);
    PortDevice* DeviceAt(uint16_t port) const { return map_[port]; }

    /// Optional trace of every single access ("in"/"out", port, value, width); off by default.
    using Trace = std::function<void(const char*, uint16_t, uint32_t, int)>;
    void SetTrace(Trace trace) { trace_ = std::move(trace); }

    uint8_t InByte(uint16_t port) override;
    uint16_t InWord(uint16_t port) override;
    uint32_t InDword(uint16_t port) override;
    void OutByte(uint16_t port, uint8_t value) override;
    void OutWord(uint16_t port, uint16_t value) override;
    void OutDword(uint16_t port, uint32_t value) override;
    void InWords(uint16_t port, uint16_t* dst, size_t count) override;
    void OutWords(uint16_t port, const uint16_t* src, size_t count) override;
    void InDwords(uint16_t port, uint32_t* dst, size_t count) override;
    void OutDwords(uint16_t port, const uint32_t* src, size_t count) override;

  private:
    uint32_t In(uint16_t port, int width);
    void Out(uint16_t port, uint32_t value, int width);
    void InString(uint16_t port, void* dst, size_t count, int width);
    void OutString(uint16_t port, const void* src, size_t count, int width);

    std::vector<PortDevice*> map_;
    Trace trace_;
};

} // namespace mrv::sim
