// The "&Power" button and the adaptor register at BasePort + 16h.

#include "pio_fixture.h"

namespace mrv::test
{
namespace
{

const form::Colour kYellow = form::colours::kYellow;
const form::Colour kRed = form::colours::kRed;

TEST(PowerAdaptorTest, SwitchesTheDriveOffAndOnAgain)
{
    LabProgram lp("[Channel Secondary]\nMaster=hdd\nPowerAdaptor=1\n[Drive hdd]\nSectors=100000\n");
    sim::AtaDrive* drive = lp.lab->Drive("hdd");
    ASSERT_TRUE(drive->Powered());
    // Read at start-up: the supply is on.
    EXPECT_EQ(lp.fm().PowerBtn.FontColour(), kYellow);

    size_t from = lp.LogSize();
    lp.bus->Clear();
    lp.fm().PowerBtn.Click();
    EXPECT_EQ(lp.fm().PowerBtn.FontColour(), kRed);
    EXPECT_FALSE(drive->Powered());
    EXPECT_EQ(lp.bus->WritesTo(0x186), std::vector<uint32_t>{0});
    lp.fm().PowerBtn.Click();
    EXPECT_EQ(lp.fm().PowerBtn.FontColour(), kYellow);
    EXPECT_TRUE(drive->Powered());
    auto lines = lp.LogSince(from);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "Adaptor Power OFF");
    EXPECT_EQ(lines[1].text, "Adaptor Power ON");
}

TEST(PowerAdaptorTest, MissingAdaptorReplacesTheLineButKeepsTheColour)
{
    LabProgram lp("[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nSectors=100000\n");
    // Nothing answers at 186h: the floating bus reads as on.
    EXPECT_EQ(lp.fm().PowerBtn.FontColour(), kYellow);
    size_t from = lp.LogSize();
    lp.fm().PowerBtn.Click();
    lp.fm().PowerBtn.Click();
    auto lines = lp.LogSince(from);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "Adaptor Power OFF");
    EXPECT_EQ(lines[1].text, "Power Adaptor PC3000 not found");
    EXPECT_TRUE(lines[1].replaced);
    EXPECT_EQ(lines[1].level, 4);
    EXPECT_EQ(lines[2].text, "Adaptor Power ON");
    EXPECT_EQ(lines[3].text, "Power Adaptor PC3000 not found");
    EXPECT_EQ(lp.fm().PowerBtn.FontColour(), kYellow);
    EXPECT_TRUE(lp.lab->Drive("hdd")->Powered());
}

TEST(PowerAdaptorTest, OnlyRefusesInApiMode)
{
    LabProgram lp("[PortAccess]\nDriverFile=0\n[Channel Secondary]\nMaster=hdd\nPowerAdaptor=1\n"
                  "[Drive hdd]\nSectors=100000\n");
    ASSERT_EQ(lp.p().state.access_mode, AccessMode::Api);
    lp.bus->Clear();
    lp.fm().PowerBtn.Click();
    EXPECT_EQ(lp.LogSince(0).back().text, "Power Adaptor not operational on API mode");
    EXPECT_TRUE(lp.bus->Accesses().empty());
    EXPECT_TRUE(lp.lab->Drive("hdd")->Powered());
}

} // namespace
} // namespace mrv::test
