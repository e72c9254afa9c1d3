#pragma once
// The external power adaptor: one register at the channel base + 16h. Bit 0
// written 1 switches the channel's supply on, 0 off; reading returns the setting.

#include "sim/ide_channel.h"
#include "sim/port_device.h"

namespace mrv::sim
{

class PowerAdaptor : public PortDevice
{
  public:
    static constexpr uint16_t kOffset = 0x16;
    explicit PowerAdaptor(IdeChannel& channel);

    uint16_t Port() const { return port_; }
    uint32_t In(uint16_t port, int width) override;
    void Out(uint16_t port, uint32_t value, int width) override;

  private:
    IdeChannel& channel_;
    uint16_t port_;
};

} // namespace mrv::sim
