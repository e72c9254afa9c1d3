#include "platform/linux/linux_port_bus.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define MRV_HAVE_PORTS 1
#endif

namespace mrv::linux_platform
{

#ifdef MRV_HAVE_PORTS

uint8_t LinuxPortBus::InByte(uint16_t port)
{
    return inb(port);
}

uint16_t LinuxPortBus::InWord(uint16_t port)
{
    return inw(port);
}

uint32_t LinuxPortBus::InDword(uint16_t port)
{
    return inl(port);
}

void LinuxPortBus::OutByte(uint16_t port, uint8_t value)
{
    outb(value, port);
}

void LinuxPortBus::OutWord(uint16_t port, uint16_t value)
{
    outw(value, port);
}

void LinuxPortBus::OutDword(uint16_t port, uint32_t value)
{
    outl(value, port);
}

void LinuxPortBus::InWords(uint16_t port, uint16_t* dst, size_t count)
{
    insw(port, dst, static_cast<unsigned long>(count));
}

void LinuxPortBus::OutWords(uint16_t port, const uint16_t* src, size_t count)
{
    outsw(port, src, static_cast<unsigned long>(count));
}

void LinuxPortBus::InDwords(uint16_t port, uint32_t* dst, size_t count)
{
    insl(port, dst, static_cast<unsigned long>(count));
}

void LinuxPortBus::OutDwords(uint16_t port, const uint32_t* src, size_t count)
{
    outsl(port, src, static_cast<unsigned long>(count));
}

#else

// No I/O ports on this processor: reads see a floating bus, writes go nowhere.
// The program never gets the port grant here, so these are not reached in use.

uint8_t LinuxPortBus::InByte(uint16_t)
{
    return 0xFF;
}

uint16_t LinuxPortBus::InWord(uint16_t)
{
    return 0xFFFF;
}

uint32_t LinuxPortBus::InDword(uint16_t)
{
    return 0xFFFFFFFFu;
}

void LinuxPortBus::OutByte(uint16_t, uint8_t) {}
void LinuxPortBus::OutWord(uint16_t, uint16_t) {}
void LinuxPortBus::OutDword(uint16_t, uint32_t) {}

void LinuxPortBus::InWords(uint16_t, uint16_t* dst, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        dst[i] = 0xFFFF;
}

void LinuxPortBus::OutWords(uint16_t, const uint16_t*, size_t) {}

void LinuxPortBus::InDwords(uint16_t, uint32_t* dst, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        dst[i] = 0xFFFFFFFFu;
}

void LinuxPortBus::OutDwords(uint16_t, const uint32_t*, size_t) {}

#endif

} // namespace mrv::linux_platform
