#include "config/host_protected_area.h"

#include "app/program_impl.h"
#include "config/lba_amount.h"

namespace mrv
{

namespace
{

constexpr uint8_t kReadNativeMax = 0xF8;
constexpr uint8_t kSetMax = 0xF9;
constexpr uint8_t kIdnf = 0x10;
constexpr int kTrackEnd = 400;

/// A max-address command with the LBA in the registers, as the pass-through
/// routes carry it; the registers are wanted back.
AtaCommand MaxAddressCommand(uint8_t command, uint64_t lba, uint8_t count, bool ext)
{
    AtaCommand c = ext ? AtaCommand::Lba48(count, ExtendedBlockCommand(command), lba)
                       : AtaCommand::Lba28(count, command, lba);
    c.want_registers = true;
    return c;
}

} // namespace

HostProtectedArea::HostProtectedArea(ProgramImpl& program) : p_(program)
{
    TFm& fm = p_.fm;
    fm.NHPABtn.OnClick = [this] { NHPABtnClick(); };
    fm.HpaBtn.OnClick = [this] { HpaBtnClick(); };
    fm.HpaTrack.OnChange = [this] { HpaTrackChange(); };
}

void HostProtectedArea::ShowSize(int64_t sectors)
{
    const DrivePassport& d = p_.state.passport;
    if (p_.fm.HpaMbBox.Checked())
        p_.fm.L1.SetText(std::to_string(sectors / std::max<int64_t>(d.SectorsPerMb, 1)) + " Mb");
    else
        p_.fm.L1.SetText(std::to_string(sectors));
}

void HostProtectedArea::HpaTrackChange()
{
    if (p_.creating) return;
    DrivePassport& d = p_.state.passport;
    const int position = p_.fm.HpaTrack.Position();
    d.HpaTarget = position == kTrackEnd ? d.NativeLbaCount : d.HpaTrackStep * position;
    ShowSize(d.HpaTarget);
}

// ---- RHPA ------------------------------------------------------------------

bool HostProtectedArea::ApiExtended() const
{
    return p_.state.passport.Lba48Supported;
}

std::optional<uint64_t> HostProtectedArea::ReadNativeMaxPio()
{
    AtaPio& pio = p_.pio;
    if (!pio.IssueBlockCommand(0, kReadNativeMax, 0)) return std::nullopt;
    if (pio.WaitNotBusy() == -1 || pio.ReadErrorRegister() != 0) return std::nullopt;
    return pio.ReadTaskFileLba();
}

std::optional<uint64_t> HostProtectedArea::ReadNativeMaxApi(DriveRoute*& route)
{
    // The 28-bit form goes the IDE pass-through first; the 48-bit one only
    // fits ATA pass-through, which the IDE route refuses without sending.
    const AtaCommand read = MaxAddressCommand(kReadNativeMax, 0, 0, ApiExtended());
    AtaResult result;
    route = FirstAnswering({&p_.routes.ide_pass_through, &p_.routes.sat}, read, result);
    if (!route || !result.registers_valid) return std::nullopt;
    return result.lba;
}

void HostProtectedArea::NHPABtnClick()
{
    SharedState& st = p_.state;
    DrivePassport& d = st.passport;
    const bool pio = st.access_mode == AccessMode::Pio;
    p_.ops.SuspendTestThreads();
    if (!pio || p_.pio.AwaitDriveReady()) {
        p_.LogLine("Get native size...", kReplaceLast, kLogInfo);
        st.BreakRequested = false;
        DriveRoute* route = nullptr;
        const std::optional<uint64_t> max = pio ? ReadNativeMaxPio() : ReadNativeMaxApi(route);
        if (!max) {
            p_.LogLine("Get native size... command aborted", kReplaceLast, kLogError);
        } else {
            d.NativeLbaCount = static_cast<int64_t>(*max + 1);
            p_.fm.L1.SetText(std::to_string(d.NativeLbaCount));
            p_.LogLine("Get native size...OK, " + std::to_string(d.NativeLbaCount) + " LBAs (" +
                           std::to_string(d.NativeLbaCount / std::max<int64_t>(d.SectorsPerMb, 1)) + " Mb)",
                       kReplaceLast, kLogInfo);
            d.HpaTrackStep = d.NativeLbaCount / kTrackEnd;
            d.HpaTarget = d.NativeLbaCount;
            // Moving the slider shows its value; at the end it is the native size.
            p_.fm.HpaTrack.SetPosition(kTrackEnd);
            ShowSize(d.HpaTarget);
        }
    }
    p_.ops.ResumeTestThreads();
}

// ---- HPA -------------------------------------------------------------------

std::optional<uint64_t> HostProtectedArea::SizeFromL1()
{
    const DrivePassport& d = p_.state.passport;
    const std::string text = p_.fm.L1.Text();
    const std::optional<uint64_t> size = ParseLbaAmount(
        text, static_cast<uint64_t>(std::max<int64_t>(d.LbaCount, 0)), std::max<uint32_t>(d.SectorsPerMb, 1));
    // A wrapped or truncated size would hide a random part of the disk.
    if (!size || *size > kMaxSetMaxSize) {
        p_.LogLine("Set HPA Command: size '" + text + "' is beyond 48-bit addressing, nothing sent", kNewLine,
                   kLogError);
        return std::nullopt;
    }
    if (*size == 0) {
        p_.LogLine("Set HPA Command: size '" + text + "' gives no sectors, nothing sent", kNewLine,
                   kLogError);
        return std::nullopt;
    }
    return size;
}

std::optional<uint8_t> HostProtectedArea::SetMaxPio(uint64_t size, bool permanent)
{
    AtaPio& pio = p_.pio;
    // READ NATIVE MAX ADDRESS must come immediately before SET MAX ADDRESS.
    if (!pio.IssueBlockCommand(0, kReadNativeMax, 0)) return pio.ReadErrorRegister();
    if (pio.WaitNotBusy() == -1 || pio.ReadErrorRegister() != 0 || pio.WaitNotBusy() == -1)
        return pio.ReadErrorRegister();
    (void)pio.ReadTaskFileLba();
    if (pio.WaitNotBusy() == -1 || pio.ReadErrorRegister() != 0 || pio.WaitNotBusy() == -1)
        return pio.ReadErrorRegister();

    if (!pio.IssueBlockCommand(permanent ? 1 : 0, kSetMax, size - 1)) return pio.ReadErrorRegister();
    if (pio.WaitNotBusy() == -1) return pio.ReadErrorRegister();
    const uint8_t error = pio.ReadErrorRegister();
    if (error != 0) return error;
    if (pio.WaitNotBusy() == -1) return pio.ReadErrorRegister();
    return std::nullopt;
}

std::optional<uint8_t> HostProtectedArea::SetMaxApi(uint64_t size, bool permanent)
{
    DriveRoute* route = nullptr;
    if (!ReadNativeMaxApi(route)) return uint8_t{0};
    const AtaCommand set = MaxAddressCommand(kSetMax, size - 1, permanent ? 1 : 0, ApiExtended());
    const AtaResult result = route->Execute(set);
    if (result.Ok()) return std::nullopt;
    return TaskFile::ErrorCodeOf(result);
}

void HostProtectedArea::HpaBtnClick()
{
    SharedState& st = p_.state;
    const DrivePassport& d = st.passport;
    const bool pio = st.access_mode == AccessMode::Pio;
    p_.ops.SuspendTestThreads();
    if (pio && !p_.pio.AwaitDriveReady()) {
        p_.ops.ResumeTestThreads();
        return;
    }
    const bool temporary = p_.fm.HPATpChk.Checked();
    std::optional<uint64_t> size = SizeFromL1();
    if (!size) {
        p_.ops.ResumeTestThreads();
        return;
    }
    p_.fm.L1.SetText(std::to_string(*size));
    p_.LogLine("Set HPA Command, Max LBA=" + std::to_string(*size) + " (" +
                   std::to_string(*size / std::max<uint32_t>(d.SectorsPerMb, 1)) + " Mb), " +
                   (temporary ? "temporarily" : "permanent"),
               kReplaceLast, kLogInfo);
    // A 28-bit SET MAX reaches 0FFFFFFEh at most.
    const bool narrow = pio ? !st.Use48Bit : !ApiExtended();
    if (narrow && *size > kMaxLba28) size = kMaxLba28;

    const std::optional<uint8_t> error = pio ? SetMaxPio(*size, !temporary) : SetMaxApi(*size, !temporary);
    if (!error) {
        AfterNewSize(*size);
    } else if (*error == kIdnf) {
        p_.LogLine("HPA error! Wrong LBA parameters or need power-restart!", kNewLine, kLogError);
    } else {
        p_.LogLine("HPA Error! " + TaskFile::DescribeAtaError(*error) +
                       ". Press 'EXT Passport' key and try again, or else try restart HDD",
                   kNewLine, kLogError);
    }
    p_.ops.ResumeTestThreads();
}

void HostProtectedArea::AfterNewSize(uint64_t size)
{
    SharedState& st = p_.state;
    if (st.access_mode == AccessMode::Api) {
        // The system keeps the size it read at attach time; later opens, the
        // device list and the scans should see the new one.
        p_.platform.devices.RereadCapacity(st.ApiDeviceIndex);
    }
    if (p_.fm.HpaExtpassChk.Checked()) p_.passport.ExtChecksOff = false;
    p_.passport.TakePassport(true, true);
    p_.passport.ExtChecksOff = true;
    const std::string last = std::to_string(size - 1);
    p_.fm.EndLbaEdit.SetText(last);
    p_.fm.SeekEndLbaEdit.SetText(last);
}

} // namespace mrv
