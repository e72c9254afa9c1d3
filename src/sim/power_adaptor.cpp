#include "sim/power_adaptor.h"

namespace mrv::sim
{

PowerAdaptor::PowerAdaptor(IdeChannel& channel)
    : channel_(channel), port_(static_cast<uint16_t>(channel.Base() + kOffset))
{
}

uint32_t PowerAdaptor::In(uint16_t, int)
{
    return channel_.Power() ? 1u : 0u;
}

void PowerAdaptor::Out(uint16_t, uint32_t value, int)
{
    channel_.SetPower((value & 1) != 0);
}

} // namespace mrv::sim
