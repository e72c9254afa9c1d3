// The lab keys that make drives operating-system devices.

#include "sim/lab_loader.h"
#include "sim/lab_pc.h"

#include <gtest/gtest.h>

namespace mrv::sim
{
namespace
{

TEST(LabOsDevices, DrivesAndLettersFromTheLab)
{
    std::string error;
    auto pc = LoadLabFromText("[System]\nEmptyLetters=E:cdrom, N:network\n"
                              "[Drive a]\nSectors=1000\nOsNumber=2\nOsVia=usb12\nOsRemovable=1\n"
                              "[Drive b]\nSectors=4000\nOsLetter=f:removable\n",
                              "", error);
    ASSERT_TRUE(pc) << error;
    OsDevices& devices = pc->Devices();
    uint32_t code = 0;
    EXPECT_FALSE(devices.OpenPhysical(0, code));
    EXPECT_EQ(code, 2u);
    auto dev = devices.OpenPhysical(2, code);
    ASSERT_TRUE(dev);
    OsGeometry g;
    ASSERT_TRUE(dev->Geometry(g));
    EXPECT_EQ(g.media_type, 11u);
    // Only the 12-byte pass-through gets through this bridge.
    ScsiRequest request;
    request.cdb = {0x85, 0x07, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0xE5, 0};
    request.cdb_length = 16;
    ScsiReply reply;
    ASSERT_TRUE(dev->ScsiPassThrough(request, reply));
    EXPECT_EQ(reply.scsi_status, 2);
    EXPECT_EQ(reply.sense[2], 0x05);
    EXPECT_EQ(devices.LogicalDriveMask(), (1u << 4) | (1u << 5) | (1u << 13));
    EXPECT_EQ(devices.DriveType('E'), LogicalDriveType::CdRom);
    EXPECT_EQ(devices.DriveType('N'), LogicalDriveType::Remote);
    EXPECT_FALSE(devices.OpenLogical('E', code));
    EXPECT_TRUE(devices.OpenLogical('F', code));
}

TEST(LabOsDevices, BadKeysAreNamed)
{
    std::string error;
    EXPECT_FALSE(LoadLabFromText("[Drive a]\nOsVia=firewire\n", "", error));
    EXPECT_NE(error.find("expected sata, usb, usb12, scsi, virtual or nvme"), std::string::npos) << error;
    EXPECT_FALSE(LoadLabFromText("[Drive a]\nOsNumber=128\n", "", error));
    EXPECT_FALSE(LoadLabFromText("[System]\nEmptyLetters=E:floppy\n", "", error));
    EXPECT_NE(error.find("letter:type"), std::string::npos) << error;
    EXPECT_FALSE(LoadLabFromText("[Drive a]\nOsLetter=E:cdrom,F:cdrom\n", "", error));
}

} // namespace
} // namespace mrv::sim
