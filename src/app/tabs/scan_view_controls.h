#pragma once
// What the "Tests" tab shows of a surface scan, in the tab's right part: the
// block grid and the speed graph, the timing-class counters with their "to
// log" boxes, and the readouts of position, speed, megabytes, percent and
// remaining time.

#include "form/block_grid.h"
#include "form/canvas.h"
#include "form/controls.h"

namespace mrv
{

struct ScanViewControls {
    explicit ScanViewControls(form::TabSheet& tab);

    form::TabSheet& scan_view_tab_;

    // The counters: one row per timing class and one for errors.
    form::GroupBox TimingGroup{"TimingGroup", &scan_view_tab_};
    form::Label scTim5{"scTim5", &TimingGroup};
    form::Label scTim20{"scTim20", &TimingGroup};
    form::Label scTim50{"scTim50", &TimingGroup};
    form::Label scTim200{"scTim200", &TimingGroup};
    form::Label scTim600{"scTim600", &TimingGroup};
    form::Label scTimBig{"scTimBig", &TimingGroup};
    form::Label scTimErr{"scTimErr", &TimingGroup};
    form::Label Tim1Lab{"Tim1Lab", &TimingGroup};
    form::Label Tim2Lab{"Tim2Lab", &TimingGroup};
    form::Label Tim3Lab{"Tim3Lab", &TimingGroup};
    form::Label Tim4Lab{"Tim4Lab", &TimingGroup};
    form::Label Tim5Lab{"Tim5Lab", &TimingGroup};
    form::Label Tim6Lab{"Tim6Lab", &TimingGroup};
    form::Label ErLab{"ErLab", &TimingGroup};
    form::CheckBox ErLogBx50{"ErLogBx50", &TimingGroup};
    form::CheckBox ErLogBx200{"ErLogBx200", &TimingGroup};
    form::CheckBox ErLogBx600{"ErLogBx600", &TimingGroup};
    form::CheckBox ErLogBxbig{"ErLogBxbig", &TimingGroup};
    form::CheckBox ErLogBxErr{"ErLogBxErr", &TimingGroup};
    form::Button ScanClrListBtn{"ScanClrListBtn", &TimingGroup};

    // The readouts.
    form::Label LbaOut{"LbaOut", &scan_view_tab_};
    form::Label LbaOut1{"LbaOut1", &scan_view_tab_};
    form::Label SpeedLed{"SpeedLed", &scan_view_tab_};
    form::Label SpeedUnitLab{"SpeedUnitLab", &scan_view_tab_};
    form::Label ScanMbLed{"ScanMbLed", &scan_view_tab_};
    form::Label ScanMbUnitLab{"ScanMbUnitLab", &scan_view_tab_};
    form::Label ScanPercentLed{"ScanPercentLed", &scan_view_tab_};
    form::Label ScanPercentUnitLab{"ScanPercentUnitLab", &scan_view_tab_};
    form::Label ScTimeLed{"ScTimeLed", &scan_view_tab_};
    form::TrackBar TrackBar{"TrackBar", &scan_view_tab_};
    form::CheckBox DisGridChk{"DisGridChk", &scan_view_tab_};
    form::SpinEdit GfMasEdit{"GfMasEdit", &scan_view_tab_};
    form::Label AdjScaleLabel{"AdjScaleLabel", &scan_view_tab_};
    form::Label AdjPercentLabel{"AdjPercentLabel", &scan_view_tab_};
    /// Progress of a defect action's sector-by-sector loop within its block.
    form::ProgressBar DftMeter{"DftMeter", &scan_view_tab_};

    // The grid over the graph; the double click toggles the panel's width.
    form::Panel GridPanel{"GridPanel", &scan_view_tab_};
    form::Panel GraphPanel{"GraphPanel", &GridPanel};
    form::Canvas GF{"GF", &GraphPanel};
    /// Axis labels for 1/7 … 6/7 of the scale; `Gl6` is the top one.
    form::Label Gl0{"Gl0", &GraphPanel};
    form::Label Gl1{"Gl1", &GraphPanel};
    form::Label Gl2{"Gl2", &GraphPanel};
    form::Label Gl3{"Gl3", &GraphPanel};
    form::Label Gl4{"Gl4", &GraphPanel};
    form::Label Gl5{"Gl5", &GraphPanel};
    form::Label Gl6{"Gl6", &GraphPanel};
    form::Label gfs0{"gfs0", &GraphPanel};
    form::Label gfs1{"gfs1", &GraphPanel};
    form::Label gfs2{"gfs2", &GraphPanel};
    form::Label gfs3{"gfs3", &GraphPanel};
    form::Label gfs4{"gfs4", &GraphPanel};
    form::Label gfs5{"gfs5", &GraphPanel};
    form::Label gfs6{"gfs6", &GraphPanel};
    form::Label gfs7{"gfs7", &GraphPanel};
    /// The graph's hover readouts: speed at the pointer and position.
    form::Label GfYLab{"GfYLab", &GraphPanel};
    form::Label GfXLab{"GfXLab", &GraphPanel};
    form::BlockGrid Grid{"Grid", &GridPanel};
    form::PopupMenu GridMenu{"GridMenu"};

    /// Blinks the pause key's frame while a pause is requested.
    form::Timer PauseBlinkTimer{"PauseBlinkTimer", &scan_view_tab_};
    /// Paints the read/write lamps while a scan runs.
    form::Timer RdWrTimer{"RdWrTimer", &scan_view_tab_};
    /// Steps the remaining-time readout through "Start:" and the start time.
    form::Timer ScTimeTimer{"ScTimeTimer", &scan_view_tab_};

    /// The grid panel's two widths (the double click swaps them).
    static constexpr int kGridPanelNarrow = 268;
    static constexpr int kGridPanelWide = 384;
    /// The graph's raster: columns 0..378 plus a margin, the base line at y = 368.
    static constexpr int kGraphWidth = 381;
    static constexpr int kGraphHeight = 372;

    form::Label* ClassCounter(int timing_class);
    form::CheckBox* ClassLogBox(int timing_class);
    form::Label* AxisLabel(int index);
    form::Label* LbaLabel(int index);
};

} // namespace mrv
