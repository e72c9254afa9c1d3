#pragma once
// The "View buffer" window: watches one of the program's transfer buffers
// every 100 ms while online, or freezes a copy of the whole buffer and pages
// through it sector by sector while offline.

#include "form/controls.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace mrv
{

class ProgramImpl;

class BufferViewer
{
  public:
    /// The source buffers in the order of the source choice.
    enum Source { kHdd = 0, kApiCopier = 1, kPioTransfer = 2 };
    /// Their sizes in 512-byte sectors.
    static uint32_t SourceSectors(int source);

    explicit BufferViewer(ProgramImpl& program);

    /// The "HEX" button and F8.
    void RevizkaExecute();
    void FormShow();
    void FormClose();
    void FormResize();
    void FormDeactivate();
    void HeVTimerTimer();
    /// "Offline" freezes a copy, "Online" watches the buffer again.
    void HVPauseBtnClick();
    void HexBufSwClick();
    /// The offset changed: shows that sector of the frozen copy.
    void HexeditInChange();

    bool Online() const { return !frozen_.has_value(); }

  private:
    void Wire();
    void GoOffline();
    void GoOnline();
    /// The chosen buffer's bytes; its size is at least the source's sectors × 512.
    const uint8_t* SourceBytes() const;
    size_t SourceSize() const;

    ProgramImpl& p_;
    std::array<uint8_t, 512> last_shown_{};
    bool shown_once_ = false;
    /// The copy of the whole buffer while offline.
    std::optional<std::vector<uint8_t>> frozen_;
    /// Position and size as the window was last closed.
    std::optional<form::Bounds> remembered_;
};

} // namespace mrv
