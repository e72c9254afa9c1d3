#pragma once
// The scan's tests on the virtual PC: one lab disk on the secondary channel
// (also physical drive 1), the program started on it with the "Tests" tab
// shown, and a tally that remembers every block it was shown.

#include "support/lab_session.h"
#include "support/recording_tally.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mrv::test
{

inline constexpr uint64_t kSectors = 1000000;

class ScanTest : public ::testing::Test, protected LabSession
{
  protected:
    void Start(const std::string& drive_keys = "", const std::string& ini = "")
    {
        std::string text = "[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nModel=MORVANTA SCAN DISK\n"
                           "Serial=SC0001\nFirmware=1.0\nSectors=" +
                           std::to_string(sectors) + "\nOsNumber=1\nOsVia=sata\n" + drive_keys + "\n";
        std::string error;
        ASSERT_TRUE(LoadLab(text, error)) << error;
        StartProgram(ini);
        auto tally = std::make_unique<RecordingTally>(
            [this](const std::string& line, int level) { p().LogLine(line, false, level); });
        shown = tally.get();
        p().scan.SetPresentation(std::move(tally));
        fm().MainPage.SetActivePageIndex(2);
        fm().PasspBtn.Click();
    }

    sim::AtaDrive& drive() { return *lab->Drive("hdd"); }

    void Range(const std::string& start, const std::string& end, const std::string& block = "256")
    {
        fm().StartLbaEdit.SetText(start);
        fm().EndLbaEdit.SetText(end);
        fm().ScBlockSizeBox.SetText(block);
    }
    /// Lets the scan run until its worker has ended (or `ms` of virtual time).
    void RunToEnd(uint32_t ms = 600000)
    {
        for (uint32_t t = 0; t < ms && p().scan_worker->Running(); t += 20)
            fixture->Run(20);
        ASSERT_FALSE(p().scan_worker->Running());
    }
    bool Logged(const std::string& text) const { return fixture->Logged(text); }
    /// The whole log, for a failure's message.
    std::string LogText() const
    {
        std::string text;
        for (const auto& line : fixture->LoggedTexts())
            text += line + "\n";
        return text;
    }
    std::string Marks() const
    {
        std::string marks;
        for (const auto& b : shown->blocks)
            marks += b.mark;
        return marks;
    }

    RecordingTally* shown = nullptr;
    /// The lab disk's size for the next Start.
    uint64_t sectors = kSectors;
};

} // namespace mrv::test
