// The device operations on the virtual PC's OS devices: sector transfers,
// verify, capacity, inquiry, the SAT attempts and the SMART request.

#include "api_fixture.h"
#include "drive/ata_opcodes.h"
#include "drive/scsi_sense.h"

#include <cstring>
#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

using sim::OsPersonality;

sim::DriveConfig Disk(uint64_t sectors = 2000000)
{
    sim::DriveConfig c;
    c.model = "TEST DISK";
    c.native_sectors = sectors;
    return c;
}

class ApiOps : public ApiTest
{
  protected:
    std::unique_ptr<OsDevice> Open(int n) { return api().OpenApiDevice(n, 'C'); }
};

TEST_F(ApiOps, ReadWriteRoundTripAndUnseekablePosition)
{
    pc.AddPhysical(0, OsPersonality::SataPort, Disk(1000));
    Start();
    auto dev = Open(0);
    ASSERT_TRUE(dev);
    std::vector<uint8_t> out(3 * 512), in(3 * 512, 0);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(api().ApiWriteSectors(dev.get(), 3, out.data(), 512, 997), 3u * 512);
    EXPECT_EQ(api().ApiReadSectors(dev.get(), 3, in.data(), 512, 997), 3u * 512);
    EXPECT_EQ(in, out);
    // Past the end the position cannot be set: nothing is read.
    std::fill(in.begin(), in.end(), 0x5A);
    EXPECT_EQ(api().ApiReadSectors(dev.get(), 1, in.data(), 512, 5000), 0u);
    EXPECT_EQ(in[0], 0x5A);
    // An LBA whose byte offset overflows is refused as well.
    EXPECT_EQ(api().ApiReadSectors(dev.get(), 1, in.data(), 512, 0x0100000000000000ull), 0u);
    EXPECT_EQ(api().ApiReadSectors(nullptr, 1, in.data(), 512, 0), 0u);
    EXPECT_FALSE(p().state.ApiReadActive.load());
}

TEST_F(ApiOps, VerifyReportsUnreadableSectorAsMediumError)
{
    sim::DriveConfig c = Disk();
    c.defects.push_back({500, 500, sim::DefectKind::Unreadable, 0});
    pc.AddPhysical(0, OsPersonality::UsbSat, c);
    Start();
    auto dev = Open(0);
    EXPECT_TRUE(api().ApiVerifySectors(dev.get(), 256, 0));
    EXPECT_FALSE(api().ApiVerifySectors(dev.get(), 256, 256 + 200));
    const uint8_t cdb[10] = {0x2F, 0x08, 0, 0, 0x01, 0xF4, 0, 0, 1, 0};
    ScsiRequestRecord record;
    EXPECT_EQ(api().ScsiPassThrough(dev.get(), cdb, 10, record, ScsiDirection::In, 0, nullptr), 37);
    EXPECT_EQ(record.sense[0], 0xF0);
    EXPECT_EQ(record.sense[6], 0xF4); // the failing LBA in the information field
    EXPECT_EQ(pc.devices.scsi_commands[0x2F], 3);
}

TEST_F(ApiOps, VerifyBeyondTwoToTheThirtyTwoUsesTheSixteenByteForm)
{
    sim::DriveConfig c = Disk(0x100001000ull);
    c.defects.push_back({0x100000010ull, 0x100000010ull, sim::DefectKind::Unreadable, 0});
    c.defects.push_back({0x10, 0x10, sim::DefectKind::Unreadable, 0});
    pc.AddPhysical(0, OsPersonality::SataPort, c);
    Start();
    auto dev = Open(0);
    // The ten-byte form would have checked LBA 0x10 (and failed there).
    EXPECT_TRUE(api().ApiVerifySectors(dev.get(), 8, 0x100000000ull));
    EXPECT_FALSE(api().ApiVerifySectors(dev.get(), 32, 0x100000000ull));
    EXPECT_EQ(pc.devices.scsi_commands[0x8F], 2);
    EXPECT_EQ(pc.devices.scsi_commands[0x2F], 0);
}

TEST_F(ApiOps, CapacityFromReadCapacityAndGeometry)
{
    pc.AddPhysical(0, OsPersonality::SataPort, Disk(2000000));
    pc.AddPhysical(1, OsPersonality::VirtualDisk, Disk(100000), false, 32);
    pc.AddPhysical(2, OsPersonality::SataPort, Disk(0x180000000ull));
    Start();
    auto dev = Open(0);
    DeviceCapacity cap = api().ApiGetCapacity(dev.get());
    EXPECT_EQ(cap.total_sectors, 2000000u);
    EXPECT_EQ(cap.sector_size, 512);
    EXPECT_EQ(cap.sectors_per_track, 63u);
    EXPECT_EQ(cap.tracks_per_cylinder, 255u);
    EXPECT_EQ(cap.media_type, 12u);
    // With the drive type off the synthetic geometry of READ CAPACITY stays.
    fm().dontgetdpchk.SetChecked(true);
    cap = api().ApiGetCapacity(dev.get());
    EXPECT_EQ(cap.tracks_per_cylinder, 16u);
    EXPECT_EQ(cap.cylinders, 2000000u / 1008);
    fm().dontgetdpchk.SetChecked(false);

    cap = api().ApiGetCapacity(Open(1).get());
    EXPECT_EQ(cap.sectors_per_track, 32u);
    EXPECT_EQ(cap.total_sectors, 100000u);

    // Beyond 2^32 sectors READ CAPACITY(16) gives the exact count.
    cap = api().ApiGetCapacity(Open(2).get());
    EXPECT_EQ(cap.total_sectors, 0x180000000ull);
    EXPECT_EQ(pc.devices.scsi_commands[0x9E], 1);
}

TEST_F(ApiOps, InquiryTexts)
{
    pc.AddPhysical(0, OsPersonality::ScsiBridge, Disk());
    Start();
    std::string model, revision, serial;
    ASSERT_TRUE(api().ApiScsiInquiry(Open(0).get(), model, revision, serial));
    EXPECT_EQ(model, "SCSI    TEST DISK       1.00");
    EXPECT_EQ(revision, "1.00");
    EXPECT_EQ(serial, "not available"); // the serial is padded with blanks
    EXPECT_FALSE(api().ApiScsiInquiry(nullptr, model, revision, serial));
}

TEST_F(ApiOps, SixteenByteFormFirstTwelveOnlyAfterItFails)
{
    pc.AddPhysical(0, OsPersonality::UsbSat, Disk());
    pc.AddPhysical(1, OsPersonality::UsbSat12, Disk());
    pc.AddPhysical(2, OsPersonality::ScsiBridge, Disk());
    Start();
    uint8_t identify[512] = {};
    auto sat_identify = [&](int drive) {
        p().state.ApiDeviceIndex = drive;
        return p().routes.sat.Execute(AtaCommand::PioIn(kIdentifyDevice, identify, sizeof identify)).Ok();
    };
    EXPECT_TRUE(sat_identify(0));
    EXPECT_EQ(pc.devices.scsi_commands[0x85], 1);
    EXPECT_EQ(pc.devices.scsi_commands[0xA1], 0);
    EXPECT_EQ(identify[54], 'E'); // "TEST DISK", high byte first: words 27.. "ET" "TS"
    EXPECT_EQ(identify[55], 'T');

    std::memset(identify, 0, sizeof identify);
    EXPECT_TRUE(sat_identify(1));
    EXPECT_EQ(pc.devices.scsi_commands[0x85], 2);
    EXPECT_EQ(pc.devices.scsi_commands[0xA1], 1);
    EXPECT_EQ(identify[54], 'E');

    EXPECT_FALSE(sat_identify(2));
    EXPECT_EQ(pc.devices.scsi_commands[0x85], 3);
    EXPECT_EQ(pc.devices.scsi_commands[0xA1], 2);
    EXPECT_FALSE(sat_identify(7));
}

TEST_F(ApiOps, ResultRegistersComeBackThroughCheckCondition)
{
    pc.AddPhysical(0, OsPersonality::UsbSat, Disk());
    Start();
    p().state.ApiDeviceIndex = 0;
    // SMART RETURN STATUS on a healthy drive.
    AtaCommand status = AtaCommand::NonData(
        {.features = 0xDA, .lba_mid = 0x4F, .lba_high = 0xC2, .device = 0xA0, .command = 0xB0});
    status.want_registers = true;
    const AtaResult r = p().routes.sat.Execute(status);
    ASSERT_TRUE(r.Ok());
    ASSERT_TRUE(r.registers_valid);
    EXPECT_EQ(r.Registers().lba_mid, 0x4F);
    EXPECT_EQ(r.Registers().lba_high, 0xC2);
    EXPECT_EQ(r.status & 0x01, 0);
    EXPECT_EQ(pc.devices.scsi_commands[0xA1], 0);
    // An aborted command is a failure.
    EXPECT_FALSE(p().routes.sat.Execute(AtaCommand::NonData({.device = 0xA0, .command = 0xFE})).Ok());
}

TEST_F(ApiOps, SmartRequestOnlyOnSataAndOpenFailureLines)
{
    pc.AddPhysical(0, OsPersonality::SataPort, Disk());
    pc.AddPhysical(1, OsPersonality::UsbSat, Disk());
    Start();
    SwitchToApi();
    fm().ApiList.SelectRow(0);
    p().state.passport.NonAta = false;
    uint8_t data[512] = {};
    const AtaCommand identify = AtaCommand::PioIn(kIdentifyDevice, data, sizeof data);
    EXPECT_TRUE(api().ApiSmartCommand(identify).Ok());
    EXPECT_EQ(ApiDeviceList::IdentifyModel(data), "TEST DISK");
    // Refused without sending while the passport says non-ATA.
    const int before = pc.devices.smart_requests;
    p().state.passport.NonAta = true;
    EXPECT_TRUE(api().ApiSmartCommand(identify).refused);
    EXPECT_EQ(pc.devices.smart_requests, before);
    EXPECT_TRUE(p().routes.smart_request.Execute(identify).Ok());

    p().state.ApiDeviceIndex = 1;
    EXPECT_FALSE(p().routes.smart_request.Execute(identify).Ok());
    p().state.ApiDeviceIndex = 5;
    EXPECT_FALSE(p().routes.smart_request.Execute(identify).Ok());
    EXPECT_TRUE(fx->Logged("Unable to open physical drive #5"));
    p().state.ApiDeviceIndex = -1;
    p().state.ApiDriveLetter = 'Q';
    EXPECT_FALSE(p().routes.smart_request.Execute(identify).Ok());
    EXPECT_TRUE(fx->Logged("Unable to open logical drive Q:"));
    // Only in API mode.
    fm().APIRg.SetItemIndex(1);
    p().state.ApiDeviceIndex = 0;
    p().state.passport.NonAta = false;
    EXPECT_TRUE(api().ApiSmartCommand(identify).refused);
}

TEST_F(ApiOps, PassThroughResultCodes)
{
    pc.AddPhysical(0, OsPersonality::ScsiBridge, Disk());
    Start();
    ScsiRequestRecord record;
    const uint8_t unknown[6] = {0xC7, 0, 0, 0, 0, 0};
    EXPECT_EQ(api().ScsiPassThrough(nullptr, unknown, 6, record, ScsiDirection::None, 0, nullptr), 5);
    EXPECT_EQ(api().ScsiPassThrough(Open(0).get(), unknown, 6, record, ScsiDirection::None, 0, nullptr), 39);
    EXPECT_FALSE(api().ApiStopUnit(nullptr));
    EXPECT_TRUE(api().ApiStopUnit(Open(0).get()));
    EXPECT_TRUE(pc.drives[0]->Standby());
}

TEST_F(ApiOps, BlockCommandsThroughTheApiBuffer)
{
    pc.AddPhysical(0, OsPersonality::SataPort, Disk(4096));
    Start();
    SwitchToApi();
    fm().ApiList.SelectRow(0);
    SharedState& st = p().state;
    st.passport.SectorSize = 512;
    std::memset(st.ApiBuffer.get(), 0x11, 4 * 512);
    st.WriteLbaStamp = true;
    EXPECT_TRUE(api().IssueBlockCommand(4, 0x30, 100));
    std::memset(st.ApiBuffer.get(), 0, 4 * 512);
    EXPECT_TRUE(api().IssueBlockCommand(4, 0x20, 100));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(st.ApiBuffer.get() + 512), 16), "LBA 101         ");
    EXPECT_EQ(st.ApiBuffer.get()[48], 0x11);
    EXPECT_TRUE(api().IssueBlockCommand(16, 0x40, 0));
    EXPECT_TRUE(api().IssueBlockCommand(1, 0x70, 4095));
    EXPECT_FALSE(api().IssueBlockCommand(4, 0x20, 4094)); // runs past the end
    EXPECT_FALSE(api().IssueBlockCommand(1, 0x99, 0));
    // More than the buffer holds is refused, not overrun.
    EXPECT_FALSE(api().IssueBlockCommand(65537, 0x20, 0));
}

} // namespace
} // namespace mrv::test
