// The scan engine's own cost: a verify scan with 1-sector blocks of an
// emulated drive that answers at once, driven through the "Tests" tab as the
// user starts it. Prints the user-interface thread's longest stall and, last,
// "ENGINE <n> blocks/s".
//   bench_scan_engine [BLOCKS] [pio|api]

#include "bench_program.h"
#include "scan/scan_tally.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace
{

// Without a "Kernel" line the virtual PC is a Windows XP machine whose port
// driver opens: PIO mode. API mode is chosen through the settings file.
const char* kLab = R"(
[Channel Secondary]
Master=ssd
[Drive ssd]
Type=ssd
Model=MORVANTA BENCH SSD
Sectors=234441648
SsdMBps=100000
SsdLatencyUs=0
OsNumber=1
OsVia=sata
)";

} // namespace

int main(int argc, char** argv)
{
    const uint64_t blocks = argc > 1 ? std::stoull(argv[1]) : 1000000;
    const bool api = argc > 2 && std::string(argv[2]) == "api";
    std::string error;
    auto lab = mrv::sim::LoadLabFromText(kLab, "", error);
    if (!lab) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    mrv::Platform platform = lab->AsPlatform();
    const auto home = std::filesystem::temp_directory_path() / "mrv-bench-scan-engine";
    std::filesystem::create_directories(home);
    if (api) {
        FILE* ini = std::fopen((home / "mrv40.ini").c_str(), "w");
        if (ini) {
            std::fputs("[Setup]\nAPI Enable=0\n[API]\nLast API device=1\n", ini);
            std::fclose(ini);
        }
    } else {
        std::filesystem::remove(home / "mrv40.ini");
    }
    mrv::bench::BenchUi ui;
    mrv::bench::YesDialogs dialogs;
    mrv::Program program(platform, dialogs, ui, home);
    if (std::getenv("MRV_BENCH_LOG"))
        program.OnLogLine = [](int level, const std::string& text, bool) {
            std::printf("LOG %d %s\n", level, text.c_str());
        };
    program.Start();

    mrv::TFm& fm = program.Main();
    mrv::ProgramImpl& p = program.Impl();
    fm.MainPage.SetActivePageIndex(2);
    fm.AutoSizeSC.SetChecked(false);
    fm.ScBlockSizeBox.SetText("1");
    fm.StartLbaEdit.SetText("0");
    fm.EndLbaEdit.SetText(std::to_string(blocks - 1));
    const uint64_t start = mrv::bench::SteadyUs();
    fm.ScanStartBtn.Click();
    if (!p.scan_worker || !p.scan_worker->Running()) {
        std::fprintf(stderr, "the scan did not start\n");
        return 1;
    }
    const uint64_t longest_stall = mrv::bench::RunUntilScanEnds(program, ui);
    const double seconds = static_cast<double>(mrv::bench::SteadyUs() - start) / 1e6;
    if (auto* tally = dynamic_cast<mrv::ScanTally*>(&p.scan.Presentation()))
        std::printf("blocks shown %llu\n", static_cast<unsigned long long>(tally->BlocksShown()));
    std::printf("mode %s, %llu blocks of 1 sector in %.2f s\n",
                p.state.access_mode == mrv::AccessMode::Api ? "API" : "PIO",
                static_cast<unsigned long long>(blocks), seconds);
    std::printf("UI longest stall %.1f ms (one batch applied in at most %.1f ms)\n", longest_stall / 1000.0,
                p.scan.Engine().LongestApplyUs() / 1000.0);
    std::printf("ENGINE %.0f blocks/s\n", static_cast<double>(blocks) / seconds);
    program.Shutdown();
    std::filesystem::remove_all(home);
    return 0;
}
