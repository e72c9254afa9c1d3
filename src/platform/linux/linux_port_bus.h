#pragma once
// x86 port input and output with the processor's own instructions. The
// process must hold the port grant (LinuxPortAccess) before calling them.

#include "platform/port_bus.h"

namespace mrv::linux_platform
{

class LinuxPortBus : public PortBus
{
  public:
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
};

} // namespace mrv::linux_platform
