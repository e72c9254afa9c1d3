#pragma once
// The settings file "mrv40.ini" beside the executable: read once while the main
// window is created, written once when it is destroyed.

#include "app/ini_file.h"

#include <filesystem>
#include <string>
#include <vector>

namespace mrv
{

class ProgramImpl;

class Settings
{
  public:
    static constexpr const char* kFileName = "mrv40.ini";

    explicit Settings(ProgramImpl& program);

    std::filesystem::path Path() const;
    bool FileExists() const;
    /// Reads every key into its control or state (defaults for missing keys),
    /// except [Scan] Grid, which LoadGrid() reads later. Returns a warning for
    /// every value that could not be used.
    std::vector<std::string> Load();
    /// Reopens the file and reads [Scan] Grid.
    void LoadGrid();
    /// Writes every key in the save order; nothing when files may not be written.
    /// False when the file could not be written.
    bool Save();

    /// "Time of RND" as stored: only its time-of-day part is used.
    double rnd_time = 10.1;
    /// Converts a day fraction to "HH:MM:SS".
    static std::string TimeOfDayText(double days);
    /// Parses "HH:MM:SS" into a day fraction; false when it is not a time.
    static bool ParseTimeOfDay(const std::string& text, double& days);

  private:
    IniFile ReadFile() const;
    ProgramImpl& p_;
};

} // namespace mrv
