#include "app/tabs/setup_tab.h"

namespace mrv
{

namespace
{
void Box(form::CheckBox& box, const char* caption, int left, int top, int width, bool checked)
{
    box.SetCaption(caption);
    box.SetBounds(left, top, width, 17);
    box.SetChecked(checked);
}

void Slider(form::Label& caption_label, const char* caption, form::TrackBar& track, form::Label& value,
            int top, int position)
{
    caption_label.SetCaption(caption);
    caption_label.SetBounds(6, top + 2, 84, 13);
    track.SetBounds(90, top, 72, 20);
    track.SetRange(1, 60);
    track.SetPosition(position);
    value.SetBounds(164, top + 2, 34, 13);
}
} // namespace

SetupTab::SetupTab(form::TabSheet& tab) : tab_(tab)
{
    LogGroup.SetBounds(2, 0, 202, 86);
    LogGroup.SetCaption(" Log ");
    Box(SaveLogChk, "Save to file:", 6, 16, 84, true);
    LogFileEdit.SetBounds(92, 14, 104, 21);
    LogFileEdit.SetText("eventlog.txt");
    LogDirLab.SetCaption("Logs dir:");
    LogDirLab.SetBounds(6, 42, 60, 13);
    LogDirEdit.SetBounds(92, 38, 104, 21);
    LogDirEdit.SetText("LOGS");
    ClearFileBtn.SetCaption("Clear File");
    ClearFileBtn.SetBounds(92, 60, 80, 22);

    TimeoutGroup.SetBounds(2, 88, 202, 124);
    TimeoutGroup.SetCaption(" ATA protocol ");
    Slider(BusyTrkLab, "BUSY Timeout:", BusyTrk, BusyValLab, 14, 15);
    Slider(DrqTrkLab, "DREQ Timeout:", DrqTrk, DrqValLab, 36, 10);
    Slider(RdyTrkLab, "Ready Timeout:", RdyTrk, RdyValLab, 58, 3);
    AtaTimerRg.SetBounds(6, 80, 190, 40);
    AtaTimerRg.SetCaption("ATA Timer:");
    AtaTimerRg.SetItems({"RDTSC (Uni)", "G.T.C.  (Alt)"});
    AtaTimerRg.SetColumns(2);
    AtaTimerRg.SetItemIndex(1);

    TimerGroup.SetBounds(206, 174, 196, 128);
    TimerGroup.SetCaption(" Timers ");
    RTChk.SetBounds(6, 14, 184, 46);
    RTChk.SetCaption("Scan: PIO only");
    RTChk.SetItems({"G.T.C. (Univ.)", "MMTimer (NT)*"});
    RTChk.SetColumns(1);
    RTChk.SetItemIndex(0);
    CommonRtcRg.SetBounds(6, 60, 184, 46);
    CommonRtcRg.SetCaption("Common RTC");
    CommonRtcRg.SetItems({"RDTSC (one core)", "G.T.C.  (multicore)"});
    CommonRtcRg.SetColumns(1);
    CommonRtcRg.SetItemIndex(1);
    Box(AdjustCPUchk, "Ajusting RDTSC before tests", 6, 108, 184, false);

    ScanOptGroup.SetBounds(206, 0, 196, 172);
    ScanOptGroup.SetCaption(" Surface scan ");
    Box(ResBetwLoopScanChk, "Reseting between LoopScan", 6, 14, 186, true);
    Box(DontBlinkChk, "Don't blink border of pause key", 6, 32, 186, false);
    Box(CorrTimHDDChk, "Timings depending on HDD", 6, 50, 186, true);
    Box(AutoRepQnChk, "Auto repeat jump keys,ms:", 6, 68, 186, true);
    QnRepTimeBox.SetBounds(6, 86, 60, 21);
    QnRepTimeBox.SetRange(20, 900);
    QnRepTimeBox.SetValue(50);
    ReadLongCountLab.SetCaption("Read-long sectors:");
    ReadLongCountLab.SetBounds(6, 112, 110, 13);
    ReadLongCountEdit.SetBounds(118, 108, 60, 21);
    ReadLongCountEdit.SetRange(1, 250);
    ReadLongCountEdit.SetValue(15);
    Box(SwapUpDnkeysChk, "Swap navigation Up/Dn keys", 6, 132, 186, false);
    Box(EnaBrkInCyclChk, "Enable breaking internal loops", 6, 150, 186, false);

    CommonGroup.SetBounds(404, 0, 192, 156);
    CommonGroup.SetCaption(" Common ");
    Box(lbasyncChk, "Refresh LBA before operation", 6, 14, 186, false);
    Box(NonDestrChk, "Only non-destructive functions", 6, 29, 186, false);
    Box(ClassicChk, "Classic group style", 6, 44, 186, true);
    Box(GridLinesChk, "Grid lines enabled", 6, 59, 186, true);
    Box(PspDblChk, "Get passport on PCI double click", 6, 74, 186, true);
    Box(ApiTab1Chk, "If API then open tab 1", 6, 89, 186, true);
    Box(RemPrimChk, "Don't remember Primary chan.", 6, 104, 186, true);
    Box(HintsChk, "Hints", 6, 119, 80, false);
    Box(RussianChk, "'I am speak Russian'", 6, 134, 186, false);

    ExtPspGroup.SetBounds(404, 158, 192, 150);
    ExtPspGroup.SetCaption(" EXT passport ");
    Box(DSFChk, "Diag S.F.", 6, 14, 182, true);
    Box(RSChk, "Real size", 6, 32, 182, true);
    Box(PWSCHK, "Power status", 6, 50, 182, true);
    Box(BDChk, "Buffer diag.", 6, 68, 182, true);
    Box(OnlyScsiPassChk, "Only SCSI passport command", 6, 86, 182, false);
    Box(dontgetdpchk, "Don't get drive type (not recom.)", 6, 104, 182, false);
    Box(DisClinPassChk, "Disable color into passport", 6, 122, 182, false);

    SoundGroup.SetBounds(2, 214, 202, 40);
    SoundGroup.SetCaption(" Sound ");
    Box(AllSoundChk, "All sound", 6, 14, 80, false);
    Box(BellChk, "Bell", 90, 14, 60, false);
}

} // namespace mrv
