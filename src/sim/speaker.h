#pragma once
// The PC speaker: timer channel 2 (ports 42h, 43h) and the gate bits of port 61h.
// Every tone played is recorded with its divisor and length for tests.

#include "sim/port_device.h"
#include "sim/sim_clock.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace mrv::sim
{

struct Tone {
    uint16_t divisor = 0;
    uint64_t start_ms = 0;
    uint64_t duration_ms = 0;
};

class Speaker : public PortDevice
{
  public:
    explicit Speaker(SimClock& clock) : clock_(clock) {}

    uint32_t In(uint16_t port, int width) override;
    void Out(uint16_t port, uint32_t value, int width) override;

    std::vector<Tone> Tones() const;
    void Clear();
    bool Sounding() const;

  private:
    SimClock& clock_;
    mutable std::mutex mutex_;
    uint16_t divisor_ = 0;
    bool low_byte_next_ = true;
    uint8_t port61_ = 0x20;
    bool sounding_ = false;
    uint64_t started_ns_ = 0;
    std::vector<Tone> tones_;
};

} // namespace mrv::sim
