#pragma once
// The windowed program: the Qt application's look, and a run of the program
// with its windows bound to widgets until the main window closes.

#include "platform/platform.h"
#include "util/program_folders.h"

#include <filesystem>
#include <string>

class QApplication;

namespace mrv::qt
{

/// Style and font of the application; call once after creating the QApplication.
void SetUpApplication(QApplication& app);
/// Runs the program on `platform` with `home` as its directory until the main
/// window closes, then shuts it down (the settings are written). Returns the exit code.
int RunQtProgram(Platform& platform, const std::filesystem::path& home);
/// The same with the settings, logs and help pages in their own folders.
int RunQtProgram(Platform& platform, const ProgramFolders& folders);
/// A start-up error shown in a message box and on stderr.
void ReportStartError(const std::string& text);

} // namespace mrv::qt
