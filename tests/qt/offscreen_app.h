#pragma once
// One QApplication for the whole test program, on the offscreen platform, and
// the virtual PC the program tests run on.

#include "sim/lab_loader.h"
#include "sim/lab_pc.h"

#include <QApplication>
#include <memory>
#include <string>

namespace mrv::qt
{

inline QApplication& OffscreenApp()
{
    static int argc = 1;
    static char name[] = "test_qt";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qApp) return static_cast<QApplication*>(qApp);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

/// The default lab in virtual time; null with `error` set when it cannot load.
inline std::unique_ptr<sim::LabPc> DefaultLab(std::string& error)
{
    sim::LabOptions options;
    options.clock = sim::ClockMode::Virtual;
    return sim::LoadLab(MRV_SOURCE_DIR "/labs/default.ini", error, options);
}

} // namespace mrv::qt
