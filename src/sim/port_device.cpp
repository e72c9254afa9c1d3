#include "sim/port_device.h"

#include <cstring>

namespace mrv::sim
{

void PortDevice::InString(uint16_t port, void* dst, size_t count, int width)
{
    auto* out = static_cast<uint8_t*>(dst);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = In(port, width);
        for (int b = 0; b < width; ++b)
            out[i * width + b] = static_cast<uint8_t>(v >> (8 * b));
    }
}

void PortDevice::OutString(uint16_t port, const void* src, size_t count, int width)
{
    const auto* in = static_cast<const uint8_t*>(src);
    for (size_t i = 0; i < count; ++i) {
        uint32_t v = 0;
        for (int b = 0; b < width; ++b)
            v |= static_cast<uint32_t>(in[i * width + b]) << (8 * b);
        Out(port, v, width);
    }
}

} // namespace mrv::sim
