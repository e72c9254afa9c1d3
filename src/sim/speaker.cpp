#include "sim/speaker.h"

namespace mrv::sim
{

uint32_t Speaker::In(uint16_t port, int width)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (port == 0x61) return port61_;
    if (port == 0x42) return static_cast<uint8_t>(divisor_);
    return FloatingBus(width);
}

void Speaker::Out(uint16_t port, uint32_t value, int)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto v = static_cast<uint8_t>(value);
    if (port == 0x43) {
        // Control word for counter 2 (bits 7-6 = 10): the next two data writes are low, high.
        if ((v & 0xC0) == 0x80) low_byte_next_ = true;
        return;
    }
    if (port == 0x42) {
        if (low_byte_next_)
            divisor_ = static_cast<uint16_t>((divisor_ & 0xFF00) | v);
        else
            divisor_ = static_cast<uint16_t>((divisor_ & 0x00FF) | v << 8);
        low_byte_next_ = !low_byte_next_;
        return;
    }
    if (port != 0x61) return;
    port61_ = v;
    const bool on = (v & 0x03) == 0x03;
    const uint64_t now = clock_.PeekNs();
    if (on && !sounding_) {
        sounding_ = true;
        started_ns_ = now;
    } else if (!on && sounding_) {
        sounding_ = false;
        tones_.push_back({divisor_, started_ns_ / 1000000, (now - started_ns_) / 1000000});
    }
}

std::vector<Tone> Speaker::Tones() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return tones_;
}

void Speaker::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    tones_.clear();
}

bool Speaker::Sounding() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return sounding_;
}

} // namespace mrv::sim
