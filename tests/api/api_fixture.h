#pragma once
// A started program whose OS devices are the virtual PC's, with drives and
// personalities chosen by each test.

#include "access/api_device_list.h"
#include "access/os_device.h"
#include "sim/ata_drive.h"
#include "sim/sim_os_devices.h"
#include "support/program_fixture.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace mrv::test
{

struct ApiPlatform {
    FakeSystemInfo system;
    VirtualClock clock;
    RecordingPortBus ports;
    FakePortAccess port_access;
    sim::SimOsDevices devices;
    std::vector<std::unique_ptr<sim::AtaDrive>> drives;
    PortPciConfig pci{ports};
    Platform platform{ports, port_access, devices, system, clock, pci};

    sim::AtaDrive& NewDrive(sim::DriveConfig config)
    {
        drives.push_back(std::make_unique<sim::AtaDrive>(std::move(config), clock, 2400));
        std::string error;
        drives.back()->Open(error);
        return *drives.back();
    }

    /// A drive reached as physical drive `number` through `personality`.
    sim::AtaDrive& AddPhysical(int number, sim::OsPersonality personality, sim::DriveConfig config = {},
                               bool removable = false, uint32_t sectors_per_track = 0)
    {
        if (config.native_sectors == 1000215216) config.native_sectors = 2000000;
        sim::AtaDrive& drive = NewDrive(std::move(config));
        sim::OsDriveSlot slot;
        slot.personality = personality;
        slot.drive = &drive;
        slot.removable = removable;
        slot.sectors_per_track = sectors_per_track;
        devices.AddPhysical(number, slot);
        return drive;
    }
};

class ApiTest : public ::testing::Test
{
  protected:
    ApiPlatform pc;
    std::unique_ptr<ProgramFixture> fx;

    /// Starts the program (PIO at first, as on a PC with port access).
    void Start()
    {
        fx = std::make_unique<ProgramFixture>(pc.platform);
        fx->Start();
    }
    ProgramImpl& p() { return fx->impl(); }
    OsDeviceAccess& api() { return fx->impl().api; }
    TFm& fm() { return fx->fm(); }
    void SwitchToApi() { fm().APIRg.SetItemIndex(0); }
    std::string Cell(int row, int column) { return fm().ApiList.Cell(row, column); }
};

} // namespace mrv::test
