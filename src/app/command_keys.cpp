#include "app/command_keys.h"

#include "app/program_impl.h"

namespace mrv
{

namespace
{
enum Tab { kStandard = 0, kSmart = 1, kTests = 2, kAdvanced = 3, kSetup = 4 };

void PressIfEnabled(form::Button& button)
{
    if (button.Enabled()) button.Click();
}
} // namespace

void ShowHelp(ProgramImpl& p)
{
    std::error_code ec;
    std::filesystem::path page = p.folders.help / "mrvhlp.htm";
    if (!std::filesystem::exists(page, ec)) page = p.folders.help / "dummi.htm";
    p.about.HelpView.Navigate(std::filesystem::exists(page, ec) ? page.string() : std::string());
    p.about.SetCaption(p.fm.Caption() + " Help");
    p.about.Show();
}

void ShowBufferViewer(ProgramImpl& p)
{
    p.buffer_viewer.RevizkaExecute();
}

void WireCommandKeys(ProgramImpl& p)
{
    TFm& fm = p.fm;
    fm.OnKeyDown = [&p, &fm](form::Key key) {
        switch (key) {
        case form::Key::F1:
            ShowHelp(p);
            return true;
        case form::Key::F2:
            fm.MainPage.SetActivePageIndex(kStandard);
            PressIfEnabled(fm.PasspBtn);
            return true;
        case form::Key::F3:
            if (p.state.access_mode == AccessMode::Pio) PressIfEnabled(fm.ResetBtn);
            return true;
        case form::Key::F4:
            fm.MainPage.SetActivePageIndex(kTests);
            PressIfEnabled(fm.ScanStartBtn);
            return true;
        case form::Key::F5:
            fm.MainPage.SetActivePageIndex(kStandard);
            PressIfEnabled(fm.SeekBtn);
            return true;
        case form::Key::F6:
            if (!fm.PartBox.Enabled()) return true;
            fm.MainPage.SetActivePageIndex(kAdvanced);
            PressIfEnabled(fm.PartBtn);
            return true;
        case form::Key::F7:
            p.log.ShowLog();
            return true;
        case form::Key::F8:
            ShowBufferViewer(p);
            return true;
        case form::Key::F9:
            fm.MainPage.SetActivePageIndex(kSmart);
            PressIfEnabled(fm.SmartBtn);
            return true;
        case form::Key::Up:
        case form::Key::Down:
        case form::Key::Left:
        case form::Key::Right: {
            // The jump keys move a running scan; elsewhere the arrows are the page's own.
            if (fm.MainPage.ActivePageIndex() != kTests) return false;
            form::Button& jump = key == form::Key::Up     ? fm.QnUp
                                 : key == form::Key::Down ? fm.QnDown
                                 : key == form::Key::Left ? fm.QnLeft
                                                          : fm.QnRight;
            jump.Click();
            return true;
        }
        default:
            return false;
        }
    };
    fm.MainPage.OnChange = [&fm] {
        // On the "Tests" tab the arrow keys act on the running scan at once.
        if (fm.MainPage.ActivePageIndex() == kTests) fm.SetFocus(&fm.Qn);
    };
}

} // namespace mrv
