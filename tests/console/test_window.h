#pragma once
// A small two-tab window and a fake clock for the console driver's tests.

#include "form/controls.h"
#include "platform/clock.h"

#include <atomic>

namespace mrv::console::testing
{

struct TestWindow : form::Window {
    TestWindow() : form::Window("TFm")
    {
        SetCaption("Test");
        Pages.SetBounds(0, 0, 300, 200);
        Std.SetCaption("Standard");
        Tests.SetCaption("Tests");
        Go.SetCaption("&Start");
        Go2.SetCaption("&Start");
        Bits.SetCaption("48 bit");
        Mode.SetItems({"API", "PIO"});
        Mode.SetItemIndex(1);
        Channel.SetItems({" Primary", " Secondary", " Custom"});
        Speed.SetRange(1, 10);
        Led.SetBrush(form::Colour::Rgb(0, 255, 0));
        Log.SetColumns({{"", 0}, {"Time", 65}, {"", 0}, {"Text", 200}});
        Log.SetPopup(&LogMenu);
        LogMenu.Items().push_back({"Select ALL strings", true, true, [this] { Log.SelectAll(); }});
        LogMenu.Items().push_back({"Copy value", false, true, {}});
        LogMenu.OnPopup = [this] {
            bool any = Log.ItemIndex() >= 0;
            LogMenu.Items()[1].caption = any ? "Copy value: 42" : "Copy value";
            LogMenu.Items()[1].enabled = any;
        };
        Show();
    }
    form::PageControl Pages{"Pages", this};
    form::TabSheet Std{"Std", &Pages};
    form::TabSheet Tests{"TestsTab", &Pages};
    form::Button Go{"GoBtn", &Std};
    form::CheckBox Bits{"Bits48", &Std};
    form::Edit Name{"NameEdit", &Std};
    form::RadioGroup Mode{"APIRg", &Std};
    form::ComboBox Channel{"ChannelBox", &Std};
    form::SpinEdit Speed{"SpeedSpin", &Std};
    form::Lamp Led{"ErrLed", &Std};
    form::Button Go2{"ScanBtn", &Tests};
    form::ListView Log{"StringLog", this};
    form::Timer Tick{"Tick", this};
    form::PopupMenu LogMenu{"LogMenu"};
};

struct SatelliteWindow : form::Window {
    SatelliteWindow() : form::Window("TIFm") { SetCaption("Registry Monitor"); }
    form::Button Go{"GoBtn", this};
};

/// Time that moves only when someone sleeps.
class FakeClock : public Clock
{
  public:
    uint64_t TickCountMs() override { return now_; }
    uint64_t ReadTsc() override { return now_ * 1000; }
    void SleepMs(uint32_t ms) override { now_ += ms; }
    LocalDateTime Now() override { return {}; }
    std::unique_ptr<PeriodicTimer> StartPeriodic1ms(std::function<void()>) override { return nullptr; }

  private:
    std::atomic<uint64_t> now_{1000};
};

} // namespace mrv::console::testing
