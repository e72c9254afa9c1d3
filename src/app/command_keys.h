#pragma once
// The function keys of the main window and the help window.

namespace mrv
{

class ProgramImpl;

/// Installs the main window's key handler (F1–F9). The keys that stand for a
/// tab's main command press that command's button, so a subsystem plugs in by
/// setting the button's OnClick: F2 `PasspBtn`, F3 `ResetBtn` (PIO mode only),
/// F4 `ScanStartBtn`, F5 `SeekBtn`, F6 `PartBtn` (while `PartBox` is enabled),
/// F9 `SmartBtn`. A disabled button is not pressed; the tab still changes.
void WireCommandKeys(ProgramImpl& program);
/// Opens the help window with "mrvhlp.htm", else "dummi.htm", else empty.
void ShowHelp(ProgramImpl& program);
/// Opens the sector buffer viewer with the caption "View buffer".
void ShowBufferViewer(ProgramImpl& program);

} // namespace mrv
