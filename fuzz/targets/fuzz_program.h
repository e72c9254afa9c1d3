#pragma once
// The program started on a small virtual PC, for the targets whose parser
// needs the program around it: one disk on the secondary channel, also the
// system's physical drive 1.

#include "sim/lab_pc.h"
#include "support/program_fixture.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mrv::fuzz
{

inline constexpr uint64_t kFuzzDiskSectors = 100000;

class FuzzProgram
{
  public:
    /// One started program per process: starting one for every input would
    /// spend the time budget on start-ups.
    static FuzzProgram& Shared();
    /// A virtual PC without a program, for targets that start their own.
    static sim::LabPc& SharedLab();

    ProgramImpl& impl() { return fixture_->impl(); }
    TFm& fm() { return fixture_->fm(); }
    test::ProgramFixture& fixture() { return *fixture_; }
    sim::AtaDrive& disk();
    /// Writes `data` as the file `name` in the program's home folder.
    std::filesystem::path WriteFile(const std::string& name, const uint8_t* data, size_t size);
    /// With MRV_FUZZ_SHOW_LOG set, prints the log lines of the last input
    /// (to see how far an input gets).
    void ShowLog() const;
    /// Shows, then forgets the log lines and dialog answers of the last input.
    void Forget();
    /// The log lines that the last Forget() dropped.
    const std::vector<std::string>& LastLog() const { return last_log_; }

  private:
    FuzzProgram();
    std::optional<Platform> platform_;
    std::unique_ptr<test::ProgramFixture> fixture_;
    std::vector<std::string> last_log_;
};

} // namespace mrv::fuzz
