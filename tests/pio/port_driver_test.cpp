// The port grant at start-up: every message of the install, start and open
// steps as the lab's service answers, the fall-back to API mode, and the
// kernel's refusal on Linux.

#include "pio_fixture.h"
#include "platform/linux/linux_port_access.h"
#include "platform/linux/linux_system_info.h"
#include "support/test_platform.h"

namespace mrv::test
{
namespace
{

const char* kSettings = "[ATA Port]\nEnable PM=0\n";

const char* kDisk = R"(
[Channel Secondary]
Master=disk
[Drive disk]
Sectors=1000000
)";

std::vector<std::string> Lines(const LabProgram& lp)
{
    std::vector<std::string> out;
    for (const LogEntry& e : lp.LogSince(0))
        out.push_back(e.text);
    return out;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text)
{
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

std::vector<std::string> After(const std::vector<std::string>& lines, const std::string& first)
{
    auto it = std::find(lines.begin(), lines.end(), first);
    return it == lines.end() ? std::vector<std::string>{} : std::vector<std::string>(it, lines.end());
}

TEST(PortDriverStart, FirstRunInstallsStartsAndOpens)
{
    LabProgram lp(kDisk, kSettings);
    EXPECT_TRUE(lp.lab->SimAccess().DriverCopied());
    EXPECT_TRUE(lp.lab->SimAccess().ServiceRunning());
    EXPECT_TRUE(lp.lab->SimAccess().PortsGranted());
    EXPECT_TRUE(lp.p().state.DriverOpen);
    EXPECT_EQ(lp.p().state.access_mode, AccessMode::Pio);
    EXPECT_TRUE(lp.fm().APIRg.Enabled());
    for (const LogEntry& e : lp.LogSince(0))
        EXPECT_NE(e.level, 4) << e.text;
}

TEST(PortDriverStart, SecondRunFindsTheServiceRunningQuietly)
{
    LabProgram lp(std::string(kDisk) + "[PortAccess]\nService=1\nRunning=1\n", kSettings);
    EXPECT_TRUE(lp.p().state.DriverOpen);
    for (const LogEntry& e : lp.LogSince(0))
        EXPECT_NE(e.level, 4) << e.text;
    // Starting a running service is refused with its own message.
    EXPECT_FALSE(lp.p().port_driver.StartPortDriver());
    EXPECT_EQ(lp.LogSince(0).back().text, "Driver already running");
}

TEST(PortDriverStart, MissingDriverFileFallsBackToApi)
{
    LabProgram lp(std::string(kDisk) + "[PortAccess]\nDriverFile=0\n");
    auto lines = After(Lines(lp), "Driver file not found.");
    const std::vector<std::string> expected = {
        "Driver file not found.",
        "Please manually copy driver to your system32/driver directory",
        "Error! Can`t install PortTalk driver! Available only API access.",
        "So that this messages did not appear - replace a line in an ini-file:",
        "[Setup] AutoInstallDriver=0 (1-install driver; 0-don't install)",
        // The open tries to start the service, which installs again and fails.
        "Driver file not found.",
        "Please manually copy driver to your system32/driver directory",
        "Uknown error or driver not exist",
        "PORTTALK Error. Invalid driver handle",
        "PortTalk driver not installed! Available only API access",
    };
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()), expected);
    EXPECT_EQ(lp.p().state.access_mode, AccessMode::Api);
    EXPECT_FALSE(lp.p().state.DriverOpen);
    EXPECT_FALSE(lp.fm().APIRg.Enabled());
}

struct StepCase {
    const char* section;
    const char* message;
};

class PortDriverFailure : public ::testing::TestWithParam<StepCase>
{
};

TEST_P(PortDriverFailure, LogsItsMessageAndEndsInApiMode)
{
    LabProgram lp(std::string(kDisk) + "[PortAccess]\n" + GetParam().section);
    auto lines = Lines(lp);
    EXPECT_TRUE(Contains(lines, GetParam().message)) << GetParam().message;
    EXPECT_TRUE(Contains(lines, "PortTalk driver not installed! Available only API access"));
    EXPECT_EQ(lp.p().state.access_mode, AccessMode::Api);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PortDriverFailure,
    ::testing::Values(StepCase{"SystemDirectory=0\n", "Failed to get System Directory."},
                      StepCase{"ServiceManager=denied\n", "[AllowIO]You must have administrator rights"},
                      StepCase{"ServiceManager=denied\n", "PortTalk: Unknown error while creating Service"},
                      StepCase{"OpenService=denied\n", "[PortTalk]You must have administrator rights"},
                      StepCase{"OpenService=invalidname\n", "Invalid service name"},
                      StepCase{"Service=1\nRunning=1\nRestrict=refuse\n", "Can`t restrict access"},
                      StepCase{"Service=1\nRunning=1\nAllow=refuse\n", "Can`t allow access"},
                      StepCase{"Service=1\nRunning=1\nProcess=refuse\n", "Can`t IOMP on Process"}));

/// A fake grant that fails as a kernel would, with its reason.
class RefusingKernel : public FakePortAccess
{
  public:
    std::string LastReason() const override { return "iopl: Operation not permitted"; }
};

TEST(PortDriverLinux, KernelRefusalIsOneLineWithItsReason)
{
    TestPlatform tp;
    RefusingKernel kernel;
    kernel.control_errors[0x9C40240C] = 5;
    tp.system.kernel_name = "Linux 6.1.0 x64";
    Platform platform{tp.ports, kernel, tp.devices, tp.system, tp.clock, tp.pci};
    ProgramFixture f(platform);
    f.Start();
    auto texts = f.LoggedTexts();
    auto refusal = After(texts, "I/O port access refused by the kernel: iopl: Operation not permitted");
    ASSERT_GE(refusal.size(), 2u);
    EXPECT_EQ(refusal[1], "PortTalk driver not installed! Available only API access");
    EXPECT_FALSE(f.Logged("Can`t IOMP on Process"));
    EXPECT_FALSE(f.Logged("Driver file not found."));
    // Nothing was installed.
    EXPECT_EQ(std::count(kernel.calls.begin(), kernel.calls.end(), "Copy"), 0);
    EXPECT_EQ(f.impl().state.access_mode, AccessMode::Api);
    EXPECT_FALSE(f.fm().IndicatorTimer.Active());
}

/// The test's system facts, with this process's real id (the kernel grants
/// ports to the calling process only).
class ThisProcess : public FakeSystemInfo
{
  public:
    uint32_t ProcessId() override { return linux_platform::LinuxSystemInfo().ProcessId(); }
};

TEST(PortDriverLinux, ThisMachinesKernelDecidesAndTheProgramKeepsWorking)
{
    TestPlatform tp;
    linux_platform::LinuxPortAccess kernel;
    ThisProcess system;
    system.kernel_name = "Linux test x64";
    Platform platform{tp.ports, kernel, tp.devices, system, tp.clock, tp.pci};
    ProgramFixture f(platform);
    f.Start();
    if (f.impl().state.DriverOpen) GTEST_SKIP() << "this process may use the I/O ports";
    EXPECT_TRUE(f.Logged("I/O port access refused by the kernel: iopl"));
    EXPECT_EQ(f.impl().state.access_mode, AccessMode::Api);
    // API-mode commands still answer; the power button only refuses.
    f.fm().PowerBtn.Click();
    EXPECT_EQ(f.LoggedTexts().back(), "Power Adaptor not operational on API mode");
}

} // namespace
} // namespace mrv::test
