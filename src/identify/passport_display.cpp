// The decoding half of the passport: the extended checks, the list, the panes,
// the lamps and the panels of other tabs that follow the drive.

#include "access/device_kind.h"
#include "app/program_impl.h"
#include "drive/ata_opcodes.h"
#include "identify/format_capacity.h"
#include "identify/passport.h"

#include <algorithm>
#include <cstdio>

namespace mrv
{

namespace
{
const form::Colour kLampGrey = form::Colour::Rgb(159, 159, 159);
constexpr int kNarrowPanel = 370;
constexpr int kWidePanel = 426;

std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

std::string Pad(const std::string& text, size_t width, bool right)
{
    if (text.size() >= width) return text;
    std::string fill(width - text.size(), ' ');
    return right ? fill + text : text + fill;
}
} // namespace

void Passport::RebuildColumns()
{
    form::ListView& list = p_.fm.Psp;
    int value_width = list.Geometry().width == kWidePanel ? 240 : 188;
    list.SetColumns({{"", 0, form::Align::Left},
                     {"Subj:", 71, form::Align::Left},
                     {"             Drive passport:", value_width, form::Align::Left},
                     {"Comment:", 84, form::Align::Left}});
}

void Passport::ClearPassport()
{
    p_.fm.Psp.OnCustomDrawCell = nullptr;
    p_.fm.Psp.ClearRows();
    for (int pane : {HDPn1, HdPn2, HdPn3, HdPn4})
        p_.fm.StatusBar1.SetPanelText(pane, "");
    p_.fm.StatusBar1.SetPanelText(HDPn1, "Press 'Passport' to init drive");
}

void Passport::Decode(bool from_file, int64_t& result)
{
    SharedState& st = p_.state;
    const bool api = st.access_mode == AccessMode::Api;
    IdentifyWords words = Words();

    DrivePassport seed = acquired_;
    seed.NonAta = st.passport.NonAta;
    seed.UsbBridge = st.passport.UsbBridge;
    seed.Removable = st.passport.Removable;
    seed.InvalidGeometry = st.passport.InvalidGeometry;
    seed.SectorSize = st.passport.SectorSize;
    seed.NonAtaFeatures = st.passport.NonAtaFeatures;

    PassportContext context;
    context.api_mode = api;
    bool ext_run = !from_file && !ExtChecksOff;
    if (ext_run && (!st.passport.NonAta || !api)) context.ext = RunExtChecks(words);

    DecodedPassport decoded = DecodePassport(words, seed, context);
    st.passport = decoded.passport;
    result = decoded.last_lba;
    Show(decoded, ext_run);
}

// ---- Extended checks -----------------------------------------------------

PassportExtResults Passport::RunExtChecks(const IdentifyWords& words)
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    PassportExtResults ext;
    const bool pio = st.access_mode == AccessMode::Pio;

    // READ NATIVE MAX ADDRESS and the buffer test read the task file back, so
    // they need the ports.
    if (pio && fm.RSChk.Checked() && WordBit(words, 82, 10)) {
        fm.Psp.OnCustomDrawCell = nullptr;
        fm.biglbaChk.SetChecked(WordBit(words, 83, 10));
        // IssueBlockCommand sends the 48-bit form itself when 48-bit access is on.
        p_.pio.IssueBlockCommand(0, 0xF8, 0);
        if (p_.pio.WaitNotBusy() == -1)
            ext.native_max = -1;
        else
            ext.native_max = static_cast<int64_t>(p_.pio.ReadTaskFileLba()) + 1;
    }
    if (fm.DSFChk.Checked()) ext.diag_passed = DiagnoseSetFeatures();
    if (fm.PWSCHK.Checked()) ext.power_count = PowerStatus();
    if (pio && fm.BDChk.Checked()) ext.buffer_diag = BufferDiagnostic();
    return ext;
}

std::optional<bool> Passport::DiagnoseSetFeatures()
{
    const AtaCommand command = AtaCommand::NonData(kSetFeaturesProbe);
    if (p_.state.access_mode == AccessMode::Pio) return p_.routes.pio.Execute(command).Ok();
    // Without port access the command goes the API's ATA routes; when neither
    // carries it there is nothing to report.
    AtaResult result;
    if (FirstAnswering({&p_.api.SmartRoute(), &p_.routes.sat}, command, result)) return true;
    return std::nullopt;
}

std::optional<uint8_t> Passport::PowerStatus()
{
    AtaCommand command = AtaCommand::NonData(kCheckPowerMode);
    command.want_registers = true;
    AtaResult result;
    if (p_.state.access_mode == AccessMode::Pio) {
        result = p_.routes.pio.Execute(command);
        if (!result.Ok()) return std::nullopt;
        return static_cast<uint8_t>(result.count);
    }
    if (!FirstAnswering({&p_.api.SmartRoute(), &p_.routes.sat}, command, result) || !result.registers_valid)
        return std::nullopt;
    return static_cast<uint8_t>(result.count);
}

BufferDiagResult Passport::BufferDiagnostic()
{
    SharedState& st = p_.state;
    for (size_t i = 0; i < 256; ++i)
        st.SectorBuffer.SetWord(i, 0x55AA);
    p_.routes.pio.Execute(AtaCommand::PioOut(kWriteBuffer, st.SectorBuffer.Bytes(), 512));
    for (size_t i = 0; i < 256; ++i)
        st.SectorBuffer.SetWord(i, 0);
    p_.routes.pio.Execute(AtaCommand::PioIn(kReadBuffer, st.SectorBuffer.Bytes(), 512));
    BufferDiagResult result;
    for (size_t i = 0; i < 256; ++i) {
        uint16_t word = st.SectorBuffer.Word(i);
        if (word != 0x55AA) {
            result.passed = false;
            result.first_bad = word;
            break;
        }
    }
    return result;
}

// ---- Display ---------------------------------------------------------------

void Passport::Show(const DecodedPassport& decoded, bool ext_run)
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    const DrivePassport& d = decoded.passport;
    const bool api = st.access_mode == AccessMode::Api;
    const bool ata = !d.NonAta || !api;

    for (const PassportRow& row : decoded.rows)
        fm.Psp.AddRow({"", row.label, row.value, row.comment});
    p_.smart.OfferSelfTests(false);

    // Lamps.
    if (ata) {
        ShowRotation(decoded.rotation);
        if (d.SataDevice) {
            fm.SataDevLed.SetBrush(form::colours::kYellow);
            fm.SataDevLabel.SetEnabled(true);
        } else {
            fm.SataDevLed.SetBrush(kLampGrey);
        }
        fm.biglbaChk.SetEnabled(d.Lba48Supported);
    } else {
        fm.SataDevLed.SetBrush(kLampGrey);
        fm.SSDLed.SetBrush(kLampGrey);
    }
    if (d.LbaSupported && d.Lba48Supported) fm.biglbaChk.SetChecked(true);
    if (ata && !d.Lba48Supported) fm.biglbaChk.SetChecked(false);

    // Host protected area.
    fm.HpaTrack.SetEnabled(true);
    if (decoded.hpa_track_position) fm.HpaTrack.SetPosition(*decoded.hpa_track_position);
    if (decoded.real_size_row)
        fm.L1.SetText(fm.HpaMbBox.Checked() ? std::to_string(d.LbaCount / d.SectorsPerMb) + " Mb"
                                            : std::to_string(d.LbaCount));

    // Acoustics.
    bool aam = ata && d.AamSupported;
    fm.AAMTrack.SetEnabled(aam);
    fm.AAMMinBtn.SetEnabled(aam);
    fm.AAMOffBtn.SetEnabled(aam);
    fm.AAMLed.SetCaption(decoded.aam_display);
    if (ext_run && ata) fm.AAMTrack.SetPosition(d.AamValue);

    if (decoded.security_locked) p_.LogLine("This drive locked by ATA password!", kNewLine, kLogError);
    if (decoded.interface_error) p_.LogLine("WARNING! INTERFACE ERROR!!!", kNewLine, kLogError);

    // Finishing: colours, panes, the sector editor and the partition viewer.
    fm.Psp.OnCustomDrawCell = [this](int row, int column) -> std::optional<form::Colour> {
        const form::ListView& list = p_.fm.Psp;
        if (p_.fm.DisClinPassChk.Checked() || row < 0 || row >= list.RowCount()) return std::nullopt;
        return PassportCellColour(row, column, list.Cell(row, 1), list.Cell(row, 2), list.Cell(row, 3));
    };
    ShowSummary(d);

    bool termo = !d.NonAta || !api;
    fm.TermoCtrlBox.SetEnabled(termo);
    if (!termo) fm.SeekTmprtLed.SetCaption("n/a");

    ApplyFamilyAndSizes(d);

    if (d.UsbBridge) {
        fm.SecurityGroup.SetCaption(" Security manager: USB-mode ");
        fm.SecurityGroup.SetEnabled(true);
        fm.FilePwdBtn.SetEnabled(true);
    } else if (!api) {
        fm.SecurityGroup.SetCaption(" Security manager ");
        fm.SecurityGroup.SetEnabled(true);
        fm.FilePwdBtn.SetEnabled(true);
    } else {
        // On Linux an ATA drive on a SATA port answers ATA pass-through too
        // (libata translates it): the group works there, under its API caption.
        const bool sata_port = !d.NonAta && !p_.platform.system.KernelName().empty();
        fm.SecurityGroup.SetCaption(" Security manager (disabled in API) ");
        fm.SecurityGroup.SetEnabled(sata_port);
        fm.FilePwdBtn.SetEnabled(sata_port);
    }
}

void Passport::ShowSummary(const DrivePassport& d)
{
    TFm& fm = p_.fm;
    fm.Psp.Repaint();
    std::string capacity =
        FormatCapacity(d.SectorSize, static_cast<uint64_t>(std::max<int64_t>(d.LbaCount, 0)));
    fm.StatusBar1.SetPanelText(HDPn1, d.Model);
    fm.StatusBar1.SetPanelText(HdPn2, "SN: " + d.Serial);
    fm.StatusBar1.SetPanelText(HdPn3, "Fw: " + d.Firmware);
    fm.StatusBar1.SetPanelText(HdPn4, std::to_string(d.LbaCount) + " LBA (" + capacity + ")");
    fm.HexeditIn.SetEnabled(d.LbaCount > 0);
    fm.HexEOppenBtn.SetEnabled(d.LbaCount > 0);
    fm.Label6.SetCaption("Press 'Open'");
    fm.PartBox.SetEnabled(true);
    fm.PartBtn.SetCaption("View part data");

    if (RecomputeScanTiming) RecomputeScanTiming();
}

void Passport::ApplyFamilyAndSizes(const DrivePassport& d)
{
    TFm& fm = p_.fm;
    const bool api = p_.state.access_mode == AccessMode::Api;
    uint8_t family = d.ModelFamily;
    fm.IbmSuperSmart.SetEnabled(family == 2 || family == 7 || family == 13);
    fm.HexESaveBtn.SetEnabled(true);
    if (p_.state.Use48Bit && p_.pio.OnAddressModeChanged) p_.pio.OnAddressModeChanged();
    if (!d.NonAta || !api) {
        if (fm.AutoSizeSC.Checked()) {
            int index = 4;
            if (family == 15)
                index = 8;
            else if (d.PhysicalSectorSize == 4096)
                index = d.Removable ? 2 : 7;
            SelectBlockSize(index);
        }
    } else {
        ApplyNonAtaBlockSize(d.SectorsPerTrack);
    }
}

void Passport::ApplyNonAtaBlockSize(uint32_t sectors_per_track)
{
    if (device_kind_ != OsDeviceKind::Unknown) {
        SelectBlockSize(std::string(NamesOf(device_kind_).block_size));
        return;
    }
    switch (sectors_per_track) {
    case 18:
        SelectBlockSize(std::string("1"));
        // A floppy's blocks are slow by nature: its 600 ms class is not logged.
        p_.fm.ErLogBx600.SetChecked(false);
        break;
    case 32:
        SelectBlockSize(std::string("64"));
        break;
    default:
        SelectBlockSize(std::string("256"));
        break;
    }
}

void Passport::SelectBlockSize(int index)
{
    form::ComboBox& box = p_.fm.ScBlockSizeBox;
    if (index < static_cast<int>(box.Items().size())) box.SetItemIndex(index);
}

void Passport::SelectBlockSize(const std::string& text)
{
    p_.fm.ScBlockSizeBox.SetText(text);
}

// ---- List actions ----------------------------------------------------------

void Passport::SetPanelWidth(int width)
{
    TFm& fm = p_.fm;
    fm.PspPanel.SetWidth(width);
    fm.Psp.SetWidth(width);
    if (fm.Psp.Columns().size() > 2) fm.Psp.SetColumnWidth(2, width == kWidePanel ? 240 : 188);
}

void Passport::PspDblClick()
{
    if (pci_table_shown) {
        if (OnPciDblClick) OnPciDblClick();
        return;
    }
    SetPanelWidth(p_.fm.PspPanel.Geometry().width > kNarrowPanel ? kNarrowPanel : kWidePanel);
}

void Passport::CopyAll()
{
    const form::ListView& list = p_.fm.Psp;
    std::string memo;
    for (int row = 0; row < list.RowCount(); ++row)
        memo += Pad(list.Cell(row, 1), 10, true) + " " + Pad(list.Cell(row, 2), 27, false) +
                Pad(list.Cell(row, 3), 9, false) + "\n";
    p_.dialogs.SetClipboardText(memo);
}

void Passport::CopyValue()
{
    const form::ListView& list = p_.fm.Psp;
    int last = -1;
    for (int row = 0; row < list.RowCount(); ++row)
        if (list.RowAt(row).selected) last = row;
    if (last >= 0) p_.dialogs.SetClipboardText(Trim(list.Cell(last, 2)));
}

void Passport::BigSmall()
{
    p_.fm.Psp.SetCheckBoxes(!p_.fm.Psp.CheckBoxes());
}

void Passport::ShowRotation(const std::optional<RotationLamp>& rotation)
{
    if (!rotation) return;
    TFm& fm = p_.fm;
    fm.SSDLed.SetBrush(rotation->lamp);
    fm.SSDLabel.SetCaption(rotation->text);
    fm.SSDLabel.SetEnabled(true);
    fm.SSDLabel.SetFontBold(rotation->ssd);
    fm.SSDLabel.SetFontColour(rotation->ssd ? form::colours::kNavy : form::colours::kBlack);
}

} // namespace mrv
