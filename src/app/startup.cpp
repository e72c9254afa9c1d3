#include "app/startup.h"

#include "app/program_impl.h"

#include <cstdio>

namespace mrv
{

std::string Startup::WindowsName(const OsVersion& v, bool wow64)
{
    std::string name = "Windows";
    if (v.platform == 0) {
        name = "Win32s";
    } else if (v.platform == 1) {
        if (v.major == 4 && v.build == 950)
            name = "Windows 95";
        else if (v.major == 4 && v.minor == 10 && v.build == 1998)
            name = "Windows 98";
        else if (v.minor == 90)
            name = "Windows Me";
    } else if (v.platform == 2) {
        const bool ws = v.workstation;
        if (v.major == 3)
            name = "Windows NT 3.51";
        else if (v.major == 4)
            name = "Windows NT 4.0";
        else if (v.major == 5 && v.minor == 0)
            name = "Windows 2000";
        else if (v.major == 5 && v.minor == 1)
            name = "Windows XP";
        else if (v.major == 5 && v.minor == 2)
            name = "Windows Server 2003";
        else if (v.major == 6 && v.minor == 0)
            name = ws ? "Windows Vista" : "Windows Server 2008";
        else if (v.major == 6 && v.minor == 1)
            name = ws ? "Windows 7" : "Windows Server 2008 R2";
        else if (v.major == 6 && v.minor == 2)
            name = ws ? "Windows 8" : "Windows Server 2012";
        else if (v.major == 6 && v.minor == 3)
            name = ws ? "Windows 8.1" : "Windows Server 2012 R2";
        else if (v.major == 10 && v.minor == 0)
            name = ws ? "Windows 10" : "Windows Server 2016";
    }
    return name + (wow64 ? " x64" : " x32");
}

bool Startup::IsNightTime(double day_fraction)
{
    return day_fraction > 0.04167262731481 && day_fraction < 0.333371481481481;
}

std::string Startup::SystemName(const OsVersion& version)
{
    std::string kernel = p_.platform.system.KernelName();
    return kernel.empty() ? WindowsName(version, p_.state.Is64BitOs) : kernel;
}

void Startup::TintPanels(bool disabled)
{
    TFm& fm = p_.fm;
    // Enabled panels take the desktop's face colour (light or dark scheme);
    // disabled ones a reddish tint.
    form::Colour face = disabled ? form::Colour::Rgb(224, 208, 208) : form::colours::kBtnFace;
    fm.SidePanel.SetBackColour(face);
    fm.PspPanel.SetBackColour(face);
}

void Startup::DisableForNonAdministrator()
{
    TFm& fm = p_.fm;
    TintPanels(true);
    fm.APIRg.SetEnabled(false);
    fm.MainPage.SetEnabled(false);
    fm.SidePanel.SetEnabled(false);
    // Every action: the function keys do nothing either.
    fm.OnKeyDown = [](form::Key) { return false; };
}

void Startup::ApplyFilesWritable()
{
    TFm& fm = p_.fm;
    bool on = p_.state.FilesWritable;
    fm.PassChk.SetEnabled(on);
    fm.LogMenu.Items()[3].enabled = on;
    fm.SmartSaveBinChk.SetEnabled(on);
    fm.LogGroup.SetEnabled(on);
    fm.LogDirLab.SetEnabled(on);
    fm.LogDirEdit.SetEnabled(on);
}

void Startup::CreateMainWindow()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    SystemInfo& system = p_.platform.system;
    auto run = [](const std::function<void()>& step) {
        if (step) step();
    };

    // 1. Caption and title.
    fm.SetCaption(kMainCaption);
    p_.SetApplicationTitle("Morvanta ");

    // 2. Initial state: the secondary channel until the settings say otherwise.
    st.access_mode = AccessMode::Pio;
    st.ApiDriveLetter = 'C';
    st.ApiDeviceIndex = 0;
    st.AltPort = 0x376;
    st.BasePort = 0x170;
    st.StatusPort = 0x177;
    fm.IndicatorTimer.SetActive(false);
    p_.ops.CalibrateTimers();

    // 3. Settings.
    if (!p_.settings.FileExists()) {
        p_.LogLine(std::string("Warning! Main INI-file '") + Settings::kFileName +
                       "' not found, and writen default sets!",
                   kNewLine, kLogError);
        p_.ops.SpeakerTone(500, 200);
    }
    for (const std::string& warning : p_.settings.Load())
        p_.LogLine(warning, kNewLine, kLogNotice);
    p_.logs_dir = p_.folders.data / fm.LogDirEdit.Text();
    if (st.FilesWritable) {
        std::error_code ec;
        std::filesystem::create_directories(p_.logs_dir, ec);
    }

    // 4. Log file: the name is cleaned before the path is fixed, so that the
    // log stays in the logs directory.
    fm.LogFileEdit.SetText(EventLog::LogFileName(fm.LogFileEdit.Text()));
    p_.log.SetLogFilePath(p_.logs_dir / fm.LogFileEdit.Text());

    // 5. Operating system.
    OsVersion version = system.Version();
    const bool linux_named = !system.KernelName().empty();
    st.IsNtFamily = false;
    if (version.platform == 2) {
        st.IsNtFamily = true;
        if (version.major <= 4 && !linux_named)
            p_.LogLine("Windows NT found, possible several function will not work", kNewLine, kLogError);
    }
    st.Is64BitOs = system.IsWow64();

    // 6. Start line.
    char mhz[64];
    std::snprintf(mhz, sizeof mhz, "%f MHz", st.CpuMHz);
    p_.LogLine("Starting" + fm.Caption() + ", " + std::to_string(system.CpuCount()) + "xCPU, " + mhz + ", " +
                   SystemName(version) + " found.",
               kNewLine, kLogInfo);

    // 7. Advice about Windows versions only concerns Windows.
    if (version.major > 5 && !linux_named)
        p_.LogLine("[Hint] We recommend 32-bit Windows XP for a best work!", kNewLine, kLogNotice);

    // 8. Access mode.
    st.Administrator = system.IsAdministrator();
    if (!st.IsNtFamily) {
        p_.LogLine("Windows 2000/XP not detected. API mode disabled.", kNewLine, kLogError);
        p_.LogLine("[ Hint ] Use Windows 2000/XP to full capacity utilization!", kNewLine, kLogError);
        st.access_mode = AccessMode::Pio;
        fm.APIRg.SetEnabled(false);
        // The saved channel holds here too, so that the selector and the
        // ports the program talks to agree.
        run(p_.steps.SelectChannel);
    } else if (!st.Administrator) {
        p_.LogLine("Program disabled. Please, use administrator rights", kNewLine, kLogError);
        DisableForNonAdministrator();
        return;
    } else if (st.Is64BitOs) {
        p_.LogLine("Warning! Windows 64 bit does not support PIO mode.", kNewLine, kLogError);
        p_.LogLine("We recommend 32-bit Windows XP to work in PIO", kNewLine, kLogError);
        st.access_mode = AccessMode::Api;
        fm.APIRg.SetItemIndex(0);
        fm.APIRg.SetEnabled(false);
    } else {
        run(p_.steps.SelectChannel);
        if (st.IsNtFamily && st.AutoInstallDriver && st.FilesWritable && !st.Is64BitOs) {
            bool installed = p_.steps.InstallPortDriver && p_.steps.InstallPortDriver();
            if (installed) {
                fm.APIRg.SetEnabled(true);
            } else {
                st.access_mode = AccessMode::Api;
                fm.APIRg.SetEnabled(false);
                p_.LogLine("Error! Can`t install PortTalk driver! Available only API access.", kNewLine,
                           kLogError);
                p_.LogLine("So that this messages did not appear - replace a line in an ini-file:", kNewLine,
                           kLogError);
                p_.LogLine("[Setup] AutoInstallDriver=0 (1-install driver; 0-don't install)", kNewLine,
                           kLogError);
            }
        }
    }

    // 9. Custom ports.
    if (fm.PortRg.ItemIndex() == 2) run(p_.steps.ApplyCustomPorts);

    // 10. Open the port driver.
    if (st.IsNtFamily && !st.Is64BitOs) {
        bool opened = p_.steps.OpenPortDriver && p_.steps.OpenPortDriver();
        if (opened) {
            st.DriverOpen = true;
            fm.APIRg.SetEnabled(true);
        } else {
            p_.LogLine("PortTalk driver not installed! Available only API access", kNewLine, kLogError);
            st.DriverOpen = false;
            st.access_mode = AccessMode::Api;
            fm.APIRg.SetEnabled(false);
        }
        p_.platform.clock.SleepMs(100);
    }

    // 11. Drive settings.
    if (st.access_mode == AccessMode::Pio) run(p_.steps.InitialSelectDevice);
    run(p_.steps.ApplyScanTimerChoice);
    run(p_.steps.ComputeAtaTimeouts);
    run(p_.steps.ClearScanGraph);
    st.ApiDeviceIndex = fm.ApiDevSpin.Value();

    // 12. Panels.
    TintPanels(false);

    // 13. Indicators and the power adaptor.
    if (st.access_mode == AccessMode::Pio) {
        run(p_.steps.StartIndicators);
        run(p_.steps.ReadPowerState);
    }

    // 14. "Refresh LBA before operation".
    run(p_.steps.ApplyForcePassportReport);

    // 15. The switch shows the mode.
    if (st.access_mode == AccessMode::Pio) {
        fm.APIRg.SetItemIndex(1);
    } else {
        fm.APIRg.SetItemIndex(0);
        fm.ApiDevSpin.SetValue(st.ApiDeviceIndex);
    }

    // 16. What may be written.
    ApplyFilesWritable();

    // 17. SMART display and the auxiliary sector buffer.
    run(p_.steps.ClearSmartDisplay);
    st.AuxSectorBuffer.Clear();
    run(p_.steps.LoadAuxBufferView);

    // 18. Night-time muting.
    if (IsNightTime(p_.platform.clock.Now().DayFraction())) {
        st.SavedSound = fm.AllSoundChk.Checked();
        st.SoundMutedAtNight = st.SavedSound;
        fm.AllSoundChk.SetChecked(false);
    }

    // 19. The scan grid box.
    p_.settings.LoadGrid();

    // 20. Russian help.
    st.RussianHelp = fm.RussianChk.Checked();
    if (st.RussianHelp) p_.LogLine("Press F1 to russian help", kNewLine, kLogInfo);

    // 21. The API transfer buffer.
    if (st.access_mode == AccessMode::Api) std::fill_n(st.ApiBuffer.get(), 262144 * 4, uint8_t{0});

    // 22. LBA stamp of API writes.
    st.WriteLbaStamp = fm.ScNumLbaChk.Checked();
}

} // namespace mrv
