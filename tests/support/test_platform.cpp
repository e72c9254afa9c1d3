#include "support/test_platform.h"

namespace mrv::test
{

LocalDateTime VirtualClock::Now()
{
    uint64_t ms = Nanoseconds() / 1000000;
    uint64_t day_ms = (static_cast<uint64_t>(start.hour) * 3600000 + start.minute * 60000 +
                       start.second * 1000 + start.millisecond + ms);
    LocalDateTime now = start;
    now.day += static_cast<int>(day_ms / 86400000);
    day_ms %= 86400000;
    now.hour = static_cast<int>(day_ms / 3600000);
    now.minute = static_cast<int>(day_ms / 60000 % 60);
    now.second = static_cast<int>(day_ms / 1000 % 60);
    now.millisecond = static_cast<int>(day_ms % 1000);
    return now;
}

namespace
{
class NoTimer : public PeriodicTimer
{
};
} // namespace

std::unique_ptr<PeriodicTimer> VirtualClock::StartPeriodic1ms(std::function<void()>)
{
    // Program tests that need the 1 ms timer run on the virtual PC's clock.
    return std::make_unique<NoTimer>();
}

std::vector<uint32_t> RecordingPortBus::WritesTo(uint16_t port) const
{
    std::vector<uint32_t> out;
    for (const auto& a : accesses) {
        if (a.write && a.port == port) out.push_back(a.value);
    }
    return out;
}

} // namespace mrv::test
