// Channel choice, typed ports, the slave box, primary protection, the port
// indicator, the status lamps and the register monitor.

#include "access/register_monitor.h"
#include "support/program_fixture.h"
#include "support/test_platform.h"

#include <fstream>
#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

class ChannelTest : public ::testing::Test
{
  protected:
    void Start(const std::string& ini = {})
    {
        fixture = std::make_unique<ProgramFixture>(tp.platform);
        if (!ini.empty()) std::ofstream(fixture->home() / "mrv40.ini") << ini;
        fixture->Start();
        from = fixture->log.size();
    }
    std::vector<std::string> NewLines()
    {
        std::vector<std::string> out;
        for (size_t i = from; i < fixture->log.size(); ++i)
            out.push_back(fixture->log[i].text);
        from = fixture->log.size();
        return out;
    }
    TFm& fm() { return fixture->fm(); }
    SharedState& st() { return fixture->impl().state; }

    TestPlatform tp;
    std::unique_ptr<ProgramFixture> fixture;
    size_t from = 0;
};

TEST_F(ChannelTest, PrimaryIsBlockedWithoutEnablePm)
{
    Start();
    fm().PortRg.SetItemIndex(0);
    EXPECT_EQ(NewLines(), (std::vector<std::string>{"Primary port is blocked. Please, read manual",
                                                    "Select SECONDARY port: base=170, alternative=376h"}));
    EXPECT_EQ(fm().PortRg.ItemIndex(), 1);
    EXPECT_EQ(st().BasePort, 0x170);
    EXPECT_EQ(fm().BaseEdit.Text(), "170");
    EXPECT_FALSE(fm().BaseEdit.Enabled());
}

TEST_F(ChannelTest, PrimaryAllowedByTheSettingUntilNonDestructiveIsTicked)
{
    Start("[ATA Port]\nEnable PM=1\n");
    fm().PortRg.SetItemIndex(0);
    EXPECT_EQ(NewLines(), std::vector<std::string>{"Select PRIMARY port: base=1F0h, alternative=3F6h"});
    EXPECT_EQ(st().BasePort, 0x1F0);
    EXPECT_EQ(fm().PortLab.Caption(), "Port 1F0h");
    EXPECT_EQ(fm().PortLab.FontColour(), form::colours::kRed);

    fm().NonDestrChk.SetChecked(true);
    EXPECT_FALSE(st().PrimaryAllowed);
    EXPECT_FALSE(fm().PwdEraseBtn.Enabled());
    fm().PortRg.SetItemIndex(1);
    fm().PortRg.SetItemIndex(0);
    EXPECT_EQ(fm().PortRg.ItemIndex(), 1);
    fm().NonDestrChk.SetChecked(false);
    EXPECT_TRUE(st().PrimaryAllowed);
    EXPECT_TRUE(fm().PwdEraseBtn.Enabled());
}

TEST_F(ChannelTest, TypedBaseSelectsTheMatchingChannel)
{
    Start("[ATA Port]\nEnable PM=1\n");
    fm().AltStChk.SetChecked(false);
    fm().BaseEdit.SetText("1f0");
    EXPECT_EQ(fm().PortRg.ItemIndex(), 0);
    EXPECT_EQ(fm().AltEdit.Text(), "3F6");
    EXPECT_EQ(st().AltPort, 0x3F6);
    EXPECT_EQ(st().StatusPort, 0x1F7);

    fm().BaseEdit.SetText("C000");
    EXPECT_EQ(fm().PortRg.ItemIndex(), 2);
    EXPECT_EQ(st().CustomBase, 0xC000);
    EXPECT_EQ(st().BasePort, 0xC000);
    EXPECT_EQ(st().StatusPort, 0xC007);
    EXPECT_EQ(fm().PortLab.Caption(), "Port C000h");
    EXPECT_EQ(fm().PortLab.FontColour(), form::Colour::FromColorRef(0x000080));

    fm().AltEdit.SetText("c402");
    EXPECT_EQ(st().CustomAlt, 0xC402);
    fm().AltStChk.SetChecked(true);
    EXPECT_EQ(st().StatusPort, 0xC402);

    fm().BaseEdit.SetText("170");
    EXPECT_EQ(fm().PortRg.ItemIndex(), 1);
    EXPECT_EQ(fm().AltEdit.Text(), "376");
    EXPECT_EQ(st().StatusPort, 0x376);
    EXPECT_TRUE(NewLines().empty());
}

TEST_F(ChannelTest, TypedPrimaryWithoutPermissionFallsBack)
{
    Start();
    fm().PortRg.SetItemIndex(2);
    NewLines();
    fm().BaseEdit.SetText("1F0");
    EXPECT_EQ(NewLines(), (std::vector<std::string>{"Primary port is blocked. Please, read manual",
                                                    "Select SECONDARY port: base=170, alternative=376h"}));
    EXPECT_EQ(st().BasePort, 0x170);
    EXPECT_EQ(fm().PortRg.ItemIndex(), 1);
}

TEST_F(ChannelTest, PortAbove16BitsIsRefusedAndNothingChanges)
{
    Start();
    fm().PortRg.SetItemIndex(2);
    const uint16_t base = st().BasePort, alt = st().AltPort;
    NewLines();
    fm().BaseEdit.SetText("12345");
    fm().AltEdit.SetText("FFFFF");
    auto lines = NewLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Range error"), std::string::npos);
    EXPECT_EQ(st().BasePort, base);
    EXPECT_EQ(st().AltPort, alt);
    EXPECT_EQ(st().CustomBase, 0xD400);
}

TEST_F(ChannelTest, CustomChoiceShowsTheStoredPorts)
{
    Start("[ATA Port]\nChannel=2\nCustomBase=49152\nCustomAlt=50178\n");
    EXPECT_EQ(st().BasePort, 0xC000);
    EXPECT_EQ(st().AltPort, 0xC402);
    EXPECT_EQ(fm().BaseEdit.Text(), "C000");
    EXPECT_TRUE(fixture->Logged("Select EXTERNAL port: base=C000h, alternative=C402h"));
    fm().PortRg.SetItemIndex(1);
    fm().PortRg.SetItemIndex(2);
    EXPECT_EQ(fm().AltEdit.Text(), "C402");
    EXPECT_TRUE(fm().AltEdit.Enabled());
}

TEST_F(ChannelTest, SlaveBoxSelectsTheDevice)
{
    Start();
    tp.ports.accesses.clear();
    tp.ports.inputs[0x176] = 0xE5;
    fm().SlaveChk.SetChecked(true);
    EXPECT_EQ(st().DeviceSelectBit, 0x10);
    EXPECT_EQ(NewLines(), std::vector<std::string>{"Set SLAVE port (base=170, alternative=376)"});
    EXPECT_EQ(tp.ports.WritesTo(0x176), std::vector<uint32_t>{0xF5});
    fm().SlaveChk.SetChecked(false);
    EXPECT_EQ(NewLines(), std::vector<std::string>{"Set MASTER port (base=170, alternative=376)"});
    EXPECT_EQ(tp.ports.WritesTo(0x176).back(), 0xE5u);
}

/// Counts repaints of a set of controls.
struct RepaintCounter {
    explicit RepaintCounter(std::initializer_list<form::Control*> controls)
    {
        for (form::Control* c : controls)
            c->SetObserver([this](form::Control&, form::Aspect) { ++count; });
    }
    int count = 0;
};

TEST_F(ChannelTest, LampsRepaintOnlyOnChange)
{
    Start();
    RegisterMonitor& monitor = fixture->impl().monitor;
    tp.ports.inputs[0x376] = 0x58;
    tp.ports.inputs[0x171] = 0x00;
    monitor.RefreshStatusLeds();
    EXPECT_EQ(fm().DrdyLed.Brush(), form::Colour::FromColorRef(0xFF0000));
    EXPECT_EQ(fm().DrqLed.Brush(), form::Colour::FromColorRef(0xFF00FF));
    EXPECT_EQ(fm().StatusHexLab.Caption(), "58");
    monitor.RefreshStatusLeds(); // shows the error register once

    TFm& f = fm();
    RepaintCounter lamps{&f.BusyLed, &f.DrdyLed, &f.WrfLed,      &f.DrscLed,
                         &f.DrqLed,  &f.ErrLed,  &f.StatusHexLab};
    RepaintCounter errors{&f.BbkLab,  &f.UncLab,  &f.IdnfLab,    &f.AbrtLab,
                          &f.T0nfLab, &f.AmnfLab, &f.ErrorHexLab};
    monitor.RefreshStatusLeds();
    EXPECT_EQ(lamps.count + errors.count, 0);
    tp.ports.inputs[0x171] = 0x04;
    monitor.RefreshStatusLeds();
    EXPECT_EQ(lamps.count, 0);
    EXPECT_GT(errors.count, 0);
    EXPECT_EQ(f.AbrtLab.FontColour(), form::colours::kRed);
    EXPECT_EQ(f.UncLab.FontColour(), form::Colour::FromColorRef(0x808080));
    EXPECT_EQ(f.ErrorHexLab.Caption(), "04");

    // Busy: only BUSY lights, DRQ and ERR go dark, the rest stays.
    tp.ports.inputs[0x376] = 0xC9;
    monitor.RefreshStatusLeds();
    EXPECT_EQ(f.BusyLed.Brush(), form::Colour::FromColorRef(0x00FF00));
    EXPECT_EQ(f.DrqLed.Brush(), form::colours::kBlack);
    EXPECT_EQ(f.DrdyLed.Brush(), form::Colour::FromColorRef(0xFF0000));
}

TEST_F(ChannelTest, AllLampsLitMeansADisconnectedDrive)
{
    Start();
    RegisterMonitor& monitor = fixture->impl().monitor;
    tp.ports.inputs[0x376] = 0x7F;
    monitor.RefreshStatusLeds();
    monitor.CheckDisconnected();
    ASSERT_FALSE(fixture->log.empty());
    EXPECT_EQ(fixture->log.back().text, "Port 0170h - drive disconnected!");
    EXPECT_EQ(fixture->log.back().level, 2);
    EXPECT_EQ(fm().DrdyLed.Brush(), form::colours::kBlack);
    EXPECT_EQ(fm().BbkLab.FontColour(), form::Colour::FromColorRef(0x808080));
    // Nothing new to paint: the next seconds stay quiet.
    size_t lines = fixture->log.size();
    monitor.RefreshStatusLeds();
    monitor.CheckDisconnected();
    EXPECT_EQ(fixture->log.size(), lines);
}

TEST_F(ChannelTest, IndicatorTimersRunInPioMode)
{
    Start();
    EXPECT_TRUE(fm().IndicatorTimer.Active());
    EXPECT_EQ(fm().IndicatorTimer.Interval(), 20u);
    EXPECT_TRUE(fm().DisconnectTimer.Active());
    tp.ports.inputs[0x376] = 0x50;
    fixture->Run(100);
    EXPECT_EQ(fm().StatusHexLab.Caption(), "50");
}

TEST_F(ChannelTest, PanelClickTogglesTheRegisterMonitor)
{
    Start();
    TIFm& ifm = fixture->impl().ifm;
    EXPECT_FALSE(ifm.Visible());
    fm().RegPanel.OnClick();
    EXPECT_TRUE(ifm.Visible());
    EXPECT_EQ(ifm.Alpha(), 225);
    EXPECT_EQ(ifm.Geometry().top, 0);
    EXPECT_EQ(ifm.Geometry().height, 92);
    for (int i = 1; i <= 7; ++i)
        tp.ports.inputs[static_cast<uint16_t>(0x170 + i)] = 0x10 + i;
    tp.ports.inputs[0x376] = 0x50;
    fixture->impl().monitor.RefreshStatusLeds();
    EXPECT_EQ(ifm.R1.Caption(), "11");
    EXPECT_EQ(ifm.R7.Caption(), "17");
    ifm.ColourRg.SetItemIndex(1);
    EXPECT_EQ(ifm.R3.FontColour(), form::Colour::FromColorRef(0x00FFFF));
    ifm.TranspTrk.SetPosition(150);
    EXPECT_EQ(ifm.Alpha(), 150);
    // A lamp covers the panel: its click counts as the panel's.
    fm().ErrLed.OnClick();
    EXPECT_FALSE(ifm.Visible());
}

} // namespace
} // namespace mrv::test
