// The virtual PC's NVMe controller as the program reaches it: an OS device
// whose admin commands, block transfers and verify follow the lab's drive
// over virtual time.

#include "drive/nvme_admin.h"
#include "drive/os_device_ops.h"
#include "identify/nvme_identify.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "smart/nvme_logs.h"

#include <array>
#include <gtest/gtest.h>
#include <vector>

namespace mrv
{
namespace
{

constexpr const char* kLab = R"(
[System]
Kernel=Linux 6.1.0 x64
[Drive n]
Type=ssd
Model=MRV NVME TEST
Serial=T1
Sectors=20000
OsNumber=1
OsVia=nvme
NvmeSanitize=block
NvmeSanitizeSeconds=10
NvmeUnitsRead=5
ShortTestMinutes=1
ExtendedTestMinutes=2
Unreadable=15000
[Drive s]
Sectors=20000
OsNumber=2
)";

class NvmeControllerTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string error;
        pc = sim::LoadLabFromText(kLab, "", error);
        ASSERT_TRUE(pc) << error;
        device = Open(1);
        ASSERT_TRUE(device);
    }

    std::unique_ptr<OsDevice> Open(int number)
    {
        uint32_t error = 0;
        return pc->Devices().OpenPhysical(number, error);
    }

    NvmeResult Send(const NvmeAdminCommand& c) { return SendNvmeAdmin(*device, c); }

    NvmeHealth Health()
    {
        std::array<uint8_t, kNvmeHealthLogSize> log{};
        EXPECT_TRUE(Send(NvmeLogPageCommand(nvme::kLogHealth, log.data(), log.size(), true)).Ok());
        return DecodeNvmeHealth(log.data());
    }

    NvmeSelfTestLog SelfTests()
    {
        std::array<uint8_t, kNvmeSelfTestLogSize> log{};
        EXPECT_TRUE(Send(NvmeLogPageCommand(nvme::kLogSelfTest, log.data(), log.size(), true)).Ok());
        return DecodeNvmeSelfTestLog(log.data());
    }

    bool ReadAt(uint64_t lba, std::vector<uint8_t>& data)
    {
        uint32_t done = 0;
        return device->SetPosition(lba * 512) >= 0 &&
               device->Read(data.data(), static_cast<uint32_t>(data.size()), done);
    }

    void Minutes(uint32_t minutes) { pc->GetClock().SleepMs(minutes * 60000); }

    std::unique_ptr<sim::LabPc> pc;
    std::unique_ptr<OsDevice> device;
};

TEST_F(NvmeControllerTest, IdentifiesAsAnNvmeNamespaceAndRefusesAtaAndScsi)
{
    OsGeometry g;
    ASSERT_TRUE(device->Geometry(g));
    EXPECT_EQ(g.kind, OsDeviceKind::Nvme);
    EXPECT_EQ(g.size_bytes, 20000u * 512);
    std::vector<uint8_t> id(4096);
    ASSERT_TRUE(Send(NvmeIdentifyCommand(nvme::kCnsController, id.data())).Ok());
    const auto c = DecodeNvmeController(id.data());
    ASSERT_TRUE(c);
    EXPECT_EQ(c->model, "MRV NVME TEST");
    EXPECT_TRUE(c->SanitizeBlock() && !c->SanitizeCrypto());
    ASSERT_TRUE(Send(NvmeIdentifyCommand(nvme::kCnsNamespace, id.data())).Ok());
    const auto ns = DecodeNvmeNamespace(id.data());
    ASSERT_TRUE(ns);
    EXPECT_EQ(ns->size, 20000u);
    EXPECT_EQ(ns->InUse().DataSize(), 512u);

    ScsiRequest inquiry;
    inquiry.cdb = {0x12, 0, 0, 0, 36, 0};
    inquiry.cdb_length = 6;
    ScsiReply reply;
    EXPECT_FALSE(device->ScsiPassThrough(inquiry, reply));
    // An ATA disk takes no NVMe command, and says so.
    auto sata = Open(2);
    const NvmeResult refused = SendNvmeAdmin(*sata, NvmeIdentifyCommand(nvme::kCnsController, id.data()));
    EXPECT_FALSE(refused.answered);
    EXPECT_EQ(refused.system_error, win_error::kNotSupported);
    // A data command without a buffer is refused before anything happens.
    NvmeAdminCommand bad = NvmeIdentifyCommand(nvme::kCnsController, nullptr);
    EXPECT_FALSE(Send(bad).answered);
}

TEST_F(NvmeControllerTest, HealthFollowsReadsAndMediaErrors)
{
    std::vector<uint8_t> data(512 * 1000);
    ASSERT_TRUE(ReadAt(0, data));
    ASSERT_TRUE(ReadAt(1000, data));
    NvmeHealth h = Health();
    // Thousands of 512-byte units, rounded up, on top of what the lab gave.
    EXPECT_EQ(h.data_units_read.Decimal(), "7");
    EXPECT_EQ(h.host_reads.Decimal(), "2");
    EXPECT_TRUE(h.media_errors.IsZero());
    EXPECT_EQ(NvmeVerdict(h), SmartVerdict::Good);

    std::vector<uint8_t> one(512 * 8);
    EXPECT_FALSE(ReadAt(14996, one));
    h = Health();
    EXPECT_EQ(h.media_errors.Decimal(), "1");
    EXPECT_EQ(h.error_log_entries.Decimal(), "1");
    std::vector<uint8_t> errors(64 * 64);
    ASSERT_TRUE(Send(NvmeLogPageCommand(nvme::kLogError, errors.data(), 64 * 64, true)).Ok());
    const auto entries = DecodeNvmeErrorLog(errors.data(), 64);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].lba, 15000u);
    EXPECT_EQ(entries[0].status, 0x281);
}

TEST_F(NvmeControllerTest, SelfTestsProgressFinishAbortAndFail)
{
    ASSERT_TRUE(Send(NvmeSelfTestCommand(nvme::kSelfTestShort)).Ok());
    EXPECT_EQ(Send(NvmeSelfTestCommand(nvme::kSelfTestExtended)).status & 0x7FF, 0x11D);
    pc->GetClock().SleepMs(30000);
    NvmeSelfTestLog log = SelfTests();
    EXPECT_EQ(log.current_operation, 1);
    EXPECT_EQ(log.current_completion, 50);
    Minutes(1);
    log = SelfTests();
    EXPECT_EQ(log.current_operation, 0);
    ASSERT_EQ(log.results.size(), 1u);
    EXPECT_EQ(log.results[0].result, 0); // the short test's sample misses LBA 15000

    ASSERT_TRUE(Send(NvmeSelfTestCommand(nvme::kSelfTestExtended)).Ok());
    ASSERT_TRUE(Send(NvmeSelfTestCommand(nvme::kSelfTestAbort)).Ok());
    log = SelfTests();
    ASSERT_EQ(log.results.size(), 2u);
    EXPECT_EQ(log.results[0].result, 1);

    ASSERT_TRUE(Send(NvmeSelfTestCommand(nvme::kSelfTestExtended)).Ok());
    Minutes(3);
    log = SelfTests();
    ASSERT_EQ(log.results.size(), 3u);
    EXPECT_EQ(log.results[0].result, 7);
    EXPECT_TRUE(log.results[0].lba_valid);
    EXPECT_EQ(log.results[0].failing_lba, 15000u);
}

TEST_F(NvmeControllerTest, SanitizeRefusesIoUntilDoneAndLeavesZeros)
{
    std::vector<uint8_t> data(512 * 4, 0xA5);
    uint32_t done = 0;
    ASSERT_GE(device->SetPosition(100 * 512), 0);
    ASSERT_TRUE(device->Write(data.data(), static_cast<uint32_t>(data.size()), done));

    // Only the block erase is offered.
    EXPECT_EQ(Send(NvmeSanitizeCommand(nvme::kSanitizeCryptoErase)).status & 0x7FF, 0x002);
    ASSERT_TRUE(Send(NvmeSanitizeCommand(nvme::kSanitizeBlockErase)).Ok());
    std::array<uint8_t, kNvmeSanitizeLogSize> status{};
    ASSERT_TRUE(Send(NvmeLogPageCommand(nvme::kLogSanitize, status.data(), status.size(), true)).Ok());
    EXPECT_TRUE(DecodeNvmeSanitizeStatus(status.data()).InProgress());
    EXPECT_FALSE(ReadAt(100, data));
    EXPECT_EQ(device->LastError(), win_error::kNotReady);
    EXPECT_EQ(Send(NvmeFormatCommand(0, nvme::kFormatUserDataErase)).status & 0x7FF, 0x01D);

    pc->GetClock().SleepMs(11000);
    ASSERT_TRUE(Send(NvmeLogPageCommand(nvme::kLogSanitize, status.data(), status.size(), true)).Ok());
    EXPECT_EQ(DecodeNvmeSanitizeStatus(status.data()).state, 1);
    ASSERT_TRUE(ReadAt(100, data));
    EXPECT_EQ(data, std::vector<uint8_t>(data.size(), 0));
}

TEST_F(NvmeControllerTest, FormatKeepsTheBlockSizeAndErases)
{
    std::vector<uint8_t> data(512, 0x5A);
    uint32_t done = 0;
    ASSERT_GE(device->SetPosition(0), 0);
    ASSERT_TRUE(device->Write(data.data(), 512, done));
    // The 4096-byte format would change the medium under the namespace.
    EXPECT_EQ(Send(NvmeFormatCommand(2, nvme::kFormatUserDataErase)).status & 0x7FF, 0x10A);
    // No cryptographic erase is offered by this controller.
    EXPECT_EQ(Send(NvmeFormatCommand(0, 2)).status & 0x7FF, 0x002);
    ASSERT_TRUE(ReadAt(0, data));
    EXPECT_EQ(data[0], 0x5A);
    ASSERT_TRUE(Send(NvmeFormatCommand(0, nvme::kFormatUserDataErase)).Ok());
    ASSERT_TRUE(ReadAt(0, data));
    EXPECT_EQ(data, std::vector<uint8_t>(512, 0));
}

TEST_F(NvmeControllerTest, VerifyOfABlockDeviceWithoutScsiReadsTheBlocks)
{
    DriveState state;
    DriveHost host;
    OsDeviceOps ops(pc->Devices(), pc->GetClock(), state, host);
    std::vector<uint8_t> buffer(512 * 256);
    EXPECT_TRUE(ops.IssueBlockCommand(device.get(), 256, 0x40, 0, 512, buffer.data(), buffer.size()));
    EXPECT_FALSE(ops.IssueBlockCommand(device.get(), 256, 0x40, 14900, 512, buffer.data(), buffer.size()));
    EXPECT_TRUE(ops.IssueBlockCommand(device.get(), 256, 0x20, 256, 512, buffer.data(), buffer.size()));
}

TEST(NvmeLab, KeysAreCheckedAndDocumentedValuesParse)
{
    sim::LabConfig config;
    std::string error;
    EXPECT_FALSE(
        sim::ParseLab("[Drive a]\nOsVia=nvme\nNvmeSanitize=block,wipe\n", "x.ini", "", config, error));
    EXPECT_NE(error.find("NvmeSanitize"), std::string::npos) << error;
    EXPECT_FALSE(sim::ParseLab("[Drive a]\nNvmeSpare=101\n", "x.ini", "", config, error));
    ASSERT_TRUE(
        sim::ParseLab("[Drive a]\nOsVia=NVMe\nNvmeFormat=crypto\nNvmeSanitize=none\nNvmeVendorId=8086\n",
                      "x.ini", "", config, error))
        << error;
    ASSERT_EQ(config.drives.size(), 1u);
    EXPECT_EQ(config.drives[0].os_via, "nvme");
    EXPECT_TRUE(config.drives[0].nvme.format_crypto);
    EXPECT_EQ(config.drives[0].nvme.sanitize, 0);
    EXPECT_EQ(config.drives[0].nvme.vendor_id, 0x8086);
}

} // namespace
} // namespace mrv
