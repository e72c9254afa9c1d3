// morvanta: the program on this machine's drives, in its window. It reads no
// arguments or environment variables of its own; its directory holds the
// settings, the logs and the help pages, or, installed under /usr, the user's
// configuration and data folders hold the settings and the logs.

#include "platform/linux/linux_platform.h"
#include "platform/linux/user_folders.h"
#include "platform/platform.h"
#include "ui/qt/qt_front_end.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    mrv::qt::SetUpApplication(app);
    mrv::linux_platform::LinuxPlatform machine;
    mrv::Platform platform{machine.ports,  machine.port_access, machine.devices,
                           machine.system, machine.clock,       machine.pci};
    const std::filesystem::path exe_dir = QCoreApplication::applicationDirPath().toStdString();
    return mrv::qt::RunQtProgram(platform, mrv::linux_platform::FoldersForExecutable(exe_dir, "morvanta"));
}
