#pragma once
// The windows beside the main one, created after it in this order: the
// register monitor, the destructive-range dialog, help, the sector-buffer
// viewer, the map and the event-log file window.

#include "form/controls.h"

namespace mrv
{

/// "Registry Monitor": the seven readable task-file registers, translucent.
struct TIFm : form::Window {
    TIFm();
    form::Label R1{"R1", this};
    form::Label R2{"R2", this};
    form::Label R3{"R3", this};
    form::Label R4{"R4", this};
    form::Label R5{"R5", this};
    form::Label R6{"R6", this};
    form::Label R7{"R7", this};
    form::TrackBar TranspTrk{"TranspTrk", this};
    form::RadioGroup ColourRg{"ColourRg", this};
};

/// "Attention!": confirms a destructive range.
struct TWriteWarn : form::Window {
    TWriteWarn();
    form::Label WarnLab{"WarnLab", this};
    form::Label WarnHddLab{"WarnHddLab", this};
    form::Edit WarnStartEdit{"WarnStartEdit", this};
    form::Edit WarnEndEdit{"WarnEndEdit", this};
    form::Button WarnYesBtn{"WarnYesBtn", this};
    form::Button WarnNoBtn{"WarnNoBtn", this};
};

/// "Help": the help pages in a simple HTML view.
struct TFormAbout : form::Window {
    TFormAbout();
    form::HtmlView HelpView{"HelpView", this};
};

/// The sector-buffer viewer ("View buffer"): watches a transfer buffer, or a
/// frozen copy of it page by page.
struct THeFm : form::Window {
    THeFm();
    form::RadioGroup HexBufSw{"HexBufSw", this};
    form::Label HVBl{"HVBl", this};
    form::SpinEdit HexeditIn{"HexeditIn", this};
    form::Button HVPauseBtn{"HVPauseBtn", this};
    form::Lamp HVPLed{"HVPLed", this};
    form::HexView HexV{"HexV", this};
    form::Timer HeVTimer{"HeVTimer", this};
    /// The strip of controls above the hex view.
    static constexpr int kStripHeight = 30;
};

/// The map window.
struct TMap : form::Window {
    TMap();
    form::Memo MapMemo{"MapMemo", this};
};

/// "Eventlog": the tail of the log file.
struct TLogFM : form::Window {
    TLogFM();
    form::Memo LogMemo{"LogMemo", this};
};

} // namespace mrv
