// morvanta-lab [--home DIR] [LABFILE]: the program in its window on the
// virtual PC, in real time. Settings and logs go to a per-user directory so
// that trying things leaves nothing in the build tree.

#include "platform/platform.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "ui/qt/qt_front_end.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>
#include <filesystem>
#include <iostream>

namespace
{

namespace fs = std::filesystem;

// An installed copy finds the shipped labs and help pages in the package's
// shared data; a build finds them beside itself or in the source tree.
fs::path SharedData(const fs::path& exe_dir)
{
    return exe_dir.parent_path() / "share" / "morvanta";
}

fs::path DefaultLab(const fs::path& exe_dir)
{
    for (const fs::path& lab :
         {exe_dir / "labs" / "default.ini", SharedData(exe_dir) / "labs" / "default.ini"}) {
        std::error_code ec;
        if (fs::exists(lab, ec)) return lab;
    }
    return fs::path(MRV_SOURCE_DIR) / "labs" / "default.ini";
}

fs::path HelpFolder(const fs::path& exe_dir)
{
    std::error_code ec;
    if (fs::exists(exe_dir / "mrvhlp.htm", ec)) return exe_dir;
    return SharedData(exe_dir);
}

fs::path DefaultHome()
{
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) data = QDir::homePath() + "/.local/share";
    return fs::path(data.toStdString()) / "morvanta-lab";
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    mrv::qt::SetUpApplication(app);
    const fs::path exe_dir = QCoreApplication::applicationDirPath().toStdString();

    // Qt has taken its own options out of the arguments by now.
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    fs::path lab_file, home;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--home" && i + 1 < args.size()) {
            home = args[++i].toStdString();
        } else if (args[i].startsWith('-') || !lab_file.empty()) {
            std::cerr << "usage: morvanta-lab [--home DIR] [LABFILE]" << std::endl;
            return 2;
        } else {
            lab_file = args[i].toStdString();
        }
    }
    if (lab_file.empty()) lab_file = DefaultLab(exe_dir);
    if (home.empty()) home = DefaultHome();

    std::error_code ec;
    fs::create_directories(home, ec);
    if (!fs::is_directory(home)) {
        mrv::qt::ReportStartError("Cannot create the lab's home directory " + home.string());
        return 2;
    }

    std::string error;
    mrv::sim::LabOptions options;
    options.clock = mrv::sim::ClockMode::Real;
    auto lab = mrv::sim::LoadLab(lab_file.string(), error, options);
    if (!lab) {
        mrv::qt::ReportStartError("Cannot load the lab: " + error);
        return 2;
    }
    mrv::Platform platform = lab->AsPlatform();
    return mrv::qt::RunQtProgram(platform, mrv::ProgramFolders{home, home, HelpFolder(exe_dir)});
}
