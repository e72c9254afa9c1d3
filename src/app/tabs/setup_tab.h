#pragma once
// The "Setup" tab: log settings, seek and surface-scan options, timer choices,
// common presets, ATA protocol time-outs, extended-passport options, sound.

#include "form/controls.h"

namespace mrv
{

struct SetupTab {
    explicit SetupTab(form::TabSheet& tab);

    form::TabSheet& tab_;

    form::GroupBox LogGroup{"LogGroup", &tab_};
    form::CheckBox SaveLogChk{"SaveLogChk", &LogGroup};
    form::Edit LogFileEdit{"LogFileEdit", &LogGroup};
    form::Label LogDirLab{"LogDirLab", &LogGroup};
    form::Edit LogDirEdit{"LogDirEdit", &LogGroup};
    form::Button ClearFileBtn{"ClearFileBtn", &LogGroup};

    form::GroupBox TimeoutGroup{"TimeoutGroup", &tab_};
    form::Label BusyTrkLab{"BusyTrkLab", &TimeoutGroup};
    form::TrackBar BusyTrk{"BusyTrk", &TimeoutGroup};
    form::Label BusyValLab{"BusyValLab", &TimeoutGroup};
    form::Label DrqTrkLab{"DrqTrkLab", &TimeoutGroup};
    form::TrackBar DrqTrk{"DrqTrk", &TimeoutGroup};
    form::Label DrqValLab{"DrqValLab", &TimeoutGroup};
    form::Label RdyTrkLab{"RdyTrkLab", &TimeoutGroup};
    form::TrackBar RdyTrk{"RdyTrk", &TimeoutGroup};
    form::Label RdyValLab{"RdyValLab", &TimeoutGroup};
    form::RadioGroup AtaTimerRg{"AtaTimerRg", &TimeoutGroup};

    form::GroupBox TimerGroup{"TimerGroup", &tab_};
    form::RadioGroup RTChk{"RTChk", &TimerGroup};
    form::RadioGroup CommonRtcRg{"CommonRtcRg", &TimerGroup};
    form::CheckBox AdjustCPUchk{"AdjustCPUchk", &TimerGroup};

    form::GroupBox ScanOptGroup{"ScanOptGroup", &tab_};
    form::CheckBox ResBetwLoopScanChk{"ResBetwLoopScanChk", &ScanOptGroup};
    form::CheckBox DontBlinkChk{"DontBlinkChk", &ScanOptGroup};
    form::CheckBox CorrTimHDDChk{"CorrTimHDDChk", &ScanOptGroup};
    form::CheckBox AutoRepQnChk{"AutoRepQnChk", &ScanOptGroup};
    form::SpinEdit QnRepTimeBox{"QnRepTimeBox", &ScanOptGroup};
    form::Label ReadLongCountLab{"ReadLongCountLab", &ScanOptGroup};
    /// `ReadLongCount`: sectors a PIO restore rewrites from the found one.
    form::SpinEdit ReadLongCountEdit{"ReadLongCountEdit", &ScanOptGroup};
    form::CheckBox SwapUpDnkeysChk{"SwapUpDnkeysChk", &ScanOptGroup};
    form::CheckBox EnaBrkInCyclChk{"EnaBrkInCyclChk", &ScanOptGroup};

    form::GroupBox CommonGroup{"CommonGroup", &tab_};
    form::CheckBox lbasyncChk{"lbasyncChk", &CommonGroup};
    form::CheckBox NonDestrChk{"NonDestrChk", &CommonGroup};
    form::CheckBox ClassicChk{"ClassicChk", &CommonGroup};
    form::CheckBox GridLinesChk{"GridLinesChk", &CommonGroup};
    form::CheckBox PspDblChk{"PspDblChk", &CommonGroup};
    form::CheckBox ApiTab1Chk{"ApiTab1Chk", &CommonGroup};
    form::CheckBox RemPrimChk{"RemPrimChk", &CommonGroup};
    form::CheckBox HintsChk{"HintsChk", &CommonGroup};
    form::CheckBox RussianChk{"RussianChk", &CommonGroup};

    form::GroupBox ExtPspGroup{"ExtPspGroup", &tab_};
    form::CheckBox DSFChk{"DSFChk", &ExtPspGroup};
    form::CheckBox RSChk{"RSChk", &ExtPspGroup};
    form::CheckBox PWSCHK{"PWSCHK", &ExtPspGroup};
    form::CheckBox BDChk{"BDChk", &ExtPspGroup};
    form::CheckBox OnlyScsiPassChk{"OnlyScsiPassChk", &ExtPspGroup};
    form::CheckBox dontgetdpchk{"dontgetdpchk", &ExtPspGroup};
    form::CheckBox DisClinPassChk{"DisClinPassChk", &ExtPspGroup};

    form::GroupBox SoundGroup{"SoundGroup", &tab_};
    form::CheckBox AllSoundChk{"AllSoundChk", &SoundGroup};
    form::CheckBox BellChk{"BellChk", &SoundGroup};
};

} // namespace mrv
