#include "identify/passport.h"

#include "access/device_kind.h"
#include "app/program_impl.h"
#include "drive/ata_opcodes.h"
#include "identify/format_capacity.h"
#include "platform/regular_file.h"

#include <fstream>
#include <system_error>

namespace mrv
{

namespace
{

const form::Colour kLampGrey = form::Colour::Rgb(159, 159, 159);
const form::Colour kLampLime = form::Colour::Rgb(0, 255, 0);

constexpr const char* kAtaCaption = "       Drive ATA passport:";
constexpr const char* kUsbCaption = "      Passport from USB:";
constexpr const char* kScsiCaption = "    SCSI  Drive passport:";

enum PspMenuItem { kGetPassport, kCopyAll, kCopyValue, kSaveReport, kBigSmall, kMaximize };

} // namespace

Passport::Passport(ProgramImpl& program) : p_(program)
{
    Wire();
}

void Passport::Wire()
{
    TFm& fm = p_.fm;
    fm.PASSBtn.OnClick = [this] { PASSBtnClick(); };
    fm.PasspBtn.OnClick = [this] { PASSBtnClick(); };
    fm.PASSBtnExt.OnClick = [this] { PASSBtnExtClick(); };
    fm.OpenBinBtn.OnClick = [this] { OpenBinBtnClick(); };
    fm.Psp.OnDblClick = [this] { PspDblClick(); };
    fm.lbasyncChk.OnClick = [this] { ForcePassportReport = p_.fm.lbasyncChk.Checked(); };
    p_.steps.ApplyForcePassportReport = [this] { ForcePassportReport = p_.fm.lbasyncChk.Checked(); };

    auto& items = fm.PspMenu.Items();
    items.clear();
    items.push_back({"Get Passport", true, true, [this] { p_.fm.PasspBtn.Click(); }});
    items.push_back({"Copy ALL", true, true, [this] { CopyAll(); }});
    items.push_back({"Copy value", true, true, [this] { CopyValue(); }});
    items.push_back({"Save report...", true, true, [this] { p_.reports.SaveWithDialog(); }});
    items.push_back({"Big/Small", true, true, [this] { BigSmall(); }});
    items.push_back({"Maximize", true, true,
                     [this] { SetPanelWidth(p_.fm.PspPanel.Geometry().width > 370 ? 370 : 426); }});
    fm.PspMenu.OnPopup = [this] {
        p_.fm.PspMenu.Items()[kMaximize].caption =
            p_.fm.PspPanel.Geometry().width > 370 ? "Show ALL" : "Maximize";
    };
}

IdentifyWords Passport::Words() const
{
    IdentifyWords words{};
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = p_.state.SectorBuffer.Word(i);
    return words;
}

// ---- Buttons -------------------------------------------------------------

void Passport::PASSBtnClick()
{
    p_.ops.ResetBreakState();
    p_.ops.SuspendTestThreads();
    bool saved = ForcePassportReport;
    ForcePassportReport = true;
    TakePassport(true, true);
    ForcePassportReport = saved;
    p_.ops.ResumeTestThreads();
}

void Passport::PASSBtnExtClick()
{
    ExtChecksOff = false;
    p_.fm.PasspBtn.Click();
    ExtChecksOff = true;
}

void Passport::OpenBinBtnClick()
{
    form::FileDialogRequest request;
    request.title = "Open BIN file of passport";
    request.initial_dir = p_.LogsDir().string();
    request.filter = "BIN Files (*.bin)|*.bin|All Files (*.*)|*.*";
    request.filter_index = 1;
    std::optional<std::string> file = p_.dialogs.OpenFile(request);
    if (!file) return;
    int64_t result = ReadPassport(true, *file);
    p_.fm.EndLbaEdit.SetText(std::to_string(result));
    p_.fm.SeekEndLbaEdit.SetText(std::to_string(result));
}

// ---- TakePassport --------------------------------------------------------

bool Passport::TakePassport(bool log_messages, bool apply)
{
    TFm& fm = p_.fm;
    DrivePassport& d = p_.state.passport;
    fm.PortLab.SetEnabled(true);
    fm.Psp.OnCustomDrawCell = nullptr;
    int64_t result = ReadPassport(false, {});

    if (result > 0) fm.MaxLbaButton.SetEnabled(true);
    if (result == -1) {
        p_.LogLine("Get drive passport: Drive error!", kNewLine, kLogError);
        return false;
    }
    if (result < -1) {
        p_.LogLine("Get drive passport: Port error!", kNewLine, kLogError);
        return false;
    }

    if (apply) {
        bool same_drive = !ForcePassportReport && d.Model == LastPassport.model &&
                          d.Serial == LastPassport.serial && result == LastPassport.last_lba;
        if (!same_drive) {
            if (d.Model != LastPassport.model) NewModelFlag = true;
            PassportTaken = true;
            fm.SeekRpmLab.SetCaption("");
            fm.EndLbaEdit.SetText(std::to_string(result));
            fm.SeekEndLbaEdit.SetText(std::to_string(result));
            if (log_messages) {
                if (NewModelFlag && p_.state.RussianHelp) FamilyRemark(d.ModelFamily);
                std::string count = std::to_string(d.LbaCount);
                if (d.NonAta)
                    p_.LogLine("Model: " + d.Model + "; Capacity: " + count + " LBAs", false, 1);
                else
                    p_.LogLine("Model: " + d.Model + "; Capacity: " + count + " LBAs; SN: " + d.Serial +
                                   "; FW: " + d.Firmware,
                               false, 1);
                if (p_.state.access_mode == AccessMode::Pio && d.LbaCount <= 0)
                    p_.LogLine("WARNING! THIS DRIVE DOES NOT SUPPORT LBA !!!", kNewLine, kLogError);
                NewModelFlag = false;
            }
        }
        // Another serial is another drive: a batch of one model keeps a file each.
        const bool other_drive = d.Model != LastPassport.model || d.Serial != LastPassport.serial;
        if (fm.PassChk.Checked() && (!d.NonAta || d.Nvme) && other_drive && p_.state.FilesWritable) {
            if (d.Nvme)
                SaveNvmeFile();
            else
                SaveFile();
        }
        LastPassport = {d.Model, d.Serial, result};
    }
    return true;
}

void Passport::FamilyRemark(uint8_t family)
{
    const char* remark = nullptr;
    switch (family) {
    case 9:
        remark = "Conner?! И где вы только берете эту гадость?";
        break;
    case 11:
        remark = "Aaaa, подсунули Quantum AS! Ну почему мне?!";
        break;
    case 12:
        remark = "Aaaa, подсунули Quantum AS, к тому же он дохлый!";
        break;
    case 13:
        remark = "IBM DTLA. Хм, странно что он еще жив...";
        break;
    case 14:
        remark = "Fujitsu MPG?! Ну все, сейчас защелкает головами...";
        break;
    default:
        return;
    }
    p_.LogLine(remark, kNewLine, kLogError);
}

void Passport::SaveFile()
{
    const DrivePassport& d = p_.state.passport;
    std::filesystem::path path = p_.LogsDir() / PassportFileName(d.Model, d.Serial);
    std::string why;
    if (!MayWriteFile(path, &why)) {
        p_.LogLine("Error! Can't write file " + path.string() + " (" + why + ")", kNewLine, kLogError);
        return;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(p_.state.SectorBuffer.Bytes()), 512);
    if (!out) p_.LogLine("Error! Can't write file " + path.string(), kNewLine, kLogError);
}

// ---- ReadPassport --------------------------------------------------------

void Passport::Reset()
{
    TFm& fm = p_.fm;
    DrivePassport& d = p_.state.passport;
    d.SecurityEnabled = d.SecurityFrozen = d.SecurityExpired = false;
    d.SectorSize = 512;
    d.SectorsPerMb = 2048;
    d.NonAtaFeatures = "Non ATA";
    d.NonAta = d.Removable = d.InvalidGeometry = d.Nvme = false;
    acquired_ = DrivePassport{};
    nvme_controller_data_.clear();
    nvme_namespace_.reset();
    nvme_cache_on_.reset();
    nvme_.reset();
    device_kind_ = OsDeviceKind::Unknown;
    acquired_.Lba48Supported = d.Lba48Supported;

    fm.StatusBar1.SetPanelWidth(HDPn1, 190);
    fm.StatusBar1.SetPanelWidth(HdPn2, 165);
    fm.RemDrvLed.SetBrush(kLampGrey);
    fm.VirtDrvLed.SetBrush(kLampGrey);
    // The lamp of a previous SSD or spindle speed must not stay lit for a
    // drive that reports no rotation rate.
    fm.SSDLed.SetBrush(kLampGrey);
    fm.RemDrvLabel.SetEnabled(false);
    fm.LabelVirtual.SetEnabled(false);
    fm.SataDevLabel.SetEnabled(false);
    fm.SSDLabel.SetEnabled(false);
    fm.SSDLabel.SetFontBold(false);
    RebuildColumns();
    fm.Psp.ClearRows();
    for (size_t i = 0; i < 260; ++i)
        p_.state.SectorBuffer.SetWord(i, 0);
}

void Passport::FailureExit()
{
    TFm& fm = p_.fm;
    fm.StatusBar1.SetPanelText(HDPn1, "Passport error!");
    fm.StatusBar1.SetPanelText(HdPn2, "");
    fm.StatusBar1.SetPanelText(HdPn3, "");
    fm.StatusBar1.SetPanelText(HdPn4, "");
    fm.SSDLed.SetBrush(kLampGrey);
    fm.SataDevLed.SetBrush(kLampGrey);
    fm.SSDLabel.SetEnabled(false);
    fm.SataDevLabel.SetEnabled(false);
}

int64_t Passport::ReadPassport(bool from_file, const std::string& file_name)
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    p_.platform.clock.SleepMs(20);
    Reset();
    int64_t result = -1;
    const bool pio = st.access_mode == AccessMode::Pio;

    if (!from_file) {
        if (pio) {
            if (fm.PspplusRstChk.Visible() && fm.PspplusRstChk.Checked()) ResetDriveForPassport();
            if (!p_.pio.AwaitDriveReady()) {
                FailureExit();
                return result;
            }
        }
        p_.ui.ProcessMessages();
    }

    if (from_file) {
        // Never a named pipe or a device: opening one could wait forever.
        std::vector<uint8_t> bytes;
        uint64_t size = 0;
        std::string why;
        if (!ReadRegularFile(file_name, kNvmeIdentifySize, bytes, size, why)) {
            p_.LogLine("Error! Can't open file " + file_name + " (" + why + ")", kNewLine, kLogError);
            return -1;
        }
        // An NVMe passport file is the whole Identify Controller structure;
        // ATA passport files are one sector.
        if (size == kNvmeIdentifySize && bytes.size() == kNvmeIdentifySize) {
            nvme_ = DecodeNvmeController(bytes.data());
            if (!nvme_) {
                p_.LogLine("Error! No NVMe identification in file " + file_name, kNewLine, kLogError);
                return -1;
            }
            nvme_controller_data_ = bytes;
            DecodeNvme(result);
            return result;
        }
        if (bytes.size() > 512) bytes.resize(512);
        if (size < 512 || bytes.size() < 512) {
            p_.LogLine("Error! Incorrect length of file", kNewLine, kLogError);
            return -1;
        }
        std::copy(bytes.begin(), bytes.end(), st.SectorBuffer.Bytes());
        Decode(true, result);
        return result;
    }

    bool got = false;
    if (!pio) {
        if (AcquireNvme()) {
            DecodeNvme(result);
            return result;
        }
        got = (!fm.OnlyScsiPassChk.Checked() && AcquireApi()) || AcquireScsi();
    } else {
        got = AcquirePio(result);
    }
    if (!got) {
        FailureExit();
        return result;
    }
    CheckGeometry();
    Decode(false, result);
    return result;
}

bool Passport::AcquireApi()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    std::array<uint8_t, 512> data{};
    if (p_.api.ApiSmartCommand(AtaCommand::PioIn(kIdentifyDevice, data.data(), data.size())).Ok()) {
        std::copy(data.begin(), data.end(), st.SectorBuffer.Bytes());
        st.passport.NonAta = false;
        st.passport.SectorSize = 512;
        fm.Psp.SetBackColour(form::Colour::Rgb(240, 255, 240));
        fm.Psp.SetColumnCaption(2, kAtaCaption);
        st.passport.UsbBridge = false;
        p_.LogLine("Get passport... OK", kNewLine, kLogInfo);
        return true;
    }
    data.fill(0);
    if (p_.routes.sat.Execute(AtaCommand::PioIn(kIdentifyDevice, data.data(), data.size())).Ok()) {
        std::copy(data.begin(), data.end(), st.SectorBuffer.Bytes());
        st.passport.NonAta = false;
        st.passport.SectorSize = 512;
        fm.Psp.SetBackColour(form::Colour::Rgb(224, 233, 254));
        fm.Psp.SetColumnCaption(2, kUsbCaption);
        fm.VirtDrvLed.SetBrush(form::Colour::Rgb(49, 4, 225));
        fm.LabelVirtual.SetCaption("USB drive");
        fm.LabelVirtual.SetEnabled(true);
        st.passport.UsbBridge = true;
        p_.LogLine("Get passport... OK", kNewLine, kLogInfo);
        return true;
    }
    return false;
}

bool Passport::AcquireScsi()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    DrivePassport& d = st.passport;
    d.UsbBridge = false;
    std::unique_ptr<OsDevice> device = p_.api.OpenApiDevice(st.ApiDeviceIndex, st.ApiDriveLetter);
    if (!device) {
        // Without the ATA attempts nothing has said why yet.
        if (fm.OnlyScsiPassChk.Checked()) p_.api.LogOpenFailure();
        return false;
    }
    fm.Psp.SetBackColour(form::Colour::Rgb(254, 255, 225));
    fm.Psp.SetColumnCaption(2, kScsiCaption);
    acquired_.LbaSupported = true;
    DeviceCapacity cap = p_.api.ApiGetCapacity(device.get());

    d.SectorSize = cap.sector_size ? cap.sector_size : 512;
    acquired_.LbaCount = static_cast<int64_t>(cap.total_sectors);
    acquired_.Cylinders = cap.cylinders;
    acquired_.Heads = cap.tracks_per_cylinder;
    acquired_.SectorsPerTrack = cap.sectors_per_track;
    if (cap.total_sectors != 0) {
        uint32_t media = cap.media_type;
        if ((media >= 1 && media <= 11) || (media >= 13 && media <= 19) || (media >= 22 && media <= 25)) {
            d.NonAtaFeatures += ", Removable";
            d.Removable = true;
            fm.RemDrvLed.SetBrush(kLampLime);
            fm.RemDrvLabel.SetEnabled(true);
        } else if (media == 12) {
            d.NonAtaFeatures += ", HDD";
        } else if (media == 20 || media == 21) {
            d.NonAtaFeatures += ", MO";
        }
        d.SectorsPerMb = SectorsPerMbOf(d.SectorSize);
        if (cap.kind != OsDeviceKind::Unknown)
            ApplyDeviceKind(cap.kind);
        else
            ApplyGeometryKind(cap.sectors_per_track);
    } else {
        d.SectorSize = 512;
        acquired_.LbaCount = 1;
    }

    std::string model, revision, serial;
    if (p_.api.ApiScsiInquiry(device.get(), model, revision, serial)) {
        acquired_.Model = model;
        acquired_.Firmware = revision;
        acquired_.Serial = serial;
    } else {
        acquired_.Model = cap.sectors_per_track == 18 ? "Floppy disk" : "Unknown non ATA drive";
    }
    d.NonAta = true;
    device.reset();
    p_.LogLine("Get passport... OK", kNewLine, kLogInfo);
    return true;
}

void Passport::ApplyGeometryKind(uint32_t sectors_per_track)
{
    TFm& fm = p_.fm;
    DrivePassport& d = p_.state.passport;
    switch (sectors_per_track) {
    case 18:
        d.NonAtaFeatures += ", FDD";
        break;
    case 32:
        d.NonAtaFeatures += ", CD";
        break;
    case 63:
        break;
    default:
        d.NonAtaFeatures += ", Virtual";
        fm.VirtDrvLed.SetBrush(kLampLime);
        fm.LabelVirtual.SetCaption("Virtual");
        fm.LabelVirtual.SetEnabled(true);
        break;
    }
    ApplyNonAtaBlockSize(sectors_per_track);
}

void Passport::ApplyDeviceKind(OsDeviceKind kind)
{
    TFm& fm = p_.fm;
    const DeviceKindNames names = NamesOf(kind);
    p_.state.passport.NonAtaFeatures += names.passport_feature;
    if (names.virtual_lamp != nullptr) {
        fm.VirtDrvLed.SetBrush(kLampLime);
        fm.LabelVirtual.SetCaption(names.virtual_lamp);
        fm.LabelVirtual.SetEnabled(true);
    }
    device_kind_ = kind;
    ApplyNonAtaBlockSize(0);
}

bool Passport::AcquirePio(int64_t& result)
{
    SharedState& st = p_.state;
    if (!p_.pio.ProbeChannel()) {
        result = -2;
        return false;
    }
    const AtaResult identify =
        p_.routes.pio.Execute(AtaCommand::PioIn(kIdentifyDevice, st.SectorBuffer.Bytes(), 512));
    if (!identify.Ok()) {
        p_.LogLine("Get passport..." + TaskFile::DescribeAtaError(TaskFile::ErrorCodeOf(identify)),
                   kReplaceLast, kLogError);
        return false;
    }
    p_.LogLine("Get passport... OK", kReplaceLast, kLogInfo);
    // A drive that gave no data block has nothing to decode.
    return identify.transferred == 512;
}

void Passport::CheckGeometry()
{
    SharedState& st = p_.state;
    bool invalid;
    if (!st.passport.NonAta) {
        uint16_t cylinders = st.SectorBuffer.Word(1), heads = st.SectorBuffer.Word(3),
                 sectors = st.SectorBuffer.Word(6);
        invalid = cylinders == heads || heads > 4096 || sectors > 256;
    } else {
        invalid = acquired_.Cylinders * acquired_.Heads * acquired_.SectorsPerTrack == 0;
    }
    if (invalid) {
        p_.LogLine("[Warning] Invalid drive geometry!", kNewLine, kLogError);
        st.passport.InvalidGeometry = true;
    }
}

void Passport::ResetDriveForPassport()
{
    p_.LogLine("Drive reset...", kNewLine, kLogInfo);
    p_.pio.SoftReset();
    if (p_.pio.WaitNotBusy() == -1)
        p_.LogLine("Drive reset... Error", kReplaceLast, kLogError);
    else
        p_.LogLine("Reset OK", kReplaceLast, kLogInfo);
}

} // namespace mrv
