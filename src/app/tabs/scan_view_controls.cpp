#include "app/tabs/scan_view_controls.h"

namespace mrv
{

namespace
{

void Readout(form::Label& value, form::Label* unit, const char* unit_caption, int top)
{
    value.SetBounds(478, top, unit ? 76 : 110, 16);
    value.SetTransparent(false);
    value.SetBackColour(form::colours::kBlack);
    value.SetFontColour(form::colours::kLime);
    value.SetFontBold(true);
    if (unit) {
        unit->SetCaption(unit_caption);
        unit->SetBounds(556, top + 1, 34, 14);
    }
}

} // namespace

ScanViewControls::ScanViewControls(form::TabSheet& tab) : scan_view_tab_(tab)
{
    TimingGroup.SetBounds(476, 0, 114, 150);
    form::Label* limits[] = {&scTim5, &scTim20, &scTim50, &scTim200, &scTim600, &scTimBig, &scTimErr};
    const char* limit_captions[] = {"5", "20", "50", "200", "600", ">", "Err"};
    for (int i = 0; i < 7; ++i) {
        const int top = 14 + i * 16;
        limits[i]->SetCaption(limit_captions[i]);
        limits[i]->SetBounds(4, top, 30, 14);
        form::Label* counter = i < 6 ? ClassCounter(i + 1) : &ErLab;
        counter->SetCaption("0");
        counter->SetBounds(36, top, 56, 14);
        counter->SetFontBold(true);
    }
    // Classes 3..6 and the errors can be logged; 5, 6 and errors are by default.
    form::CheckBox* boxes[] = {&ErLogBx50, &ErLogBx200, &ErLogBx600, &ErLogBxbig, &ErLogBxErr};
    for (int i = 0; i < 5; ++i) {
        boxes[i]->SetBounds(94, 14 + (i + 2) * 16, 16, 14);
        boxes[i]->SetHint("to log");
        boxes[i]->SetChecked(i >= 2);
    }
    ScanClrListBtn.SetCaption("RS");
    ScanClrListBtn.SetBounds(4, 128, 30, 18);
    ScanClrListBtn.SetHint("Reset the counters");

    DisGridChk.SetCaption("Grid");
    DisGridChk.SetBounds(530, 130, 56, 17);
    DisGridChk.SetChecked(true);

    Readout(LbaOut, nullptr, "", 152);
    Readout(LbaOut1, nullptr, "", 170);
    Readout(SpeedLed, &SpeedUnitLab, "kb/s", 188);
    Readout(ScanMbLed, &ScanMbUnitLab, "Mb", 206);
    Readout(ScanPercentLed, &ScanPercentUnitLab, "%", 224);
    Readout(ScTimeLed, nullptr, "", 242);
    LbaOut.SetCaption("0");
    LbaOut1.SetCaption("");
    SpeedLed.SetCaption(" 0");
    ScanMbLed.SetCaption(" 0");
    ScanPercentLed.SetCaption(" 0");
    ScTimeLed.SetCaption("00:00:00");
    TrackBar.SetBounds(476, 260, 114, 22);
    TrackBar.SetRange(0, 20);
    TrackBar.SetEnabled(false);

    GfMasEdit.SetBounds(478, 284, 60, 21);
    GfMasEdit.SetRange(1, 65535);
    GfMasEdit.SetValue(10);
    GfMasEdit.SetHint("Manual scale adjust");
    GfMasEdit.SetVisible(false);
    AdjScaleLabel.SetBounds(206, 304, 200, 14);
    AdjScaleLabel.SetCaption("Adjusting scale...");
    AdjScaleLabel.SetVisible(false);
    AdjPercentLabel.SetBounds(410, 304, 60, 14);
    AdjPercentLabel.SetCaption("");
    AdjPercentLabel.SetVisible(false);
    DftMeter.SetBounds(476, 308, 114, 8);
    DftMeter.SetMax(256);

    GridPanel.SetBounds(206, 0, kGridPanelNarrow, 302);
    GraphPanel.SetBounds(0, 0, kGridPanelWide, 302);
    GraphPanel.SetBackColour(form::colours::kBlack);
    GF.SetBounds(30, 4, 236, 262);
    GF.SetSize(kGraphWidth, kGraphHeight);
    for (int k = 0; k < 7; ++k) {
        form::Label* axis = AxisLabel(k);
        // Label k marks (k + 1) sevenths of the graph's height.
        axis->SetBounds(0, 4 + 262 - (k + 1) * 262 / 7 - 6, k == 6 ? 80 : 28, 13);
        axis->SetFontColour(form::colours::kLime);
    }
    for (int n = 0; n < 8; ++n) {
        form::Label* lba = LbaLabel(n);
        lba->SetBounds(30 + n * 236 / 8, n % 2 ? 284 : 270, 70, 13);
        lba->SetFontColour(form::colours::kLime);
        lba->SetCaption("0");
    }
    GfYLab.SetBounds(180, 6, 84, 13);
    GfYLab.SetFontColour(form::colours::kYellow);
    GfXLab.SetBounds(180, 20, 84, 13);
    GfXLab.SetFontColour(form::colours::kYellow);

    Grid.SetBounds(0, 0, kGridPanelNarrow, 302);
    Grid.Reset(form::BlockGrid::ColumnsForWidth(kGridPanelNarrow));
    Grid.SetPopup(&GridMenu);
    GridMenu.Items().push_back({"Set 0 as Start LBA", false, true, nullptr});
    GridMenu.Items().push_back({"Set 0 as End LBA", false, true, nullptr});

    PauseBlinkTimer.SetInterval(500);
    RdWrTimer.SetInterval(100);
    ScTimeTimer.SetInterval(1000);
}

form::Label* ScanViewControls::ClassCounter(int timing_class)
{
    form::Label* counters[] = {&Tim1Lab, &Tim2Lab, &Tim3Lab, &Tim4Lab, &Tim5Lab, &Tim6Lab};
    return timing_class >= 1 && timing_class <= 6 ? counters[timing_class - 1] : nullptr;
}

form::CheckBox* ScanViewControls::ClassLogBox(int timing_class)
{
    form::CheckBox* boxes[] = {&ErLogBx50, &ErLogBx200, &ErLogBx600, &ErLogBxbig};
    return timing_class >= 3 && timing_class <= 6 ? boxes[timing_class - 3] : nullptr;
}

form::Label* ScanViewControls::AxisLabel(int index)
{
    form::Label* labels[] = {&Gl0, &Gl1, &Gl2, &Gl3, &Gl4, &Gl5, &Gl6};
    return index >= 0 && index < 7 ? labels[index] : nullptr;
}

form::Label* ScanViewControls::LbaLabel(int index)
{
    form::Label* labels[] = {&gfs0, &gfs1, &gfs2, &gfs3, &gfs4, &gfs5, &gfs6, &gfs7};
    return index >= 0 && index < 8 ? labels[index] : nullptr;
}

} // namespace mrv
