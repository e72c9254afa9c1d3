#include "support/program_fixture.h"

#include "sim/sim_clock.h"

#include <atomic>
#include <random>

namespace mrv::test
{

UiStallMeter::UiStallMeter(Clock& clock)
{
    if (dynamic_cast<sim::SimClock*>(&clock) != nullptr)
        now_ns_ = [] { return sim::SimClock::ThreadOwnNs(); };
    else
        now_ns_ = [&clock] { return clock.TickCountMs() * 1000000; };
}

void TestUiThread::ProcessMessages()
{
    if (!IsUiThread()) return;
    ++process_calls;
    if (stall_meter) stall_meter->Beat();
    hand_offs_.RunPending();
    if (stall_meter) stall_meter->Beat();
}

void TestUiThread::KeepAlive()
{
    ProcessMessages();
}

void TestUiThread::RunSync(const std::function<void()>& fn)
{
    if (IsUiThread())
        fn();
    else
        hand_offs_.RunSync(fn);
}

void TestUiThread::Post(std::function<void()> fn)
{
    hand_offs_.Post(std::move(fn));
}

bool ScriptedDialogs::AskYesNo(const std::string& caption, const std::string& text)
{
    asked.push_back("ask: " + caption + ": " + text);
    if (yes_no_answers.empty()) return false;
    bool answer = yes_no_answers.front();
    yes_no_answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogs::OpenFile(const form::FileDialogRequest& request)
{
    asked.push_back("open: " + request.title);
    if (file_answers.empty()) return std::nullopt;
    auto answer = file_answers.front();
    file_answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogs::SaveFile(const form::FileDialogRequest& request)
{
    asked.push_back("save: " + request.file_name);
    if (file_answers.empty()) return std::nullopt;
    auto answer = file_answers.front();
    file_answers.pop_front();
    return answer;
}

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("mrv-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ProgramFixture::ProgramFixture(Platform& platform, std::filesystem::path home)
    : stalls(platform.clock), platform_(platform)
{
    ui.stall_meter = &stalls;
    stalls.mark = [this] { return log.size(); };
    if (home.empty()) {
        temp_.emplace();
        home_ = temp_->Path();
    } else {
        home_ = std::move(home);
    }
    program = std::make_unique<Program>(platform, dialogs, ui, home_);
    program->OnLogLine = [this](int level, const std::string& text, bool replaced) {
        log.push_back({level, text, replaced});
    };
    for (form::Window* window : program->Windows())
        timers_.AddWindow(window);
}

ProgramFixture::~ProgramFixture()
{
    if (program) program->Shutdown();
}

void ProgramFixture::Run(uint32_t ms)
{
    uint64_t end = platform_.clock.TickCountMs() + ms;
    while (platform_.clock.TickCountMs() < end) {
        stalls.Begin();
        ui.ProcessMessages();
        timers_.RunDue(platform_.clock.TickCountMs());
        stalls.Beat();
        platform_.clock.IdleMs(1);
    }
}

void ProgramFixture::Measure(const std::function<void()>& work)
{
    stalls.Begin();
    work();
    stalls.Beat();
}

void ProgramFixture::Quit()
{
    fm().Close();
    program->Shutdown();
}

bool ProgramFixture::Logged(const std::string& text) const
{
    for (const auto& entry : log) {
        if (entry.text.find(text) != std::string::npos) return true;
    }
    return false;
}

std::vector<std::string> ProgramFixture::LoggedTexts() const
{
    std::vector<std::string> out;
    for (const auto& entry : log)
        out.push_back(entry.text);
    return out;
}

std::vector<std::string> ProgramFixture::PanelTexts()
{
    std::vector<std::string> out;
    const auto& list = fm().StringLog;
    for (int row = 0; row < list.RowCount(); ++row)
        out.push_back(list.Cell(row, 3));
    return out;
}

} // namespace mrv::test
