#pragma once
// Something that answers I/O port accesses on the virtual PC's bus.

#include <cstddef>
#include <cstdint>

namespace mrv::sim
{

class PortDevice
{
  public:
    virtual ~PortDevice() = default;
    /// `width` is 1, 2 or 4 bytes.
    virtual uint32_t In(uint16_t port, int width) = 0;
    virtual void Out(uint16_t port, uint32_t value, int width) = 0;
    /// String forms (rep ins/outs); devices with a data port override them.
    virtual void InString(uint16_t port, void* dst, size_t count, int width);
    virtual void OutString(uint16_t port, const void* src, size_t count, int width);
};

/// All ones of the given width: what a read of an undriven bus returns.
inline uint32_t FloatingBus(int width)
{
    return width == 1 ? 0xFFu : width == 2 ? 0xFFFFu : 0xFFFFFFFFu;
}

} // namespace mrv::sim
