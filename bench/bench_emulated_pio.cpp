// Throughput of the emulated PIO data path: READ SECTORS (multi-sector, 256
// sectors per command) through the port bus with 32-bit string transfers, as
// the surface scan reads blocks. Prints "PIO <n> MB/s" as its last line.

#include "sim/lab_loader.h"
#include "sim/lab_pc.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

const char* kLab = R"(
[Channel Primary]
Master=ssd
[Drive ssd]
Type=ssd
Sectors=234441648
SsdMBps=100000
SsdLatencyUs=1
)";

constexpr uint16_t kBase = 0x1F0;
constexpr uint16_t kAlt = 0x3F6;

bool WaitNotBusy(mrv::PortBus& bus, mrv::Clock& clock)
{
    const uint64_t end = clock.ReadTsc() + 2400ull * 1000 * 1000 * 15;
    while (clock.ReadTsc() < end)
        if ((bus.InByte(kAlt) & 0x80) == 0) return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    auto lab = mrv::sim::LoadLabFromText(kLab, "", error);
    if (!lab) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    mrv::PortBus& bus = lab->Ports();
    mrv::Clock& clock = lab->GetClock();
    const uint64_t total_mb = argc > 1 ? std::stoull(argv[1]) : 512;
    const uint64_t sectors = total_mb * 2048;
    // Real sector data in the store: 16 MiB written once, read over and over.
    constexpr uint64_t kSpan = 32768;
    mrv::sim::AtaDrive* drive = lab->Drive("ssd");
    std::vector<uint8_t> sector(512);
    for (uint64_t i = 0; i < kSpan; ++i) {
        for (size_t b = 0; b < sector.size(); ++b)
            sector[b] = static_cast<uint8_t>(i + b);
        drive->Media().Write(i, sector.data());
    }
    std::vector<uint32_t> buffer(128);
    uint64_t done = 0;
    const auto t0 = std::chrono::steady_clock::now();
    while (done < sectors) {
        const uint64_t lba = done % kSpan;
        bus.OutByte(kBase + 6, static_cast<uint8_t>(0xE0 | ((lba >> 24) & 0x0F)));
        bus.OutByte(kBase + 1, 0);
        bus.OutByte(kBase + 2, 0); // 256 sectors
        bus.OutByte(kBase + 3, static_cast<uint8_t>(lba));
        bus.OutByte(kBase + 4, static_cast<uint8_t>(lba >> 8));
        bus.OutByte(kBase + 5, static_cast<uint8_t>(lba >> 16));
        bus.OutByte(kBase + 7, 0x20);
        for (int s = 0; s < 256; ++s) {
            if (!WaitNotBusy(bus, clock) || (bus.InByte(kBase + 7) & 0x08) == 0) {
                std::fprintf(stderr, "no data request at LBA %llu\n",
                             static_cast<unsigned long long>(lba + s));
                return 1;
            }
            bus.InDwords(kBase, buffer.data(), 128);
        }
        if (!WaitNotBusy(bus, clock) || (bus.InByte(kBase + 7) & 0x01) != 0) {
            std::fprintf(stderr, "error after LBA %llu\n", static_cast<unsigned long long>(lba));
            return 1;
        }
        done += 256;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double mbps = static_cast<double>(sectors) * 512.0 / 1e6 / seconds;
    std::printf("%llu sectors in %.3f s\n", static_cast<unsigned long long>(sectors), seconds);
    std::printf("PIO %.0f MB/s\n", mbps);
    return 0;
}
