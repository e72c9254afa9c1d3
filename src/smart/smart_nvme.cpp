// The SMART panel on an NVMe drive: the health information log in the
// attribute table with its verdict, the self-test and error logs in the
// test-status list, and the device self-tests (short, extended, abort).

#include "app/program_impl.h"
#include "drive/nvme_admin.h"
#include "smart/nvme_logs.h"
#include "smart/smart.h"

#include <algorithm>

namespace mrv
{

namespace
{

struct NvmeTestKind {
    const char* text;
    uint8_t code;
    const char* name;
};
constexpr NvmeTestKind kNvmeTests[] = {
    {"Short self-test", nvme::kSelfTestShort, "Short"},
    {"Extended self-test", nvme::kSelfTestExtended, "Extended"},
};

// The error log is read in full up to this many entries (64 bytes each).
constexpr uint32_t kMaxErrorEntries = 256;

} // namespace

bool Smart::NvmeDrive() const
{
    return p_.state.passport.Nvme && p_.state.access_mode == AccessMode::Api;
}

void Smart::OfferSelfTests(bool nvme)
{
    if (nvme == offers_nvme_tests_) return;
    offers_nvme_tests_ = nvme;
    TFm& fm = p_.fm;
    std::vector<std::string> kinds;
    if (nvme) {
        for (const NvmeTestKind& kind : kNvmeTests)
            kinds.push_back(kind.text);
    } else {
        for (const SelfTestKind& kind : kSelfTestKinds)
            kinds.push_back(kind.text);
    }
    fm.SmScanBox.SetItems(kinds);
    fm.SmScanBox.SetItemIndex(0);
}

int64_t Smart::ReadNvmeSmart(uint8_t attribute_id)
{
    TFm& fm = p_.fm;
    constexpr int64_t kNoData = -126, kNoAttribute = -127;
    if (announced_) p_.LogLine("Get S.M.A.R.T. command...", false, 1);
    nvme_verdict_ = SmartVerdict::Unknown;
    fm.SmartTestList.ClearRows();
    test_colours_.clear();

    std::unique_ptr<OsDevice> device = p_.api.OpenCurrentDevice(true);
    if (!device) return kNoData;
    std::array<uint8_t, kNvmeHealthLogSize> health_log{};
    const NvmeResult health = SendNvmeAdmin(
        *device, NvmeLogPageCommand(nvme::kLogHealth, health_log.data(), health_log.size(), true));
    if (!health.Ok()) {
        p_.LogLine("NVMe health log: " + NvmeFailureText(health), false, 4);
        // The caller's failure line replaces the progress line, not the reason.
        if (announced_) p_.LogLine("Get S.M.A.R.T. command...", false, 1);
        return kNoData;
    }

    // A log the controller refuses is left out; one the system could not get
    // (a time-out, a device gone) fails the whole reading.
    const auto lost = [&](const char* what, const NvmeResult& result) {
        if (result.answered) return false;
        p_.LogLine(std::string(what) + NvmeFailureText(result), false, 4);
        if (announced_) p_.LogLine("Get S.M.A.R.T. command...", false, 1);
        return true;
    };
    const std::optional<NvmeController>& controller = p_.passport.Nvme();
    NvmeSelfTestLog tests;
    if (!controller || controller->SelfTestSupported()) {
        std::array<uint8_t, kNvmeSelfTestLogSize> log{};
        const NvmeResult read =
            SendNvmeAdmin(*device, NvmeLogPageCommand(nvme::kLogSelfTest, log.data(), log.size(), true));
        if (lost("NVMe self-test log: ", read)) return kNoData;
        if (read.Ok()) tests = DecodeNvmeSelfTestLog(log.data());
    }
    const uint32_t entries =
        std::clamp<uint32_t>(controller ? controller->error_log_entries : 1, 1, kMaxErrorEntries);
    std::vector<uint8_t> error_log(static_cast<size_t>(entries) * kNvmeErrorEntrySize, 0);
    std::vector<NvmeErrorEntry> errors;
    const NvmeResult error_read =
        SendNvmeAdmin(*device, NvmeLogPageCommand(nvme::kLogError, error_log.data(),
                                                  static_cast<uint32_t>(error_log.size()), true));
    if (lost("NVMe error log: ", error_read)) return kNoData;
    if (error_read.Ok()) errors = DecodeNvmeErrorLog(error_log.data(), entries);
    device.reset();

    if (announced_) p_.LogLine("Get S.M.A.R.T. command... OK", true, 1);
    const NvmeHealth decoded = DecodeNvmeHealth(health_log.data());
    nvme_verdict_ = NvmeVerdict(decoded);
    for (const SmartRow& row : NvmeHealthRows(decoded)) {
        colours_.push_back(row.colours);
        fm.SmartList.AddRow(std::vector<std::string>(row.cells.begin(), row.cells.end()));
    }

    for (const SmartTestRow& row :
         NvmeTestRows(tests, controller ? controller->extended_self_test_minutes : 0, errors)) {
        test_colours_.push_back(row.colour);
        fm.SmartTestList.AddRow({"", row.parameter, row.value});
    }
    fm.SmtMeter.SetPosition(NvmeMeterPosition(tests));
    // The composite temperature stands for attribute 194, the one every
    // temperature reading asks for.
    if (attribute_id == 194) return decoded.CompositeCelsius() & 0xFFFF;
    return kNoAttribute;
}

void Smart::StartNvmeSelfTest()
{
    TFm& fm = p_.fm;
    const int index = std::clamp(fm.SmScanBox.ItemIndex(), 0, static_cast<int>(std::size(kNvmeTests)) - 1);
    const NvmeTestKind& kind = kNvmeTests[static_cast<size_t>(index)];
    fm.SmVSTestEdit.SetValue(kind.code);
    const std::string test = std::string(kind.name) + " SMART Test (" + std::to_string(kind.code) + ")";
    const std::optional<NvmeController>& controller = p_.passport.Nvme();
    if (controller && !controller->SelfTestSupported()) {
        p_.LogLine("This NVMe drive does not support self-tests", false, 4);
        return;
    }
    p_.LogLine("Starting " + test, false, 1);
    std::unique_ptr<OsDevice> device = p_.api.OpenCurrentDevice(true);
    if (!device) return;
    const NvmeResult result = SendNvmeAdmin(*device, NvmeSelfTestCommand(kind.code));
    if (!result.Ok()) p_.LogLine(test + " error! " + NvmeFailureText(result), false, 4);
}

void Smart::AbortNvmeSelfTest()
{
    p_.fm.SmVSTestEdit.SetValue(nvme::kSelfTestAbort);
    p_.LogLine("Aborting offline SMART Test", false, 0);
    std::unique_ptr<OsDevice> device = p_.api.OpenCurrentDevice(true);
    if (!device) return;
    const NvmeResult result = SendNvmeAdmin(*device, NvmeSelfTestCommand(nvme::kSelfTestAbort));
    if (!result.Ok()) {
        p_.LogLine("Error after command! " + NvmeFailureText(result), false, 4);
        return;
    }
    p_.LogLine("Send abort SMART test command", false, 1);
}

} // namespace mrv
