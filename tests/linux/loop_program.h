#pragma once
// The program started on the machine's real block devices (everything else
// faked), for the tests that put it on loop devices.

#include "app/program_impl.h"
#include "loop_image.h"
#include "platform/linux/linux_os_devices.h"
#include "support/program_fixture.h"
#include "support/test_platform.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace mrv::test
{

/// Fakes for everything but the block devices.
struct LinuxDevicesPlatform {
    FakeSystemInfo system;
    VirtualClock clock;
    RecordingPortBus ports;
    FakePortAccess port_access;
    linux_platform::LinuxOsDevices devices;
    PortPciConfig pci{ports};
    Platform platform{ports, port_access, devices, system, clock, pci};
};

class LoopProgram : public ::testing::Test
{
  protected:
    /// Starts the program in API mode.
    void Start()
    {
        fx = std::make_unique<ProgramFixture>(pc.platform);
        fx->Start();
        fx->fm().APIRg.SetItemIndex(0);
    }
    TFm& fm() { return fx->fm(); }
    ProgramImpl& p() { return fx->impl(); }
    /// The list row (= number) of a kernel device, -1 when not listed.
    int RowOf(const linux_test::LoopImage& loop)
    {
        return linux_test::PhysicalNumberOf(pc.devices, loop.name());
    }
    /// Selects a row (which takes the passport) and forgets the log so far.
    void Select(int row)
    {
        fx->log.clear();
        fm().ApiList.SelectRow(row);
    }
    void Passport()
    {
        fx->log.clear();
        fm().PasspBtn.Click();
    }
    /// The whole log, for a failure's message.
    std::string LogText() const
    {
        std::string text;
        for (const auto& line : fx->LoggedTexts())
            text += line + "\n";
        return text;
    }

    LinuxDevicesPlatform pc;
    std::unique_ptr<ProgramFixture> fx;
};

} // namespace mrv::test
