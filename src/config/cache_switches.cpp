#include "config/cache_switches.h"

#include "app/program_impl.h"

#include <string>

namespace mrv
{

CacheSwitches::CacheSwitches(ProgramImpl& program) : p_(program)
{
    TFm& fm = p_.fm;
    fm.RzBitBtn41.OnClick = [this] { RzBitBtn41Click(); };
    fm.RzBitBtn40.OnClick = [this] { RzBitBtn40Click(); };
    fm.RdCacheBtn.OnClick = [this] { RdCacheBtnClick(); };
    fm.CacheOFFbtn.OnClick = [this] { CacheOFFbtnClick(); };
}

void CacheSwitches::RzBitBtn41Click()
{
    Switch(set_features::kWriteCacheOn, "Write cache ON command...");
}

void CacheSwitches::RzBitBtn40Click()
{
    Switch(set_features::kWriteCacheOff, "Write cache OFF command...");
}

void CacheSwitches::RdCacheBtnClick()
{
    Switch(set_features::kLookAheadOn, "Look ahead ON command...");
}

void CacheSwitches::CacheOFFbtnClick()
{
    Switch(set_features::kLookAheadOff, "Look ahead OFF command...");
}

CacheSwitches::Answered CacheSwitches::SendSetFeatures(uint8_t sub)
{
    const AtaCommand command = AtaCommand::NonData({.features = sub, .device = 0xA0, .command = 0xEF});
    if (p_.state.access_mode == AccessMode::Pio)
        return p_.routes.pio.Execute(command).Ok() ? Answered::TaskFile : Answered::None;
    if (p_.routes.ide_pass_through.Execute(command).Ok()) return Answered::IdePassThrough;
    return p_.routes.sat.Execute(command).Ok() ? Answered::AtaPassThrough : Answered::None;
}

void CacheSwitches::Switch(uint8_t sub, const char* start_text)
{
    p_.ops.ResetBreakState();
    p_.ops.SuspendTestThreads();
    const std::string start = start_text;
    p_.LogLine(start, kNewLine, kLogInfo);
    const Answered answered = SendSetFeatures(sub);
    const bool pio = p_.state.access_mode == AccessMode::Pio;
    // Over the IDE pass-through the start line stays alone, as it always has.
    if (answered != Answered::IdePassThrough) {
        if (answered == Answered::None)
            p_.LogLine(start + " Error", kReplaceLast, kLogError);
        else
            p_.LogLine(start + " OK", kReplaceLast, kLogInfo);
    }
    // The passport's CACHE row shows the states; API mode leaves it as it is.
    if (pio) p_.passport.TakePassport(true, true);
    p_.ops.ResumeTestThreads();
}

} // namespace mrv
