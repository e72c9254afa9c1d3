// Faults that take a device away mid-conversation: a drive whose supply fails
// during a command, a USB bridge that stops answering, and an NVMe controller
// whose command times out. Each must cost the host exactly its time-out, give
// the error numbers a real system gives, and come back where it should.

#include "ata_host.h"
#include "platform/port_access.h"

namespace mrv::sim::test
{
namespace
{

// ---- A drive whose supply fails mid-command ---------------------------------

constexpr const char* kVanishLab = R"(
[Channel Secondary]
Master=hdd
PowerAdaptor=1
[Drive hdd]
Sectors=100000
SpinUpMs=2000
VanishAfter=2
)";

constexpr uint16_t kAdaptorPort = 0x170 + PowerAdaptor::kOffset;

class VanishingDrive : public HostedDriveTest
{
  protected:
    VanishingDrive() : HostedDriveTest(kVanishLab) {}

    AtaResult Read(AtaDrive& target, uint64_t lba, std::vector<uint8_t>& into)
    {
        AtaCommand c = MakeAtaCommand(0x24, 0, 1, lba, 0xE0, true, AtaProtocol::PioIn);
        into.assign(512, 0);
        c.data = into.data();
        c.data_length = into.size();
        return target.Execute(c);
    }
};

TEST_F(VanishingDrive, GoesDarkDuringTheCountedCommandAndTheAdaptorBringsItBack)
{
    ASSERT_EQ(host->Identify().size(), 256u); // command 1 is served
    host->Task28(0x30, 10, 1);                // command 2: a write the drive never takes
    EXPECT_EQ(host->AltStatus() & 0x88, 0x80) << "accepted: busy, no data request yet";
    EXPECT_FALSE(host->WaitNotBusy(200));
    EXPECT_EQ(host->Status(), 0xFF) << "no supply: the bus floats";
    EXPECT_EQ(host->Reg(4), 0xFF);
    EXPECT_FALSE(drive->Powered());
    EXPECT_EQ(lab->Ports().InByte(kAdaptorPort) & 1, 0) << "the adaptor shows the supply off";

    // The technician's "power on": the drive spins up and answers; the fault does not recur.
    lab->Ports().OutByte(kAdaptorPort, 1);
    EXPECT_TRUE(drive->Powered());
    EXPECT_TRUE(host->WaitNotBusy(10000));
    ASSERT_EQ(host->Identify().size(), 256u);
    EXPECT_EQ(host->Read(10, 1), std::vector<uint8_t>(512, 0)) << "nothing was written";
    ASSERT_TRUE(host->Write(10, Pattern(512, 4)));
    EXPECT_EQ(host->Read(10, 1), Pattern(512, 4));
}

TEST_F(VanishingDrive, CountsRegisterAndValueCommandsAlikeAndEndsExecuteTimedOut)
{
    drive->VanishAfterCommands(3);
    ASSERT_EQ(host->Identify().size(), 256u);
    std::vector<uint8_t> data;
    EXPECT_TRUE(Read(*drive, 5, data).Ok());
    const uint64_t t0 = lab->Time().PeekNs();
    const AtaResult r = Read(*drive, 5, data);
    EXPECT_TRUE(r.timed_out);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.transferred, 0u);
    EXPECT_LT(lab->Time().PeekNs() - t0, 100000000u) << "the supply fails within the command's first moment";
    EXPECT_FALSE(drive->Powered());
    EXPECT_TRUE(Read(*drive, 5, data).timed_out) << "still dark";

    // A reboot of the lab powers it again.
    lab->PowerCycle();
    EXPECT_TRUE(Read(*drive, 5, data).Ok());
    EXPECT_EQ(lab->Ports().InByte(kAdaptorPort) & 1, 1);
}

TEST_F(VanishingDrive, ZeroDisarmsAndOnlyAcceptedCommandsCount)
{
    drive->VanishAfterCommands(0);
    std::vector<uint8_t> data;
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(Read(*drive, static_cast<uint64_t>(i), data).Ok());

    // A command written to the other position, or while busy, is not the drive's.
    drive->VanishAfterCommands(1);
    Host slave(*lab, 0x170, 0x376, true);
    slave.Task28(0xEC, 0, 0, 0, 0xA0);
    EXPECT_TRUE(drive->Powered());
    EXPECT_FALSE(Read(*drive, 0, data).Ok());
    EXPECT_FALSE(drive->Powered());
}

TEST(VanishingOsDrive, AnOsOnlyDriveGoesAndComesBackWithTheLab)
{
    auto lab = MakeLab("[Drive d]\nSectors=20000\nOsNumber=1\nOsVia=sata\nVanishAfter=1\n");
    ASSERT_TRUE(lab);
    uint32_t error = 0;
    auto device = lab->Devices().OpenPhysical(1, error);
    ASSERT_TRUE(device);
    std::vector<uint8_t> buffer(4096);
    uint32_t done = 0;
    EXPECT_FALSE(device->Read(buffer.data(), 4096, done));
    EXPECT_EQ(device->LastError(), win_error::kSemTimeout);
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(lab->Devices().OpenPhysical(1, error));
    lab->PowerCycle();
    device = lab->Devices().OpenPhysical(1, error);
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->Read(buffer.data(), 4096, done));
}

// ---- A USB bridge that stops answering ---------------------------------------

constexpr const char* kBridgeLab = R"(
[Drive u]
Sectors=20000
OsNumber=1
OsVia=usb
HangAfter=3
[Drive s]
Sectors=20000
OsNumber=2
OsVia=sata
)";

class HangingBridge : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        lab = MakeLab(kBridgeLab);
        ASSERT_TRUE(lab);
    }

    std::unique_ptr<OsDevice> Open(int number, uint32_t& error)
    {
        return lab->Devices().OpenPhysical(number, error);
    }

    /// Reads the first sector; the virtual milliseconds it took in `ms`.
    bool ReadFirst(OsDevice& device, uint64_t& ms)
    {
        std::vector<uint8_t> buffer(512);
        uint32_t done = 0;
        const uint64_t t0 = lab->Time().PeekNs();
        device.SetPosition(0);
        const bool ok = device.Read(buffer.data(), 512, done);
        ms = (lab->Time().PeekNs() - t0) / 1000000;
        return ok;
    }

    static ScsiRequest Inquiry(uint32_t timeout_seconds)
    {
        ScsiRequest r;
        r.cdb = {0x12, 0, 0, 0, 36};
        r.cdb_length = 6;
        r.direction = ScsiDirection::In;
        r.timeout_seconds = timeout_seconds;
        return r;
    }

    std::unique_ptr<LabPc> lab;
};

TEST_F(HangingBridge, TheCountedRequestTakesItsTimeOutAndTheHostGivesTheDeviceUp)
{
    uint32_t error = 0;
    auto first = Open(1, error);
    auto second = Open(1, error);
    ASSERT_TRUE(first && second);
    uint64_t ms = 0;
    EXPECT_TRUE(ReadFirst(*first, ms)); // request 1
    std::array<uint8_t, 36> inquiry{};
    ScsiRequest request = Inquiry(5);
    request.data = inquiry.data();
    request.data_length = 36;
    ScsiReply reply;
    EXPECT_TRUE(second->ScsiPassThrough(request, reply)); // request 2, through another handle

    EXPECT_FALSE(ReadFirst(*first, ms)); // request 3 hangs
    EXPECT_EQ(first->LastError(), win_error::kSemTimeout);
    EXPECT_GE(ms, 30000u);
    EXPECT_LT(ms, 30100u);

    // Given up: every request fails at once, on every handle, and the node no longer opens.
    EXPECT_FALSE(second->ScsiPassThrough(request, reply));
    EXPECT_EQ(second->LastError(), win_error::kDevNotExist);
    EXPECT_FALSE(ReadFirst(*first, ms));
    EXPECT_EQ(first->LastError(), win_error::kDevNotExist);
    EXPECT_LT(ms, 5u);
    std::vector<uint8_t> buffer(512);
    uint32_t done = 7;
    EXPECT_FALSE(first->Write(buffer.data(), 512, done));
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(Open(1, error));
    EXPECT_EQ(error, win_error::kDevNotExist);

    // Other drives are not touched; a reboot finds the device again and the fault is spent.
    auto other = Open(2, error);
    ASSERT_TRUE(other);
    EXPECT_TRUE(ReadFirst(*other, ms));
    lab->PowerCycle();
    auto again = Open(1, error);
    ASSERT_TRUE(again);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(ReadFirst(*again, ms));
}

TEST_F(HangingBridge, PassThroughWaitsItsOwnTimeOutAndEveryRequestKindCounts)
{
    uint32_t error = 0;
    lab->SimDevices().HangAfterRequests(1, 1);
    auto device = Open(1, error);
    ASSERT_TRUE(device);
    ScsiRequest request = Inquiry(7);
    std::array<uint8_t, 36> inquiry{};
    request.data = inquiry.data();
    request.data_length = 36;
    ScsiReply reply;
    const uint64_t t0 = lab->Time().PeekNs();
    EXPECT_FALSE(device->ScsiPassThrough(request, reply));
    EXPECT_EQ(device->LastError(), win_error::kSemTimeout);
    EXPECT_EQ((lab->Time().PeekNs() - t0) / 1000000000, 7u);

    // On a SATA port the legacy SMART request, an IDE pass-through and even a
    // refused NVMe request reach the counter.
    lab->SimDevices().HangAfterRequests(2, 3);
    auto sata = Open(2, error);
    ASSERT_TRUE(sata);
    AtaRegisters in;
    in.features = 0xDA;
    in.lba_mid = 0x4F;
    in.lba_high = 0xC2;
    in.command = 0xB0;
    AtaRegisters out;
    EXPECT_TRUE(sata->SmartRequest(0, in, nullptr, false, out));
    NvmeAdminCommand admin;
    NvmeReply nvme_reply;
    EXPECT_FALSE(sata->NvmeAdmin(admin, nvme_reply));
    EXPECT_EQ(sata->LastError(), win_error::kNotSupported);
    const uint64_t t1 = lab->Time().PeekNs();
    AtaRegisters regs = in;
    EXPECT_FALSE(sata->IdePassThrough(regs, nullptr, 0));
    EXPECT_EQ(sata->LastError(), win_error::kSemTimeout);
    EXPECT_EQ((lab->Time().PeekNs() - t1) / 1000000000, 30u);

    // Zero disarms.
    lab->PowerCycle();
    lab->SimDevices().HangAfterRequests(1, 2);
    lab->SimDevices().HangAfterRequests(1, 0);
    device = Open(1, error);
    ASSERT_TRUE(device);
    uint64_t ms = 0;
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(ReadFirst(*device, ms));
}

// ---- An NVMe controller that times out -----------------------------------------

constexpr const char* kNvmeLab = R"(
[Drive n]
Type=ssd
Sectors=20000
OsNumber=1
OsVia=nvme
NvmeTimeoutAfter=2
)";

NvmeAdminCommand IdentifyController(std::vector<uint8_t>& data, uint32_t timeout_seconds)
{
    data.assign(4096, 0);
    NvmeAdminCommand c;
    c.opcode = 0x06;
    c.cdw[0] = 1;
    c.direction = ScsiDirection::In;
    c.data = data.data();
    c.data_length = 4096;
    c.timeout_seconds = timeout_seconds;
    return c;
}

TEST(NvmeTimeout, TheCountedCommandTimesOutAndTheKernelRemovesTheController)
{
    auto lab = MakeLab(kNvmeLab);
    ASSERT_TRUE(lab);
    uint32_t error = 0;
    auto device = lab->Devices().OpenPhysical(1, error);
    ASSERT_TRUE(device);
    std::vector<uint8_t> data;
    NvmeReply reply;
    ASSERT_TRUE(device->NvmeAdmin(IdentifyController(data, 10), reply)); // command 1
    EXPECT_EQ(reply.status, 0);

    std::vector<uint8_t> buffer(8 * 512);
    uint32_t done = 0;
    const uint64_t t0 = lab->Time().PeekNs();
    EXPECT_FALSE(device->Read(buffer.data(), 8 * 512, done)); // command 2: a block read
    EXPECT_EQ(device->LastError(), win_error::kSemTimeout);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ((lab->Time().PeekNs() - t0) / 1000000000, 30u);

    const uint64_t t1 = lab->Time().PeekNs();
    EXPECT_FALSE(device->NvmeAdmin(IdentifyController(data, 10), reply));
    EXPECT_EQ(device->LastError(), win_error::kDevNotExist);
    EXPECT_FALSE(device->Write(buffer.data(), 512, done));
    EXPECT_EQ(device->LastError(), win_error::kDevNotExist);
    EXPECT_LT(lab->Time().PeekNs() - t1, 5000000u);
    EXPECT_FALSE(lab->Devices().OpenPhysical(1, error));
    EXPECT_EQ(error, win_error::kDevNotExist);

    lab->PowerCycle();
    device = lab->Devices().OpenPhysical(1, error);
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->Read(buffer.data(), 8 * 512, done));
    EXPECT_TRUE(device->NvmeAdmin(IdentifyController(data, 10), reply));
}

TEST(NvmeTimeout, AnAdminCommandWaitsTheTimeOutItCarriesOrTheKernelDefault)
{
    auto lab = MakeLab("[Drive n]\nType=ssd\nSectors=20000\nOsNumber=1\nOsVia=nvme\n");
    ASSERT_TRUE(lab);
    NvmeController* controller = lab->SimDevices().Nvme(1);
    ASSERT_NE(controller, nullptr);
    std::vector<uint8_t> data;
    NvmeReply reply;
    uint32_t error = 0;
    for (const auto& [given, waited] : {std::pair<uint32_t, uint64_t>{12, 12}, {0, 60}}) {
        controller->TimeoutAfterCommands(1);
        const uint64_t t0 = lab->Time().PeekNs();
        EXPECT_FALSE(controller->Admin(IdentifyController(data, given), reply, error));
        EXPECT_EQ(error, win_error::kSemTimeout);
        EXPECT_EQ((lab->Time().PeekNs() - t0) / 1000000000, waited);
        EXPECT_TRUE(controller->Removed());
        controller->Restore();
    }
    controller->TimeoutAfterCommands(1);
    controller->TimeoutAfterCommands(0);
    EXPECT_TRUE(controller->Admin(IdentifyController(data, 10), reply, error));
}

TEST(FaultLabKeys, NeedTheDeviceTheyActOn)
{
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"[Drive d]\nHangAfter=2\n", "<lab text>:2: [Drive d] HangAfter: needs OsNumber"},
        {"[Drive d]\nOsNumber=1\nNvmeTimeoutAfter=2\n",
         "<lab text>:3: [Drive d] NvmeTimeoutAfter: needs OsVia=nvme"},
        {"[Drive d]\nVanishAfter=-1\n", "[Drive d] VanishAfter:"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(LoadLabFromText(c.text, "", error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

} // namespace
} // namespace mrv::sim::test
