// An API-mode read scan of a loop device against dd on the same device: an
// image file is attached with direct I/O, `dd iflag=direct bs=128k` reads it
// whole, then the program scans it with 256-sector blocks as the user starts
// it; each is run three times and the best time counts. Prints, last,
// "SCAN/DD <ratio>" (throughput of the scan over that of dd), or a line
// starting "SKIP" with the reason where loop devices cannot be attached.
//   bench_scan_loop [MiB]

#include "bench_program.h"
#include "platform/linux/linux_platform.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

bool Shell(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return false;
    std::array<char, 256> chunk{};
    while (fgets(chunk.data(), static_cast<int>(chunk.size()), pipe))
        output += chunk.data();
    const int status = pclose(pipe);
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

/// The image attached to a loop device for the benchmark's lifetime.
struct LoopDevice {
    std::filesystem::path image;
    std::string device;
    ~LoopDevice()
    {
        std::string output;
        if (!device.empty()) Shell("losetup -d " + device, output);
        std::error_code ec;
        if (!image.empty()) std::filesystem::remove(image, ec);
    }
};

/// Seconds dd takes to read the whole device with direct I/O.
double DdSeconds(const std::string& device)
{
    std::string output;
    const uint64_t start = mrv::bench::SteadyUs();
    if (!Shell("dd if=" + device + " of=/dev/null iflag=direct bs=128k", output)) {
        std::fprintf(stderr, "dd failed: %s\n", output.c_str());
        return 0;
    }
    return static_cast<double>(mrv::bench::SteadyUs() - start) / 1e6;
}

/// Seconds the program's read scan of physical drive `number` takes; 0 when
/// it did not run through.
double ScanSeconds(int number, uint64_t sectors, std::string& summary)
{
    mrv::linux_platform::LinuxPlatform machine;
    mrv::Platform platform{machine.ports,  machine.port_access, machine.devices,
                           machine.system, machine.clock,       machine.pci};
    const auto home = std::filesystem::temp_directory_path() / "mrv-bench-scan-loop";
    std::filesystem::create_directories(home);
    std::ofstream(home / "mrv40.ini") << "[Setup]\nAPI Enable=0\n[API]\nLast API device=" << number << "\n";
    mrv::bench::BenchUi ui;
    mrv::bench::YesDialogs dialogs;
    mrv::Program program(platform, dialogs, ui, home);
    program.OnLogLine = [&summary](int, const std::string& text, bool) {
        if (std::getenv("MRV_BENCH_LOG"))
            std::printf("%.3f LOG %s\n", mrv::bench::SteadyUs() / 1e6, text.c_str());
        if (text.rfind("***** Scan results", 0) == 0 || text.find("Unable") != std::string::npos)
            summary = text;
    };
    program.Start();
    mrv::TFm& fm = program.Main();
    mrv::ProgramImpl& p = program.Impl();
    fm.MainPage.SetActivePageIndex(2);
    fm.AutoSizeSC.SetChecked(false);
    fm.ScBlockSizeBox.SetText("256");
    fm.ScanRWGrp.SetItemIndex(1);
    fm.StartLbaEdit.SetText("0");
    fm.EndLbaEdit.SetText(std::to_string(sectors - 1));
    const uint64_t start = mrv::bench::SteadyUs();
    if (std::getenv("MRV_BENCH_LOG")) std::printf("%.3f click\n", start / 1e6);
    fm.ScanStartBtn.Click();
    const uint64_t started = mrv::bench::SteadyUs();
    if (!p.scan_worker || !p.scan_worker->Running()) return 0;
    mrv::bench::RunUntilScanEnds(program, ui);
    const double seconds = static_cast<double>(mrv::bench::SteadyUs() - start) / 1e6;
    std::printf("scan: start sequence %.3f s, blocks %.3f s\n", (started - start) / 1e6,
                (mrv::bench::SteadyUs() - started) / 1e6);
    std::printf("scan: speed readout \"%s\" kb/s, %s blocks shown\n", fm.SpeedLed.Caption().c_str(),
                fm.Grid.UsedCells() ? std::to_string(fm.Grid.UsedCells()).c_str() : "no");
    program.Shutdown();
    std::filesystem::remove_all(home);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    const uint64_t mib = argc > 1 ? std::stoull(argv[1]) : 512;
    if (geteuid() != 0 || !std::filesystem::exists("/dev/loop-control")) {
        std::printf("SKIP loop devices need root and /dev/loop-control\n");
        return 0;
    }
    LoopDevice loop;
    loop.image = std::filesystem::temp_directory_path() / "mrv-bench-scan-loop.img";
    {
        // Data rather than a sparse file, so that the backing file's reads are real.
        std::ofstream out(loop.image, std::ios::binary);
        std::vector<char> chunk(1 << 20);
        for (size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>(i * 131 + 7);
        for (uint64_t i = 0; i < mib; ++i)
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
    std::string output;
    if (!Shell("losetup -f --show --direct-io=on " + loop.image.string(), output) ||
        output.rfind("/dev/loop", 0) != 0) {
        std::printf("SKIP losetup could not attach an image: %s\n", output.c_str());
        return 0;
    }
    loop.device = output;
    const std::string name = std::filesystem::path(loop.device).filename().string();
    mrv::linux_platform::LinuxOsDevices devices;
    const auto names = devices.PhysicalDriveNames();
    int number = -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) number = static_cast<int>(i);
    if (number < 0) {
        std::printf("SKIP %s is not among the physical drives\n", loop.device.c_str());
        return 0;
    }
    const uint64_t sectors = mib * 2048;
    double dd = 0, scan = 0;
    std::string summary;
    for (int round = 0; round < 3; ++round) {
        const double d = DdSeconds(loop.device);
        const double s = ScanSeconds(number, sectors, summary);
        if (d <= 0 || s <= 0) {
            std::printf("FAILED dd %.3f s, scan %.3f s (%s)\n", d, s, summary.c_str());
            return 1;
        }
        std::printf("round %d: dd %.3f s, scan %.3f s; %s\n", round + 1, d, s, summary.c_str());
        dd = dd == 0 ? d : std::min(dd, d);
        scan = scan == 0 ? s : std::min(scan, s);
    }
    const double mb = static_cast<double>(mib) * 1.048576;
    std::printf("%s (%llu MiB): dd %.1f MB/s, scan %.1f MB/s\n", loop.device.c_str(),
                static_cast<unsigned long long>(mib), mb / dd, mb / scan);
    std::printf("SCAN/DD %.3f\n", dd / scan);
    return 0;
}
