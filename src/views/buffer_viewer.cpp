#include "views/buffer_viewer.h"

#include "app/program_impl.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace mrv
{

namespace
{
constexpr size_t kSector = 512;
constexpr int kTestsTab = 2;
} // namespace

uint32_t BufferViewer::SourceSectors(int source)
{
    switch (source) {
    case kApiCopier:
        return 65535;
    case kPioTransfer:
        return 32;
    default:
        return 4;
    }
}

BufferViewer::BufferViewer(ProgramImpl& program) : p_(program)
{
    Wire();
}

void BufferViewer::Wire()
{
    THeFm& w = p_.hefm;
    w.OnShow = [this] { FormShow(); };
    w.OnClose = [this] { FormClose(); };
    w.OnResize = [this] { FormResize(); };
    w.OnDeactivate = [this] { FormDeactivate(); };
    w.HeVTimer.OnTimer = [this] { HeVTimerTimer(); };
    w.HVPauseBtn.OnClick = [this] { HVPauseBtnClick(); };
    w.HexBufSw.OnClick = [this] { HexBufSwClick(); };
    w.HexeditIn.OnChange = [this] { HexeditInChange(); };
    p_.fm.HexEditBtn.OnClick = [this] { RevizkaExecute(); };
}

const uint8_t* BufferViewer::SourceBytes() const
{
    SharedState& st = p_.state;
    switch (p_.hefm.HexBufSw.ItemIndex()) {
    case kApiCopier:
        return st.ApiBuffer.get();
    case kPioTransfer:
        return st.WideBuffer.Bytes();
    default:
        return st.SectorBuffer.Bytes();
    }
}

size_t BufferViewer::SourceSize() const
{
    SharedState& st = p_.state;
    switch (p_.hefm.HexBufSw.ItemIndex()) {
    case kApiCopier:
        return SharedState::kApiBufferSize;
    case kPioTransfer:
        return st.WideBuffer.Size();
    default:
        return st.SectorBuffer.Size();
    }
}

void BufferViewer::RevizkaExecute()
{
    p_.hefm.SetCaption("View buffer");
    p_.hefm.Show();
}

void BufferViewer::FormShow()
{
    THeFm& w = p_.hefm;
    if (!remembered_) remembered_ = w.Geometry(); // the settings' position, at the first opening
    w.SetBounds(remembered_->left, remembered_->top, remembered_->width, remembered_->height);
    FormResize();
    if (Online()) {
        int source = kHdd;
        if (p_.state.access_mode == AccessMode::Api) {
            source = kApiCopier;
        } else if (p_.fm.MainPage.ActivePageIndex() == kTestsTab) {
            source = kPioTransfer;
        }
        // Choosing the item again still resets the offset and the size.
        if (w.HexBufSw.ItemIndex() == source) {
            HexBufSwClick();
        } else {
            w.HexBufSw.SetItemIndex(source);
        }
        w.HeVTimer.SetActive(true);
    }
}

void BufferViewer::FormClose()
{
    p_.hefm.HeVTimer.SetActive(false);
    remembered_ = p_.hefm.Geometry();
}

void BufferViewer::FormResize()
{
    THeFm& w = p_.hefm;
    const form::Bounds& b = w.Geometry();
    w.HexV.SetBounds(0, THeFm::kStripHeight, std::max(0, b.width),
                     std::max(0, b.height - THeFm::kStripHeight));
}

void BufferViewer::FormDeactivate()
{
    if (!Online()) GoOnline();
}

void BufferViewer::HexBufSwClick()
{
    THeFm& w = p_.hefm;
    const uint32_t sectors = SourceSectors(w.HexBufSw.ItemIndex());
    w.HexeditIn.SetRange(0, static_cast<int>(sectors) - 1);
    w.HexeditIn.SetValue(0);
    w.HVBl.SetCaption(" " + std::to_string(sectors));
    // The new source shows at the next poll whatever it holds.
    shown_once_ = false;
}

void BufferViewer::HeVTimerTimer()
{
    if (!Online() || !p_.hefm.Visible()) return;
    std::array<uint8_t, kSector> now{};
    {
        // A worker filling the buffer holds the lock for one transfer; this
        // poll then skips, and the next one shows the new contents.
        std::unique_lock lock(p_.state.BufferLock, std::try_to_lock);
        if (!lock.owns_lock()) return;
        std::memcpy(now.data(), SourceBytes(), kSector);
    }
    if (shown_once_ && now == last_shown_) return;
    last_shown_ = now;
    shown_once_ = true;
    p_.hefm.HexV.LoadData(now.data(), now.size());
}

void BufferViewer::HVPauseBtnClick()
{
    if (Online()) {
        GoOffline();
    } else {
        GoOnline();
    }
}

void BufferViewer::GoOffline()
{
    THeFm& w = p_.hefm;
    w.HexeditIn.SetEnabled(true);
    w.HeVTimer.SetActive(false);
    w.HexBufSw.SetEnabled(false);
    const size_t bytes = std::min<size_t>(SourceSectors(w.HexBufSw.ItemIndex()) * kSector, SourceSize());
    {
        std::lock_guard lock(p_.state.BufferLock);
        frozen_.emplace(SourceBytes(), SourceBytes() + bytes);
    }
    w.HVBl.SetFontColour(form::colours::kBlack);
    w.HVPauseBtn.SetCaption("Online");
    w.HVPLed.SetBrush(form::colours::kRed);
    w.SetFocus(&w.HexeditIn);
    HexeditInChange();
}

void BufferViewer::GoOnline()
{
    THeFm& w = p_.hefm;
    w.HexeditIn.SetEnabled(false);
    w.HeVTimer.SetActive(w.Visible());
    w.HexBufSw.SetEnabled(true);
    w.HVBl.SetFontColour(form::colours::kGray);
    frozen_.reset();
    w.HVPauseBtn.SetCaption("Offline");
    w.HVPLed.SetBrush(form::colours::kLime);
    shown_once_ = false;
}

void BufferViewer::HexeditInChange()
{
    if (Online()) return;
    THeFm& w = p_.hefm;
    const size_t sectors = frozen_->size() / kSector;
    if (sectors == 0) return;
    const size_t offset =
        static_cast<size_t>(std::clamp(w.HexeditIn.Value(), 0, static_cast<int>(sectors) - 1));
    w.HexV.LoadData(frozen_->data() + offset * kSector, kSector);
}

} // namespace mrv
