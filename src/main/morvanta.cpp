// morvanta: the program on this machine's drives, in its window. It reads no
// arguments or environment variables of its own; its directory holds the
// settings, the logs and the help pages.

#include "platform/linux/linux_platform.h"
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
    return mrv::qt::RunQtProgram(platform, QCoreApplication::applicationDirPath().toStdString());
}
