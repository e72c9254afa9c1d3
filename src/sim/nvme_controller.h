#pragma once
// An emulated NVMe controller with one namespace in front of an emulated
// drive's medium: the admin commands the program sends (Identify, Get Log
// Page, Get Features, Device Self-test, Format NVM, Sanitize), a health log
// that follows what the host does, self-tests and sanitize over virtual time.
// Block data goes through the drive itself; the OS device reports each
// transfer here so that the counters move.

#include "platform/os_devices.h"
#include "platform/port_access.h"
#include "sim/ata_drive.h"

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace mrv::sim
{

class NvmeController
{
  public:
    explicit NvmeController(AtaDrive& drive);

    /// Runs one admin command; false (with `error`, a Windows error number)
    /// only for a request the system itself would refuse.
    bool Admin(const NvmeAdminCommand& command, NvmeReply& reply, uint32_t& error);

    /// The namespace takes no I/O while a sanitize runs.
    bool Sanitizing();
    /// A host transfer of `sectors` blocks ended; `failed_lba` when it stopped at an unreadable block.
    void CountTransfer(bool write, uint64_t sectors, std::optional<uint64_t> failed_lba);

    static constexpr uint32_t kNamespaceId = 1;
    /// The kernel's default time-outs of admin and I/O commands.
    static constexpr uint32_t kAdminTimeoutSeconds = 60;
    static constexpr uint32_t kIoTimeoutSeconds = 30;

    /// The n-th command from now (1: the next; 0 disarms; admin commands and
    /// block transfers alike) never completes: it fails after its time-out, and
    /// the kernel resets the controller and removes it.
    void TimeoutAfterCommands(uint32_t n);
    /// Every command passes here first: false with `error` (a Windows error
    /// number) for the one that times out (after `timeout_seconds` of the
    /// drive's time) and for any after it.
    bool Accepts(uint32_t timeout_seconds, uint32_t& error);
    /// The kernel removed the controller after a time-out.
    bool Removed();
    /// A reboot of the PC finds a removed controller again.
    void Restore();

    // Inspection for tests.
    uint8_t SelfTestRunning();

  private:
    uint16_t Identify(const NvmeAdminCommand& c, std::vector<uint8_t>& out);
    uint16_t LogPage(const NvmeAdminCommand& c, std::vector<uint8_t>& out);
    uint16_t SelfTest(const NvmeAdminCommand& c);
    uint16_t Format(const NvmeAdminCommand& c);
    uint16_t Sanitize(const NvmeAdminCommand& c);
    void BuildController(uint8_t* d) const;
    void BuildNamespace(uint8_t* d) const;
    void BuildHealth(uint8_t* d);
    void BuildSelfTestLog(uint8_t* d);
    void BuildErrorLog(uint8_t* d) const;
    void BuildSanitizeLog(uint8_t* d);
    /// Moves self-test and sanitize on to the present.
    void Update();
    void FinishSelfTest(uint8_t result, std::optional<uint64_t> failing_lba);
    void EraseMedium();
    uint8_t FormatInUse() const;

    struct TestResult {
        uint8_t code = 0;
        uint8_t result = 0;
        uint64_t hours = 0;
        std::optional<uint64_t> failing_lba;
    };
    struct ErrorEntry {
        uint64_t count = 0;
        uint16_t status = 0;
        uint64_t lba = 0;
    };

    AtaDrive& drive_;
    const NvmeConfig& config_;
    std::mutex lock_;

    uint64_t host_reads_ = 0, host_writes_ = 0;
    uint64_t sectors_read_ = 0, sectors_written_ = 0; ///< 512-byte units
    uint64_t media_errors_ = 0;
    uint64_t error_count_ = 0;
    std::deque<ErrorEntry> errors_; ///< newest first

    uint8_t test_code_ = 0; ///< 0: no test runs
    uint64_t test_start_ns_ = 0, test_end_ns_ = 0;
    std::deque<TestResult> results_; ///< newest first, at most 20

    uint32_t timeout_countdown_ = 0; ///< commands until one times out; 0: none does
    bool removed_ = false;

    uint8_t sanitize_state_ = 0; ///< 0 never, 1 done, 2 running
    uint64_t sanitize_start_ns_ = 0, sanitize_end_ns_ = 0;
};

} // namespace mrv::sim
