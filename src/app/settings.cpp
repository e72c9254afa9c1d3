#include "app/settings.h"

#include "access/channel.h"
#include "app/program_impl.h"

#include <cmath>
#include <cstdio>

namespace mrv
{

namespace
{

constexpr uint16_t kDefaultCustomBase = 0xD400;
constexpr uint16_t kDefaultCustomAlt = 0xD802;
constexpr const char* kAuthor = "Morvanta authors - drive diagnostics for technicians";

/// Reads keys into controls, noting values that cannot be used.
class Reader
{
  public:
    Reader(const IniFile& ini, std::vector<std::string>& warnings) : ini_(ini), warnings_(warnings) {}

    long long Int(const char* section, const char* key, long long fallback)
    {
        bool valid = true;
        long long value = ini_.ReadInteger(section, key, fallback, &valid);
        if (!valid) Warn(section, key, "is not a number");
        return value;
    }
    /// An integer that must lie within [min, max]; the default otherwise.
    long long Ranged(const char* section, const char* key, long long fallback, long long min, long long max)
    {
        long long value = Int(section, key, fallback);
        if (value < min || value > max) {
            Warn(section, key, "is out of range " + std::to_string(min) + ".." + std::to_string(max));
            return fallback;
        }
        return value;
    }
    void Bool(const char* section, const char* key, form::CheckBox& box)
    {
        box.SetChecked(Int(section, key, box.Checked() ? 1 : 0) != 0);
    }
    void Choice(const char* section, const char* key, form::RadioGroup& group, int fallback)
    {
        group.SetItemIndex(static_cast<int>(
            Ranged(section, key, fallback, 0, static_cast<long long>(group.Items().size()) - 1)));
    }
    void Track(const char* section, const char* key, form::TrackBar& track, int fallback)
    {
        track.SetPosition(static_cast<int>(Ranged(section, key, fallback, track.Min(), track.Max())));
    }
    void Warn(const char* section, const char* key, const std::string& what)
    {
        auto raw = ini_.Value(section, key);
        warnings_.push_back(std::string("Warning! ") + Settings::kFileName + ": [" + section + "] " + key +
                            "=" + (raw ? *raw : "") + " " + what + ", default used");
    }
    const IniFile& ini() const { return ini_; }

  private:
    const IniFile& ini_;
    std::vector<std::string>& warnings_;
};
} // namespace

Settings::Settings(ProgramImpl& program) : p_(program) {}

std::filesystem::path Settings::Path() const
{
    return p_.folders.settings / kFileName;
}

bool Settings::FileExists() const
{
    std::error_code ec;
    return std::filesystem::is_regular_file(Path(), ec);
}

IniFile Settings::ReadFile() const
{
    auto ini = IniFile::Load(Path());
    return ini ? *ini : IniFile();
}

std::string Settings::TimeOfDayText(double days)
{
    double fraction = days - std::floor(days);
    long total = std::lround(fraction * 86400.0) % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", total / 3600, (total / 60) % 60, total % 60);
    return text;
}

bool Settings::ParseTimeOfDay(const std::string& text, double& days)
{
    int h = 0, m = 0, s = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail) != 3) return false;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
    days = (h * 3600.0 + m * 60.0 + s) / 86400.0;
    return true;
}

std::vector<std::string> Settings::Load()
{
    std::vector<std::string> warnings;
    IniFile ini = ReadFile();
    Reader r(ini, warnings);
    TFm& fm = p_.fm;
    SharedState& st = p_.state;

    fm.SetBounds(static_cast<int>(r.Int("Position", "X", 10)), static_cast<int>(r.Int("Position", "Y", 10)),
                 static_cast<int>(r.Int("Position", "Width", 757)),
                 static_cast<int>(r.Int("Position", "Height", 556)));
    fm.MainPage.SetActivePageIndex(
        static_cast<int>(r.Ranged("Position", "PageIndex", 0, 0, fm.MainPage.PageCount() - 1)));
    p_.about.SetBounds(static_cast<int>(r.Int("Position", "Help X", 10)),
                       static_cast<int>(r.Int("Position", "Help Y", 10)),
                       static_cast<int>(r.Int("Position", "Help Width", 660)),
                       static_cast<int>(r.Int("Position", "Help Height", 525)));
    p_.hefm.SetBounds(static_cast<int>(r.Int("Position", "HexV X", 20)),
                      static_cast<int>(r.Int("Position", "HexV Y", 20)),
                      static_cast<int>(r.Int("Position", "HexV Width", 520)),
                      static_cast<int>(r.Int("Position", "HexV Height", 530)));

    st.AutoInstallDriver = r.Int("Setup", "AutoInstallDriver", 1) != 0;
    st.FilesWritable = r.Int("Setup", "Write", 1) != 0;
    r.Track("Setup", "BUSY Timeout", fm.BusyTrk, 15);
    r.Track("Setup", "DRQ Timeout", fm.DrqTrk, 10);
    r.Track("Setup", "DRDY Timeout", fm.RdyTrk, 1);
    r.Choice("Setup", "Timer ATA", fm.AtaTimerRg, 1);
    r.Bool("Setup", "All Sound", fm.AllSoundChk);
    r.Bool("Setup", "Bell", fm.BellChk);
    r.Bool("Setup", "RefreshLBA", fm.lbasyncChk);
    r.Bool("Setup", "EnableBreakIntLoops", fm.EnaBrkInCyclChk);
    r.Bool("Setup", "NonDestr", fm.NonDestrChk);
    r.Bool("Setup", "SwapUpDn", fm.SwapUpDnkeysChk);
    r.Bool("Setup", "Classic style", fm.ClassicChk);
    r.Bool("Setup", "Grid lines", fm.GridLinesChk);
    r.Bool("Setup", "PCI d-click", fm.PspDblChk);
    r.Bool("Setup", "SaveLogFile", fm.SaveLogChk);
    fm.LogFileEdit.SetText(ini.ReadString("Setup", "LogFileName", "eventlog.txt"));
    fm.LogDirEdit.SetText(ini.ReadString("Setup", "LogDirName", "LOGS"));
    if (r.Int("Setup", "API Enable", 1) == 0) st.access_mode = AccessMode::Api;
    r.Bool("Setup", "Russian", fm.RussianChk);
    r.Bool("Setup", "Only SCSI passport", fm.OnlyScsiPassChk);
    r.Bool("Setup", "Dont get drive passport", fm.dontgetdpchk);
    r.Bool("Setup", "If API then TAB1", fm.ApiTab1Chk);

    r.Choice("Scan", "Timer", fm.RTChk, 0);
    r.Choice("Scan", "TimerPio", fm.CommonRtcRg, 1);
    r.Bool("Scan", "Reset between Loop", fm.ResBetwLoopScanChk);
    r.Bool("Scan", "DontBlink", fm.DontBlinkChk);
    r.Bool("Scan", "CorrTimHDD", fm.CorrTimHDDChk);
    r.Bool("Scan", "AutoRepJmp", fm.AutoRepQnChk);
    fm.QnRepTimeBox.SetValue(static_cast<int>(r.Ranged("Scan", "Jmp Interval", 50, 20, 900)));
    bool valid = true;
    rnd_time = ini.ReadFloat("Scan", "Time of RND", 10.1, &valid);
    if (!valid || rnd_time < 0 || rnd_time > 1e7) {
        if (valid)
            r.Warn("Scan", "Time of RND", "is out of range");
        else
            r.Warn("Scan", "Time of RND", "is not a number");
        rnd_time = 10.1;
    }
    fm.RndScTimeEdit.SetText(TimeOfDayText(rnd_time));
    r.Bool("Scan", "Always ajust CPU", fm.AdjustCPUchk);
    r.Bool("Scan", "Reset after jump", fm.RstAftJmpChk);

    r.Bool("ATA Checkboxes", "BinToFile", fm.PassChk);
    r.Bool("ATA Checkboxes", "+reset", fm.PspplusRstChk);
    r.Bool("ATA Checkboxes", "AllDev", fm.PCIAllDevChk);
    r.Bool("ATA Checkboxes", "AltStat", fm.AltStChk);
    r.Bool("ATA Checkboxes", "TermoCtrl", fm.TermoCtrlBox);
    r.Bool("ATA Checkboxes", "HPA Tmp", fm.HPATpChk);
    r.Bool("ATA Checkboxes", "HPA Mb", fm.HpaMbBox);
    r.Bool("ATA Checkboxes", "HPA get EXT passport", fm.HpaExtpassChk);
    r.Bool("Hint", "Hints", fm.HintsChk);
    r.Bool("EXT PSP Button", "DiagSF", fm.DSFChk);
    r.Bool("EXT PSP Button", "RealSize", fm.RSChk);
    r.Bool("EXT PSP Button", "PWStat", fm.PWSCHK);
    r.Bool("EXT PSP Button", "BufDiag", fm.BDChk);
    r.Bool("SMART Checkboxes", "SaveBIN", fm.SmartSaveBinChk);
    fm.SmartTestPanel.SetHeight(
        static_cast<int>(r.Ranged("SMART Checkboxes", "Window heigh", 112, 20, 2000)));

    // The primary channel's permission is known before the channel is chosen.
    st.EnablePm = r.Int("ATA Port", "Enable PM", 0) != 0;
    st.PrimaryAllowed = st.EnablePm && !fm.NonDestrChk.Checked();
    st.CustomBase = static_cast<uint16_t>(r.Ranged("ATA Port", "CustomBase", kDefaultCustomBase, 0, 0xFFFF));
    st.CustomAlt = static_cast<uint16_t>(r.Ranged("ATA Port", "CustomAlt", kDefaultCustomAlt, 0, 0xFFFF));
    // Ports that wrap or reach the PCI configuration ports are never used,
    // whatever the file says.
    if (const std::string problem = CustomPortsProblem(st.CustomBase, kDefaultCustomAlt); !problem.empty()) {
        r.Warn("ATA Port", "CustomBase", "is refused (" + problem + ")");
        st.CustomBase = kDefaultCustomBase;
    }
    if (const std::string problem = CustomPortsProblem(st.CustomBase, st.CustomAlt); !problem.empty()) {
        r.Warn("ATA Port", "CustomAlt", "is refused (" + problem + ")");
        st.CustomAlt = kDefaultCustomAlt;
    }
    fm.PortRg.SetItemIndex(static_cast<int>(r.Ranged("ATA Port", "Channel", 1, 0, 2)));
    r.Bool("ATA Port", "Remember Primary", fm.RemPrimChk);

    long long device = r.Ranged("API", "Last API device", 0, -1, 127);
    st.ApiDeviceIndex = device == -1 ? 1 : static_cast<int>(device);
    fm.ApiDevSpin.SetValue(st.ApiDeviceIndex);
    r.Bool("API", "Ignore FDD", fm.IgnoreFddChk);
    r.Bool("API", "Show logical", fm.ShowLogicalChk);

    r.Choice("Seek", "Method", fm.SeekModeGrp, 0);
    fm.SeekTioEdit.SetText(std::to_string(r.Ranged("Seek", "Timeout", 200, 1, 100000)));
    r.Choice("Security", "Method", fm.PwdTypeGrp, 1);
    r.Choice("Security", "Level", fm.PwdLevGrp, 0);
    fm.PwdEdit.SetText(ini.ReadString("Security", "Password", "lantvorp"));

    r.Bool("Advanced", "Sync PA", fm.AdvSyncHexPV);
    r.Bool("Advanced", "Passp Anal", fm.PartAnalPassChk);
    r.Bool("Advanced", "Get name", fm.PartGetNameChk);
    return warnings;
}

void Settings::LoadGrid()
{
    IniFile ini = ReadFile();
    std::vector<std::string> ignored;
    Reader(ini, ignored).Bool("Scan", "Grid", p_.fm.DisGridChk);
}

bool Settings::Save()
{
    if (!p_.state.FilesWritable) return true;
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    IniFile ini = ReadFile();

    ini.WriteString("Info", "Author", kAuthor);

    const auto& b = fm.Geometry();
    ini.WriteInteger("Position", "X", b.left);
    ini.WriteInteger("Position", "Y", b.top);
    ini.WriteInteger("Position", "Height", b.height);
    ini.WriteInteger("Position", "Width", b.width);
    ini.WriteString("Position", "Name", fm.Caption());
    ini.WriteInteger("Position", "PageIndex", fm.MainPage.ActivePageIndex());
    const auto& help = p_.about.Geometry();
    ini.WriteInteger("Position", "Help Width", help.width);
    ini.WriteInteger("Position", "Help Height", help.height);
    ini.WriteInteger("Position", "Help Y", help.top);
    ini.WriteInteger("Position", "Help X", help.left);
    const auto& hexv = p_.hefm.Geometry();
    ini.WriteInteger("Position", "HexV Width", hexv.width);
    ini.WriteInteger("Position", "HexV Height", hexv.height);
    ini.WriteInteger("Position", "HexV Y", hexv.top);
    ini.WriteInteger("Position", "HexV X", hexv.left);

    ini.WriteInteger("Setup", "BUSY Timeout", fm.BusyTrk.Position());
    ini.WriteInteger("Setup", "DRQ Timeout", fm.DrqTrk.Position());
    ini.WriteInteger("Setup", "DRDY Timeout", fm.RdyTrk.Position());
    ini.WriteInteger("Setup", "Timer ATA", fm.AtaTimerRg.ItemIndex());
    // Night-time muting is not the user's choice: keep the sound setting as it was.
    if (st.SoundMutedAtNight) fm.AllSoundChk.SetChecked(true);
    ini.WriteBool("Setup", "All Sound", fm.AllSoundChk.Checked());
    ini.WriteBool("Setup", "Bell", fm.BellChk.Checked());
    ini.WriteBool("Setup", "RefreshLBA", fm.lbasyncChk.Checked());
    ini.WriteBool("Setup", "EnableBreakIntLoops", fm.EnaBrkInCyclChk.Checked());
    ini.WriteBool("Setup", "NonDestr", fm.NonDestrChk.Checked());
    ini.WriteBool("Setup", "SwapUpDn", fm.SwapUpDnkeysChk.Checked());
    ini.WriteBool("Setup", "Classic style", fm.ClassicChk.Checked());
    ini.WriteBool("Setup", "Grid lines", fm.GridLinesChk.Checked());
    ini.WriteBool("Setup", "PCI d-click", fm.PspDblChk.Checked());
    ini.WriteBool("Setup", "SaveLogFile", fm.SaveLogChk.Checked());
    ini.WriteString("Setup", "LogFileName", fm.LogFileEdit.Text());
    ini.WriteString("Setup", "LogDirName", fm.LogDirEdit.Text());
    ini.WriteInteger("Setup", "API Enable", fm.APIRg.ItemIndex());
    ini.WriteBool("Setup", "Russian", fm.RussianChk.Checked());
    ini.WriteBool("Setup", "Only SCSI passport", fm.OnlyScsiPassChk.Checked());
    ini.WriteBool("Setup", "Dont get drive passport", fm.dontgetdpchk.Checked());
    ini.WriteBool("Setup", "If API then TAB1", fm.ApiTab1Chk.Checked());

    ini.WriteInteger("Scan", "Timer", fm.RTChk.ItemIndex());
    ini.WriteInteger("Scan", "TimerPio", fm.CommonRtcRg.ItemIndex());
    ini.WriteBool("Scan", "Reset between Loop", fm.ResBetwLoopScanChk.Checked());
    ini.WriteBool("Scan", "DontBlink", fm.DontBlinkChk.Checked());
    ini.WriteBool("Scan", "CorrTimHDD", fm.CorrTimHDDChk.Checked());
    ini.WriteBool("Scan", "AutoRepJmp", fm.AutoRepQnChk.Checked());
    ini.WriteInteger("Scan", "Jmp Interval", fm.QnRepTimeBox.Value());
    double typed = 0;
    if (ParseTimeOfDay(fm.RndScTimeEdit.Text(), typed) && TimeOfDayText(rnd_time) != fm.RndScTimeEdit.Text())
        rnd_time = typed;
    ini.WriteFloat("Scan", "Time of RND", rnd_time);
    ini.WriteBool("Scan", "Always ajust CPU", fm.AdjustCPUchk.Checked());
    ini.WriteBool("Scan", "Grid", fm.DisGridChk.Checked());

    ini.WriteBool("ATA Checkboxes", "BinToFile", fm.PassChk.Checked());
    ini.WriteBool("ATA Checkboxes", "+reset", fm.PspplusRstChk.Checked());
    ini.WriteBool("ATA Checkboxes", "AllDev", fm.PCIAllDevChk.Checked());
    ini.WriteBool("ATA Checkboxes", "AltStat", fm.AltStChk.Checked());
    ini.WriteBool("ATA Checkboxes", "TermoCtrl", fm.TermoCtrlBox.Checked());
    ini.WriteBool("ATA Checkboxes", "HPA Tmp", fm.HPATpChk.Checked());
    ini.WriteBool("ATA Checkboxes", "HPA Mb", fm.HpaMbBox.Checked());
    ini.WriteBool("ATA Checkboxes", "HPA get EXT passport", fm.HpaExtpassChk.Checked());
    ini.WriteBool("Hint", "Hints", fm.HintsChk.Checked());
    ini.WriteBool("EXT PSP Button", "DiagSF", fm.DSFChk.Checked());
    ini.WriteBool("EXT PSP Button", "RealSize", fm.RSChk.Checked());
    ini.WriteBool("EXT PSP Button", "PWStat", fm.PWSCHK.Checked());
    ini.WriteBool("EXT PSP Button", "BufDiag", fm.BDChk.Checked());
    ini.WriteBool("SMART Checkboxes", "SaveBIN", fm.SmartSaveBinChk.Checked());
    ini.WriteInteger("SMART Checkboxes", "Window heigh", fm.SmartTestPanel.Geometry().height);

    bool forget_primary = fm.RemPrimChk.Checked() && fm.PortRg.ItemIndex() == 0;
    ini.WriteInteger("ATA Port", "Channel", forget_primary ? 1 : fm.PortRg.ItemIndex());
    ini.WriteInteger("ATA Port", "CustomBase", st.CustomBase);
    ini.WriteInteger("ATA Port", "CustomAlt", st.CustomAlt);
    ini.WriteBool("ATA Port", "Remember Primary", fm.RemPrimChk.Checked());

    ini.WriteInteger("API", "Last API device", static_cast<int8_t>(st.ApiDeviceIndex));
    ini.WriteBool("API", "Ignore FDD", fm.IgnoreFddChk.Checked());
    ini.WriteBool("API", "Show logical", fm.ShowLogicalChk.Checked());

    ini.WriteInteger("Seek", "Method", fm.SeekModeGrp.ItemIndex());
    long long tio = 0;
    bool tio_valid = ParseInteger(fm.SeekTioEdit.Text(), tio) && tio >= 1 && tio <= 100000;
    ini.WriteInteger("Seek", "Timeout", tio_valid ? tio : 200);
    ini.WriteInteger("Security", "Method", fm.PwdTypeGrp.ItemIndex());
    ini.WriteInteger("Security", "Level", fm.PwdLevGrp.ItemIndex());
    ini.WriteString("Security", "Password", fm.PwdEdit.Text());
    ini.WriteBool("Scan", "Reset after jump", fm.RstAftJmpChk.Checked());
    ini.WriteBool("Advanced", "Sync PA", fm.AdvSyncHexPV.Checked());
    ini.WriteBool("Advanced", "Passp Anal", fm.PartAnalPassChk.Checked());
    ini.WriteBool("Advanced", "Get name", fm.PartGetNameChk.Checked());
    // An installed copy's settings folder under the user's configuration
    // folder may not exist yet.
    std::error_code ec;
    std::filesystem::create_directories(p_.folders.settings, ec);
    return ini.Save(Path());
}

} // namespace mrv
