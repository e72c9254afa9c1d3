#include "mechanics/spindle_control.h"

#include "app/program_impl.h"

namespace mrv
{

namespace
{
constexpr AtaRegisters kStandbyImmediate{.device = 0xA0, .command = 0xE0};
constexpr AtaRegisters kRecalibrate{.device = 0xA0, .command = 0x10};
} // namespace

SpindleControl::SpindleControl(ProgramImpl& program) : p_(program)
{
    TFm& fm = p_.fm;
    fm.StopBtn.OnClick = [this] {
        p_.ops.SuspendTestThreads();
        StopSpindle();
        p_.ops.ResumeTestThreads();
    };
    fm.RecBtn.OnClick = [this] {
        p_.ops.SuspendTestThreads();
        Recalibrate();
        p_.ops.ResumeTestThreads();
    };
    fm.ResetBtn.OnClick = [this] {
        p_.ops.SuspendTestThreads();
        ResetDrive();
        p_.ops.ResumeTestThreads();
    };
    fm.RzBitBtn43.OnClick = [this] { MeasureRpm(); };
}

void SpindleControl::StopSpindle()
{
    p_.ops.ResetBreakState();
    const bool pio = p_.state.access_mode == AccessMode::Pio;
    if (pio && !p_.pio.AwaitDriveReady()) return;
    p_.LogLine("Stopping drive...", kNewLine, kLogInfo);
    p_.ui.ProcessMessages();
    p_.platform.clock.SleepMs(100);

    if (pio) {
        if (p_.pio.AtaNonDataCommand(kStandbyImmediate).Ok()) {
            p_.ops.SleepWithMessages(200);
            p_.LogLine("Stopping ATA drive... HD Spindle is stopped", kReplaceLast, kLogInfo);
        } else {
            p_.LogLine("Stopping ATA drive... Error", kReplaceLast, kLogError);
        }
        return;
    }
    const bool scsi = p_.state.passport.NonAta;
    // The system's request returns only once the spindle has stopped.
    if (!scsi && p_.routes.ide_pass_through.Execute(AtaCommand::NonData(kStandbyImmediate)).Ok()) {
        p_.LogLine("Stopping ATA drive... HD Spindle is stopped", kReplaceLast, kLogInfo);
        return;
    }
    const int stopped = ScsiStopUnit();
    if (stopped == 255) return;
    if (stopped == 1)
        p_.LogLine("Stopping SCSI drive... HD Spindle is stopped", kReplaceLast, kLogInfo);
    else
        p_.LogLine(scsi ? "Stopping SCSI drive... Error" : "Stopping drive... Error", kReplaceLast,
                   kLogError);
}

int SpindleControl::ScsiStopUnit()
{
    std::unique_ptr<OsDevice> device = p_.api.OpenCurrentDevice(true);
    if (!device) return 255;
    return p_.api.ApiStopUnit(device.get()) ? 1 : 0;
}

void SpindleControl::Recalibrate()
{
    p_.ops.ResetBreakState();
    const bool pio = p_.state.access_mode == AccessMode::Pio;
    if (pio && !p_.pio.AwaitDriveReady()) return;
    p_.LogLine("Recallibration...", kNewLine, kLogInfo);
    p_.ui.ProcessMessages();

    bool ok = false;
    if (pio) {
        ok = p_.pio.AtaNonDataCommand(kRecalibrate).Ok();
    } else {
        p_.ui.ProcessMessages();
        p_.platform.clock.SleepMs(30);
        // A drive the system does not let us command directly shows that its
        // heads work by reading the first sector.
        if (!p_.state.passport.NonAta)
            ok = p_.routes.ide_pass_through.Execute(AtaCommand::NonData(kRecalibrate)).Ok();
        if (!ok) ok = p_.pio.ReadSector(0);
    }
    if (ok)
        p_.LogLine("Recallibration... OK", kReplaceLast, kLogInfo);
    else
        p_.LogLine("Recallibration... Error!", kReplaceLast, kLogError);
}

void SpindleControl::ResetDrive()
{
    if (p_.state.access_mode != AccessMode::Pio) return;
    p_.LogLine("Drive reset...", kNewLine, kLogInfo);
    p_.ui.ProcessMessages();
    p_.pio.SoftReset();
    // A slave answers after the master has released the bus.
    if (p_.state.DeviceSelectBit != 0) p_.ops.SleepWithMessages(500);
    p_.pio.SelectDevice();
    if (p_.pio.WaitNotBusy() == -1) {
        p_.LogLine("Drive reset... timeout", kReplaceLast, kLogError);
        return;
    }
    const uint8_t error = p_.pio.ReadErrorRegister();
    if (error != 0)
        p_.LogLine(TaskFile::DescribeAtaError(error), kReplaceLast, kLogError);
    else
        p_.LogLine("Reset OK", kReplaceLast, kLogInfo);
}

} // namespace mrv
