#pragma once
// The SMART panel: the attribute table and test-status list from the drive or
// a SMART file, the verdict, SMART on/off, attribute autosave, the self-tests
// and off-line routines, and the refresh timer.

#include "form/colour.h"
#include "smart/smart_block.h"
#include "smart/smart_commands.h"
#include "smart/smart_rows.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mrv
{

class ProgramImpl;

class Smart
{
  public:
    explicit Smart(ProgramImpl& program);

    /// Reads the SMART data (from the drive, or a SMART file when `from_file`)
    /// into the table and the test-status list. −126: no data was read; −127:
    /// no attribute `attribute_id`; otherwise that attribute's shown raw value.
    int64_t ReadSmart(uint8_t attribute_id, bool from_file, const std::string& file_name);
    /// RETURN STATUS in the current mode.
    SmartVerdict SmartStatus();

    // Handlers of the SMART panel.
    void SmartBtnClick();
    void SmartOnBtnClick();
    void SmartOffBtnClick();
    void AutoSaveOnBtnClick();
    void AutoSaveOffBtnClick();
    void SmScanBoxChange();
    void SmBeginBtnClick();
    void SmAbortBtnClick();
    void SmTimerChkClick();
    void SmartTimerTimer();
    void SmartOpenBinBtnClick();
    void CopyAll();
    void ClearScreen();
    void BigSmall();
    void SmartListDblClick();

    /// The grey table of IDs 1–16 shown before the first read.
    void FillSmartPlaceholder();

    /// The self-test box offers NVMe's short and extended tests for an NVMe
    /// drive and the ATA routines for any other (set by the passport).
    void OfferSelfTests(bool nvme);

    /// True while Get SMART runs (its re-entry guard is taken).
    bool Reading() const { return !idle_; }
    SmartCommands& Commands() { return commands_; }

  private:
    void Wire();
    void ResetColumns();
    /// The self-test and off-line rows and the meter, from a SMART data block.
    void ShowTestStatus(const uint8_t* data);
    void SaveFile(const uint8_t* block);
    /// SMART ON or OFF with its log line and the passport refresh after it.
    void SwitchSmart(bool on);
    void ShowVerdict(SmartVerdict verdict);
    // NVMe drives (smart_nvme.cpp).
    bool NvmeDrive() const;
    /// The health, self-test and error logs into the table and the list;
    /// the composite temperature for ID 194, −126 when no log was read.
    int64_t ReadNvmeSmart(uint8_t attribute_id);
    void StartNvmeSelfTest();
    void AbortNvmeSelfTest();

    ProgramImpl& p_;
    SmartCommands commands_;
    /// Cell colours of the table's rows, as the attribute loop decoded them.
    std::vector<std::array<form::Colour, kSmartColumnCount>> colours_;
    /// Parameter colours of the test-status rows.
    std::vector<form::Colour> test_colours_;
    /// The last read from the drive wrote its progress line (the timer's do not).
    bool announced_ = true;
    /// Get SMART's re-entry guard: true when idle.
    bool idle_ = true;
    /// The verdict of the last NVMe health log read.
    SmartVerdict nvme_verdict_ = SmartVerdict::Unknown;
    bool offers_nvme_tests_ = false;
};

} // namespace mrv
