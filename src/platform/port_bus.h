#pragma once
// x86 I/O port access as the program sees it: single transfers and the string
// forms (rep ins / rep outs) used for sector data.

#include <cstddef>
#include <cstdint>

namespace mrv
{

class PortBus
{
  public:
    virtual ~PortBus() = default;

    virtual uint8_t InByte(uint16_t port) = 0;
    virtual uint16_t InWord(uint16_t port) = 0;
    virtual uint32_t InDword(uint16_t port) = 0;
    virtual void OutByte(uint16_t port, uint8_t value) = 0;
    virtual void OutWord(uint16_t port, uint16_t value) = 0;
    virtual void OutDword(uint16_t port, uint32_t value) = 0;

    /// Reads `count` words from one port into `dst` (rep insw).
    virtual void InWords(uint16_t port, uint16_t* dst, size_t count) = 0;
    virtual void OutWords(uint16_t port, const uint16_t* src, size_t count) = 0;
    virtual void InDwords(uint16_t port, uint32_t* dst, size_t count) = 0;
    virtual void OutDwords(uint16_t port, const uint32_t* src, size_t count) = 0;
};

} // namespace mrv
