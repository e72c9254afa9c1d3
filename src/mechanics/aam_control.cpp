#include "mechanics/aam_control.h"

#include "app/program_impl.h"
#include "mechanics/seek_rules.h"

#include <utility>

namespace mrv
{

namespace
{

constexpr uint8_t kSetFeatures = 0xEF;
constexpr uint8_t kEnableAam = 0x42;
constexpr uint8_t kDisableAam = 0xC2;
constexpr uint8_t kMinimumLevel = 128;

} // namespace

AamControl::AamControl(ProgramImpl& program) : p_(program)
{
    TFm& fm = p_.fm;
    fm.AAMTrack.OnChange = [this] { AAMTrackChange(); };
    fm.AAMTrack.OnRelease = [this] { SetAamLevel(); };
    fm.AAMMinBtn.OnClick = [this] { SetAamMinimum(); };
    fm.AAMOffBtn.OnClick = [this] { SetAamOff(); };
}

void AamControl::AAMTrackChange()
{
    p_.ui.ProcessMessages();
    AamLevel = static_cast<uint8_t>(p_.fm.AAMTrack.Position());
    p_.fm.AAMLed.SetCaption(AamReadout(AamLevel, p_.state.passport.AamValue));
}

bool AamControl::SendSetFeatures(uint8_t features, uint8_t count)
{
    const AtaRegisters registers{.features = features,
                                 .count = count,
                                 .device = static_cast<uint8_t>(0xA0 | p_.state.DeviceSelectBit),
                                 .command = kSetFeatures};
    if (p_.state.access_mode == AccessMode::Pio) {
        const bool ok = p_.pio.AtaNonDataCommand(registers).Ok();
        p_.pio.WaitNotBusy();
        return ok;
    }
    const AtaCommand command = AtaCommand::NonData(registers);
    if (p_.api.ApiSmartCommand(command).Ok()) return true;
    return p_.routes.sat.Execute(command).Ok();
}

bool AamControl::DriveAccepts()
{
    return p_.pio.WaitNotBusy() >= 0 && p_.pio.ProbeChannel() && p_.pio.IsDriveReady();
}

void AamControl::RefreshPassport()
{
    form::TrackBar& track = p_.fm.AAMTrack;
    auto release = std::exchange(track.OnRelease, nullptr);
    p_.passport.TakePassport(false, true);
    track.OnRelease = std::move(release);
}

void AamControl::SendPreset(int position, uint8_t features, uint8_t count, const std::string& log_text)
{
    TFm& fm = p_.fm;
    BusyScope busy(p_.ops);
    fm.AAMTrack.SetPosition(position);
    if (p_.state.access_mode == AccessMode::Api) {
        p_.LogLine(log_text, false, 1);
        SendSetFeatures(features, count);
    } else if (DriveAccepts()) {
        p_.LogLine(log_text, false, 1);
        SendSetFeatures(features, count);
        RefreshPassport();
    }
    if (fm.MainPage.ActivePageIndex() == 0) fm.SetFocus(&fm.AAMTrack);
}

void AamControl::SetAamOff()
{
    SendPreset(0, kDisableAam, 0, "AAM OFF command");
}

void AamControl::SetAamMinimum()
{
    SendPreset(kMinimumLevel, kEnableAam, kMinimumLevel, "AAM minimum set (val=128)");
}

void AamControl::SetAamLevel()
{
    TFm& fm = p_.fm;
    BusyScope busy(p_.ops);
    const std::string text = "Adjusting AAM, set value=" + std::to_string(AamLevel);
    if (p_.state.passport.NonAta) {
        p_.LogLine("Non-ATA drive not support AAM", false, 4);
    } else if (p_.state.access_mode == AccessMode::Pio) {
        if (p_.pio.WaitDriveReady(kReadyLimitMs) && p_.pio.ProbeChannel() && p_.pio.IsDriveReady()) {
            p_.LogLine(text, false, 0);
            SendSetFeatures(kEnableAam, AamLevel);
            RefreshPassport();
        } else {
            fm.AAMTrack.SetEnabled(false);
            p_.LogLine("AAM blocked, because drive not ready >300 ms. Press 'Ext Passport' to try again",
                       false, 4);
        }
    } else {
        p_.LogLine(text, false, 0);
        SendSetFeatures(kEnableAam, AamLevel);
    }
}

} // namespace mrv
