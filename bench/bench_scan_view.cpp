// What one block costs the user-interface thread: a started program on the
// virtual PC takes a long run of block records through the scan presenter
// (counters, grid, readouts, graph, title), as the engine's hand-offs apply
// them. Prints "SHOWBLOCK <n> blocks/s" last.

#include "app/program.h"
#include "app/program_impl.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "ui/console/console_dialogs.h"
#include "ui/console/console_ui_thread.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

int main(int argc, char** argv)
{
    uint64_t blocks = 2'000'000;
    if (argc > 1) blocks = std::strtoull(argv[1], nullptr, 10);
    std::string error;
    mrv::sim::LabOptions options;
    options.clock = mrv::sim::ClockMode::Virtual;
    auto lab = mrv::sim::LoadLabFromText("[Channel Primary]\nMaster=hdd\n[Drive hdd]\nSectors=976773168\n",
                                         ".", error, options);
    if (!lab) {
        std::fprintf(stderr, "lab: %s\n", error.c_str());
        return 1;
    }
    mrv::Platform platform = lab->AsPlatform();
    const auto home = std::filesystem::temp_directory_path() / "mrv_bench_scan_view";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    std::ostringstream dialog_text;
    mrv::console::ConsoleDialogs dialogs(dialog_text, home);
    mrv::console::ConsoleUiThread ui(platform.clock);
    double rate = 0;
    {
        mrv::Program program(platform, dialogs, ui, home);
        program.Start();
        mrv::ScanPresenter& view = program.Impl().scan_view;
        mrv::ScanStart start;
        start.end_lba = blocks - 1;
        start.range_length = blocks - 1;
        start.block_size = 1;
        start.model = "BENCH";
        view.Begin(start);
        const auto t0 = std::chrono::steady_clock::now();
        for (uint64_t i = 0; i < blocks; ++i) {
            mrv::BlockResult b;
            b.lba = i;
            b.mark = i % 1000 == 999 ? '3' : '1';
            b.fast = b.mark == '1';
            b.time = 1;
            b.finished_us = i * 5;
            view.CountGoodBlock(b.mark - '0', b, 10, false);
            view.ShowBlock(b);
        }
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        rate = blocks / s;
        std::printf("SHOWBLOCK %llu blocks in %.2f s, grid %llu rows\n",
                    static_cast<unsigned long long>(blocks), s,
                    static_cast<unsigned long long>(program.Main().Grid.RowCount()));
        program.Shutdown();
    }
    std::filesystem::remove_all(home);
    std::printf("SHOWBLOCK %.0f blocks/s\n", rate);
    return 0;
}
