#include "app/program.h"

#include "app/command_keys.h"
#include "app/program_impl.h"

namespace mrv
{

ProgramImpl::ProgramImpl(Program& owner_, Platform& platform_, form::Dialogs& dialogs_, form::UiThread& ui_,
                         ProgramFolders folders_)
    : owner(owner_), platform(platform_), dialogs(dialogs_), ui(ui_), folders(std::move(folders_)),
      log(*this), settings(*this), ops(*this), startup(*this)
{
    // "sound" beside the mode switch and "All sound" on the setup page are one option.
    fm.SoundChk.OnClick = [this] { fm.AllSoundChk.SetChecked(fm.SoundChk.Checked()); };
    fm.AllSoundChk.OnClick = [this] { fm.SoundChk.SetChecked(fm.AllSoundChk.Checked()); };
    fm.ClockTimer.OnTimer = [this] {
        fm.StatusBar1.SetPanelText(ClockPane, platform.clock.Now().TimeText());
    };
    fm.HintsChk.OnClick = [this] { fm.SetShowHints(fm.HintsChk.Checked()); };
    fm.OnClose = [this] { state.AppClosing = true; };
    // The scan recalibrates before it starts and may stop the spindle at its end.
    scan.Recalibrate = [this] { spindle.Recalibrate(); };
    scan.StopSpindle = [this] { spindle.StopSpindle(); };
    // A scan and a seek test exclude each other.
    scan.StopSeek = [this] { return seek.StopForScan(); };
    WireCommandKeys(*this);
}

std::vector<std::string> StartupSteps::Unset() const
{
    std::vector<std::string> names;
    auto note = [&](const char* name, bool set) {
        if (!set) names.push_back(name);
    };
    note("SelectChannel", bool(SelectChannel));
    note("InstallPortDriver", bool(InstallPortDriver));
    note("ApplyCustomPorts", bool(ApplyCustomPorts));
    note("OpenPortDriver", bool(OpenPortDriver));
    note("InitialSelectDevice", bool(InitialSelectDevice));
    note("ApplyScanTimerChoice", bool(ApplyScanTimerChoice));
    note("ComputeAtaTimeouts", bool(ComputeAtaTimeouts));
    note("ClearScanGraph", bool(ClearScanGraph));
    note("StartIndicators", bool(StartIndicators));
    note("ReadPowerState", bool(ReadPowerState));
    note("ClearSmartDisplay", bool(ClearSmartDisplay));
    note("LoadAuxBufferView", bool(LoadAuxBufferView));
    note("ApplyForcePassportReport", bool(ApplyForcePassportReport));
    return names;
}

void ProgramImpl::SetApplicationTitle(const std::string& title)
{
    if (application_title == title) return;
    application_title = title;
    if (owner.OnApplicationTitleChanged) owner.OnApplicationTitleChanged();
}

bool ProgramImpl::TestsRunning() const
{
    return (scan_worker && scan_worker->Running()) || (seek_worker && seek_worker->Running());
}

Program::Program(Platform& platform, form::Dialogs& dialogs, form::UiThread& ui,
                 std::filesystem::path home_dir)
    : Program(platform, dialogs, ui, ProgramFolders::Beside(home_dir))
{
}

Program::Program(Platform& platform, form::Dialogs& dialogs, form::UiThread& ui, ProgramFolders folders)
    : impl_(std::make_unique<ProgramImpl>(*this, platform, dialogs, ui, std::move(folders)))
{
}

Program::~Program() = default;

void Program::Start()
{
    impl_->SetApplicationTitle("Morvanta 4.4");
    impl_->startup.CreateMainWindow();
    impl_->creating = false;
    impl_->fm.ClockTimer.SetActive(true);
    impl_->fm.Show();
}

std::vector<form::Window*> Program::Windows()
{
    ProgramImpl& p = *impl_;
    return {&p.fm, &p.ifm, &p.write_warn, &p.about, &p.hefm, &p.map, &p.logfm};
}

TFm& Program::Main()
{
    return impl_->fm;
}

const std::string& Program::ApplicationTitle() const
{
    return impl_->application_title;
}

void Program::Shutdown()
{
    ProgramImpl& p = *impl_;
    if (p.shut_down) return;
    p.shut_down = true;
    p.state.AppClosing = true;
    p.settings.Save();
}

} // namespace mrv
