#pragma once
// The program's insides: platform, front-end services, windows, shared state
// and the subsystems, all owned for the program's lifetime. Subsystems reach
// each other through this object.

#include "access/ata_pio.h"
#include "access/channel.h"
#include "access/os_device.h"
#include "access/port_driver.h"
#include "access/register_monitor.h"
#include "app/event_log.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/satellite_windows.h"
#include "app/settings.h"
#include "app/shared_operations.h"
#include "app/shared_state.h"
#include "app/startup.h"
#include "app/test_threads.h"
#include "config/cache_switches.h"
#include "config/host_protected_area.h"
#include "config/security_manager.h"
#include "drive/drive_host.h"
#include "drive/drive_routes.h"
#include "form/dialogs.h"
#include "form/ui_thread.h"
#include "identify/passport.h"
#include "mechanics/seek_test.h"
#include "mechanics/spindle_control.h"
#include "pci/pci_scan.h"
#include "platform/platform.h"
#include "power/power_adaptor.h"
#include "report/report_files.h"
#include "scan/scan_control.h"
#include "scan/view/scan_presenter.h"
#include "smart/smart.h"
#include "views/buffer_viewer.h"
#include "views/partition_viewer.h"
#include "views/sector_editor.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace mrv
{

/// Steps of the start-up sequence that other subsystems provide. Unset steps
/// behave as "not available"; `Unset` names them, and a test pins that list so
/// that a new subsystem cannot forget to wire itself.
struct StartupSteps {
    std::function<void()> SelectChannel;
    std::function<bool()> InstallPortDriver;
    std::function<void()> ApplyCustomPorts;
    std::function<bool()> OpenPortDriver;
    std::function<void()> InitialSelectDevice;
    std::function<void()> ApplyScanTimerChoice;
    std::function<void()> ComputeAtaTimeouts;
    std::function<void()> ClearScanGraph;
    std::function<void()> StartIndicators;
    std::function<void()> ReadPowerState;
    std::function<void()> ClearSmartDisplay;
    std::function<void()> LoadAuxBufferView;
    std::function<void()> ApplyForcePassportReport;

    /// Names of the steps no subsystem has set.
    std::vector<std::string> Unset() const;
};

class ProgramImpl
{
  public:
    ProgramImpl(Program& owner, Platform& platform, form::Dialogs& dialogs, form::UiThread& ui,
                ProgramFolders folders);

    Program& owner;
    Platform& platform;
    form::Dialogs& dialogs;
    form::UiThread& ui;
    /// Where the settings, the logs and the help pages are.
    ProgramFolders folders;

    SharedState state;

    // Windows in creation order.
    TFm fm;
    TIFm ifm;
    TWriteWarn write_warn;
    TFormAbout about;
    THeFm hefm;
    TMap map;
    TLogFM logfm;

    /// True while the main window is being created: change handlers of the
    /// controls the settings restore do not act on the drive then.
    bool creating = true;
    bool shut_down = false;
    std::string application_title;
    void SetApplicationTitle(const std::string& title);

    /// The running workers, when there are any (set by the scan and seek tests).
    TestWorker* scan_worker = nullptr;
    TestWorker* seek_worker = nullptr;
    /// True while a scan or seek test runs (for the console's `waitidle`).
    bool TestsRunning() const;

    StartupSteps steps;

    EventLog log;
    Settings settings;
    SharedOperations ops;
    Startup startup;
    /// The command layer's log sink and message pump.
    DriveHost drive_host{
        [this](const std::string& text, LogPlace place, LogLevel level) { LogLine(text, place, level); },
        [this] {
            if (ui.IsUiThread()) ui.ProcessMessages();
        },
        [this](const std::function<void()>& work) { ops.RunWithMessages(work); },
        [this] { return ui.IsUiThread(); }};
    AtaPio pio{*this};
    PortDriver port_driver{*this};
    Channel channel{*this};
    RegisterMonitor monitor{*this};
    PowerAdaptor power{*this};
    OsDeviceAccess api{*this};
    /// Every route of an ATA command value to the drive.
    DriveRoutes routes{pio, api, state};
    Passport passport{*this};
    SectorEditor sector_editor{*this};
    BufferViewer buffer_viewer{*this};
    PartitionViewer partition_viewer{*this};
    PciScan pci{*this};
    Smart smart{*this};
    ReportFiles reports{*this};
    SecurityManager security{*this};
    CacheSwitches cache{*this};
    HostProtectedArea hpa{*this};
    /// StopSpindle, Recalibrate, ResetDrive and MeasureRpm.
    SpindleControl spindle{*this};
    /// What the user sees of a surface scan.
    ScanPresenter scan_view{*this};
    ScanControl scan{*this};
    /// The seek test with the acoustic level and the temperature watch.
    SeekTest seek{*this};

    void LogLine(const std::string& text, bool replace, int level) { log.LogLine(text, replace, level); }
    /// The directory that logs and dumps go to (ends with a separator).
    std::filesystem::path LogsDir() const { return logs_dir; }
    std::filesystem::path logs_dir;
};

} // namespace mrv
