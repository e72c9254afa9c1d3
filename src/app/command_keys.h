#pragma once
// The function keys of the main window and the help window.

namespace mrv
{

class ProgramImpl;

/// Installs the main window's key handler (F1–F9).
void WireCommandKeys(ProgramImpl& program);
/// Opens the help window with "mrvhlp.htm", else "dummi.htm", else empty.
void ShowHelp(ProgramImpl& program);
/// Opens the sector buffer viewer with the caption "View buffer".
void ShowBufferViewer(ProgramImpl& program);

} // namespace mrv
