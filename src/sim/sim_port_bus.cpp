#include "sim/sim_port_bus.h"

#include <cstring>

namespace mrv::sim
{

SimPortBus::SimPortBus() : map_(65536, nullptr) {}

void SimPortBus::Map(uint16_t first, uint32_t count, PortDevice* device)
{
    for (uint32_t i = 0; i < count && first + i < 65536; ++i)
        map_[first + i] = device;
}

uint32_t SimPortBus::In(uint16_t port, int width)
{
    PortDevice* d = map_[port];
    const uint32_t v = d != nullptr ? d->In(port, width) : FloatingBus(width);
    if (trace_) trace_("in", port, v, width);
    return v;
}

void SimPortBus::Out(uint16_t port, uint32_t value, int width)
{
    if (trace_) trace_("out", port, value, width);
    if (PortDevice* d = map_[port]) d->Out(port, value, width);
}

void SimPortBus::InString(uint16_t port, void* dst, size_t count, int width)
{
    if (PortDevice* d = map_[port])
        d->InString(port, dst, count, width);
    else
        std::memset(dst, 0xFF, count * width);
}

void SimPortBus::OutString(uint16_t port, const void* src, size_t count, int width)
{
    if (PortDevice* d = map_[port]) d->OutString(port, src, count, width);
}

uint8_t SimPortBus::InByte(uint16_t port)
{
    return static_cast<uint8_t>(In(port, 1));
}
uint16_t SimPortBus::InWord(uint16_t port)
{
    return static_cast<uint16_t>(In(port, 2));
}
uint32_t SimPortBus::InDword(uint16_t port)
{
    return In(port, 4);
}
void SimPortBus::OutByte(uint16_t port, uint8_t value)
{
    Out(port, value, 1);
}
void SimPortBus::OutWord(uint16_t port, uint16_t value)
{
    Out(port, value, 2);
}
void SimPortBus::OutDword(uint16_t port, uint32_t value)
{
    Out(port, value, 4);
}
void SimPortBus::InWords(uint16_t port, uint16_t* dst, size_t count)
{
    InString(port, dst, count, 2);
}
void SimPortBus::OutWords(uint16_t port, const uint16_t* src, size_t count)
{
    OutString(port, src, count, 2);
}
void SimPortBus::InDwords(uint16_t port, uint32_t* dst, size_t count)
{
    InString(port, dst, count, 4);
}
void SimPortBus::OutDwords(uint16_t port, const uint32_t* src, size_t count)
{
    OutString(port, src, count, 4);
}

} // namespace mrv::sim
