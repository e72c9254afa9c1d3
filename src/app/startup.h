#pragma once
// The main window's creation sequence: settings, event log, the machine's
// facts, the access-mode decision and the drive settings.

#include "platform/system_info.h"

#include <string>

namespace mrv
{

class ProgramImpl;

/// The main window's caption; it begins with a blank so that the start line
/// reads "Starting Morvanta …".
inline constexpr const char* kMainCaption = " Morvanta 4.60b SSD (12.07.2018) - www.morvanta.org";

class Startup
{
  public:
    explicit Startup(ProgramImpl& program) : p_(program) {}

    /// Runs the creation steps in their order.
    void CreateMainWindow();

    /// The Windows name of a version record, with " x64" or " x32".
    static std::string WindowsName(const OsVersion& version, bool wow64);
    /// True strictly between 01:00:00.5 and 08:00:03.3.
    static bool IsNightTime(double day_fraction);

  private:
    std::string SystemName(const OsVersion& version);
    void DisableForNonAdministrator();
    void TintPanels(bool disabled);
    void ApplyFilesWritable();
    ProgramImpl& p_;
};

} // namespace mrv
