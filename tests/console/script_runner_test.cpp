#include "console/test_window.h"
#include "ui/console/control_text.h"
#include "ui/console/script_runner.h"

#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace mrv::console
{
namespace
{

using testing::FakeClock;
using testing::SatelliteWindow;
using testing::TestWindow;

class ScriptRunnerTest : public ::testing::Test
{
  protected:
    ScriptRunnerTest() : ui(clock), dialogs(out, "/home/tech")
    {
        host.windows = [this] { return std::vector<form::Window*>{&main, &monitor}; };
        host.shutdown = [this] { ++shutdowns; };
        ui.AddWindow(&main);
    }

    ScriptResult Run(const std::string& script)
    {
        std::vector<Command> commands;
        std::string error;
        EXPECT_TRUE(ParseScript(script, commands, error)) << error;
        ScriptRunner runner(ui, dialogs, host, out, err);
        log = [&runner](int level, const std::string& text, bool replaced) {
            runner.OnLogLine(level, text, replaced);
        };
        ScriptResult result = runner.Run(commands);
        log = nullptr;
        return result;
    }

    FakeClock clock;
    ConsoleUiThread ui;
    std::ostringstream out, err;
    ConsoleDialogs dialogs;
    TestWindow main;
    SatelliteWindow monitor;
    ScriptHost host;
    int shutdowns = 0;
    std::function<void(int, const std::string&, bool)> log;
};

TEST_F(ScriptRunnerTest, ClickFindsByNameOrCaptionOnTheActiveTabFirst)
{
    int std_clicks = 0, scan_clicks = 0;
    main.Go.OnClick = [&] { ++std_clicks; };
    main.Go2.OnClick = [&] { ++scan_clicks; };
    EXPECT_EQ(Run("click GoBtn\nclick \"&Start\"\nclick \"Start\"\n"), kScriptOk) << err.str();
    EXPECT_EQ(std_clicks, 3);
    main.Pages.SetActivePageIndex(1);
    EXPECT_EQ(Run("click \"&Start\"\n"), kScriptOk) << err.str();
    EXPECT_EQ(scan_clicks, 1);
}

TEST_F(ScriptRunnerTest, ControlsAUserCannotReachAreScriptErrors)
{
    main.Go.SetEnabled(false);
    EXPECT_EQ(Run("\nclick GoBtn\n"), kScriptError);
    EXPECT_EQ(err.str(), "line 2: 'GoBtn' cannot be used: it is disabled\n");

    err.str("");
    EXPECT_EQ(Run("click ScanBtn\n"), kScriptError);
    EXPECT_EQ(err.str(), "line 1: 'ScanBtn' cannot be used: its tab \"Tests\" is not the active one\n");

    err.str("");
    EXPECT_EQ(Run("click TIFm.GoBtn\n"), kScriptError);
    EXPECT_EQ(err.str(), "line 1: 'TIFm.GoBtn' cannot be used: its window 'TIFm' is not shown\n");

    err.str("");
    main.Std.SetEnabled(false);
    EXPECT_EQ(Run("set Bits48 1\n"), kScriptError);
    EXPECT_EQ(err.str(), "line 1: 'Bits48' cannot be used: its container 'Std' is disabled\n");
    EXPECT_FALSE(main.Bits.Checked());

    err.str("");
    EXPECT_EQ(Run("click NoSuchBtn\n"), kScriptError);
    EXPECT_EQ(err.str(), "line 1: no control named 'NoSuchBtn'\n");
    err.str("");
    EXPECT_EQ(Run("click \"No such\"\n"), kScriptError);
    EXPECT_EQ(err.str(), "line 1: no control with the caption \"No such\"\n");
}

TEST_F(ScriptRunnerTest, TabClickAndPageIndexActivatePages)
{
    int changes = 0;
    main.Pages.OnChange = [&] { ++changes; };
    EXPECT_EQ(Run("click \"Tests\"\nexpect Pages index 1\nset Pages Standard\nset Pages 1\n"), kScriptOk)
        << err.str();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(Run("set Pages 7\n"), kScriptError);
}

TEST_F(ScriptRunnerTest, SetFiresTheEventsOfUserInput)
{
    int bits = 0, mode = 0, name = 0, channel = 0;
    main.Bits.OnClick = [&] { ++bits; };
    main.Mode.OnClick = [&] { ++mode; };
    main.Name.OnChange = [&] { ++name; };
    main.Channel.OnChange = [&] { ++channel; };
    EXPECT_EQ(Run("set Bits48 1\nset Bits48 1\nset APIRg API\nset APIRg 1\nset NameEdit \"my drive\"\n"
                  "set ChannelBox Custom\nset ChannelBox \" Primary\"\nset SpeedSpin 50\n"),
              kScriptOk)
        << err.str();
    EXPECT_EQ(bits, 1); // setting the same state again changes nothing
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(main.Mode.ItemIndex(), 1);
    EXPECT_EQ(name, 1);
    EXPECT_EQ(main.Name.Text(), "my drive");
    EXPECT_EQ(channel, 2);
    EXPECT_EQ(main.Channel.ItemIndex(), 0);
    EXPECT_EQ(main.Speed.Value(), 10); // clamped to the range

    EXPECT_EQ(Run("set Bits48 yes\n"), kScriptError);
    EXPECT_EQ(Run("set APIRg SATA\n"), kScriptError);
    EXPECT_EQ(Run("set SpeedSpin fast\n"), kScriptError);
    EXPECT_EQ(Run("set GoBtn 1\n"), kScriptError);
    main.Name.SetReadOnly(true);
    EXPECT_EQ(Run("set NameEdit other\n"), kScriptError);
    EXPECT_EQ(main.Name.Text(), "my drive");
}

TEST_F(ScriptRunnerTest, PrintFormatsByKind)
{
    main.Bits.SetChecked(true);
    main.Name.SetText("say \"hi\"");
    main.Go.SetFontColour(form::colours::kRed);
    main.Log.AddRow({"", "10:00:00", "4", "Error!"});
    main.Log.AddRow({"", "10:00:01", " ", "fine"});
    EXPECT_EQ(
        Run("print GoBtn\nprint \"48 bit\"\nprint NameEdit\nprint ErrLed\nprint APIRg\nprint StringLog\n"
            "print SpeedSpin\nprint Pages\n"),
        kScriptOk)
        << err.str();
    EXPECT_EQ(out.str(), "GoBtn: caption=\"&Start\" enabled=1 visible=1 colour=#FF0000\n"
                         "Bits48: caption=\"48 bit\" checked=1 enabled=1 visible=1 colour=#000000\n"
                         "NameEdit: text=\"say \\\"hi\\\"\" enabled=1 visible=1 colour=#000000\n"
                         "ErrLed: caption=\"\" enabled=1 visible=1 colour=#00FF00\n"
                         "APIRg: caption=\"\" text=\"PIO\" index=1 enabled=1 visible=1 colour=#000000\n"
                         "StringLog: rows=2 enabled=1 visible=1 colour=#000000\n"
                         "StringLog[0]:  | 10:00:00 | 4 | Error!\n"
                         "StringLog[1]:  | 10:00:01 |   | fine\n"
                         "SpeedSpin: value=0 enabled=1 visible=1 colour=#000000\n"
                         "Pages: text=\"Standard\" index=0 enabled=1 visible=1 colour=#000000\n");
}

TEST_F(ScriptRunnerTest, PrintStarCoversEveryWindow)
{
    EXPECT_EQ(Run("print *\n"), kScriptOk);
    EXPECT_NE(out.str().find("TFm: caption=\"Test\" enabled=1 visible=1\n"), std::string::npos);
    EXPECT_NE(out.str().find("TIFm: caption=\"Registry Monitor\" enabled=1 visible=0\n"), std::string::npos);
    EXPECT_NE(out.str().find("Tick: enabled=0 value=1000\n"), std::string::npos);
}

TEST_F(ScriptRunnerTest, ExpectationsDecideTheExitCode)
{
    main.Log.AddRow({"", "10:00:00", "2", "SMART status = GOOD"});
    EXPECT_EQ(
        Run("expect ErrLed colour #00ff00\nexpect StringLog rows 1\n"
            "expect StringLog row[0] \" | 10:00:00 | 2 | SMART status = GOOD\"\nexpect GoBtn enabled 1\n"),
        kScriptOk)
        << err.str();

    EXPECT_EQ(Run("expect GoBtn enabled 1\n\nexpect GoBtn caption Start\nexpect GoBtn enabled 0\n"),
              kExpectFailed);
    EXPECT_EQ(err.str(), "line 3: expect 'GoBtn' caption \"Start\": it is \"&Start\"\n");

    err.str("");
    EXPECT_EQ(Run("expect StringLog row[5] x\n"), kExpectFailed);
    EXPECT_EQ(Run("expect GoBtn checked 1\n"), kScriptError);
    EXPECT_NE(err.str().find("'GoBtn' (Button) has no key 'checked'"), std::string::npos);
}

TEST_F(ScriptRunnerTest, LogLinesArePrintedAndSearched)
{
    host.windows = [this] {
        if (log) {
            log(1, "Starting Morvanta", false);
            log(4, "Waiting of readiness... Error", true);
            log = nullptr; // once per run
        }
        return std::vector<form::Window*>{&main};
    };
    EXPECT_EQ(
        Run("print ErrLed\nexpectlog Starting\nexpectlog \"readiness... Error\"\nexpectnolog Passport\n"),
        kScriptOk)
        << err.str();
    EXPECT_EQ(out.str().substr(0, out.str().find("ErrLed")),
              "LOG 1 Starting Morvanta\nLOG~ 4 Waiting of readiness... Error\n");
    EXPECT_EQ(Run("print ErrLed\nexpectlog Passport\n"), kExpectFailed);
    EXPECT_EQ(Run("print ErrLed\nexpectnolog Starting\n"), kExpectFailed);
}

TEST_F(ScriptRunnerTest, QueuedAnswersAndFiles)
{
    std::vector<std::string> asked;
    main.Go.OnClick = [&] {
        asked.push_back(dialogs.AskYesNo("Attention!", "Erase?") ? "yes" : "no");
        dialogs.ShowMessage("Done");
        auto path = dialogs.SaveFile({"Save log", "", "Text (*.txt)|*.txt", 1, "mrvlog.txt"});
        asked.push_back(path.value_or("cancel"));
    };
    EXPECT_EQ(
        Run("answer yes\nanswer ok\nfile logs/out.txt\nclick GoBtn\nclick GoBtn\nfile \"\"\nclick GoBtn\n"),
        kScriptOk)
        << err.str();
    EXPECT_EQ(asked,
              (std::vector<std::string>{"yes", "/home/tech/logs/out.txt", "no", "cancel", "no", "cancel"}));
    EXPECT_NE(out.str().find("ASK \"Attention!\" \"Erase?\" -> yes\nMESSAGE \"Done\" -> ok\n"
                             "FILE save \"Save log\" -> \"/home/tech/logs/out.txt\"\n"),
              std::string::npos);
    EXPECT_NE(out.str().find("ASK \"Attention!\" \"Erase?\" -> no (no answer queued)\n"), std::string::npos);
    EXPECT_NE(out.str().find("FILE save \"Save log\" -> cancel (no file queued)\n"), std::string::npos);
}

TEST_F(ScriptRunnerTest, ListSelectionMenusAndClipboard)
{
    for (int i = 0; i < 3; ++i)
        main.Log.AddRow({"", "t", " ", "line " + std::to_string(i)});
    std::vector<int> selected;
    int dbl = 0;
    main.Log.OnSelectItem = [&](int row) { selected.push_back(row); };
    main.Log.OnDblClick = [&] { ++dbl; };
    main.LogMenu.Items()[1].OnClick = [&] { dialogs.SetClipboardText("42"); };
    EXPECT_EQ(Run("select StringLog 2\ndblclick StringLog 1\nmenu StringLog \"Copy value\"\nprint clipboard\n"
                  "expect clipboard text 42\nmenu StringLog \"Select ALL strings\"\n"),
              kScriptOk)
        << err.str();
    EXPECT_EQ(selected, (std::vector<int>{2, 1}));
    EXPECT_EQ(dbl, 1);
    EXPECT_NE(out.str().find("clipboard: \"42\"\n"), std::string::npos);
    EXPECT_TRUE(main.Log.RowAt(0).selected && main.Log.RowAt(2).selected);

    EXPECT_EQ(Run("select StringLog 3\n"), kScriptError);
    main.Log.SelectRow(-1);
    err.str("");
    EXPECT_EQ(Run("menu StringLog \"Copy value\"\n"), kScriptError);
    EXPECT_EQ(err.str(), "line 1: the menu entry \"Copy value\" is disabled\n");
    EXPECT_EQ(Run("menu GoBtn 0\n"), kScriptError);
}

TEST_F(ScriptRunnerTest, KeysGoToTheMainWindow)
{
    std::vector<form::Key> keys;
    main.OnKeyDown = [&](form::Key key) {
        keys.push_back(key);
        return true;
    };
    EXPECT_EQ(Run("key F2\nkey Down\n"), kScriptOk);
    EXPECT_EQ(keys, (std::vector<form::Key>{form::Key::F2, form::Key::Down}));
}

TEST_F(ScriptRunnerTest, WaitRunsTimersOnTheClock)
{
    int ticks = 0;
    main.Tick.SetInterval(100);
    main.Tick.OnTimer = [&] { ++ticks; };
    main.Tick.SetActive(true);
    uint64_t start = clock.TickCountMs();
    EXPECT_EQ(Run("wait 1000\n"), kScriptOk);
    EXPECT_GE(clock.TickCountMs() - start, 1000u);
    EXPECT_EQ(ticks, 10);
}

TEST_F(ScriptRunnerTest, WaitIdleRunsWorkerHandOffs)
{
    std::atomic<bool> busy{true};
    host.busy = [&] { return busy.load(); };
    int handed = 0;
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i)
            ui.RunSync([&] { ++handed; });
        ui.RunSync([&] { busy = false; });
    });
    EXPECT_EQ(Run("waitidle\nexpect GoBtn enabled 1\n"), kScriptOk) << err.str();
    worker.join();
    EXPECT_EQ(handed, 5);

    busy = true;
    EXPECT_EQ(Run("waitidle 50\n"), kExpectFailed);
    EXPECT_NE(err.str().find("waitidle: a test still runs after 50 ms"), std::string::npos);
}

TEST_F(ScriptRunnerTest, QuitClosesTheMainWindowAndShutsDown)
{
    int closed = 0;
    main.OnClose = [&] { ++closed; };
    EXPECT_EQ(Run("quit\n"), kScriptOk);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(shutdowns, 1);
    EXPECT_FALSE(main.Visible());
}

TEST(ControlText, CaptionsAsRead)
{
    EXPECT_EQ(PlainCaption("&Sleep"), "Sleep");
    EXPECT_EQ(PlainCaption(" Custom "), "Custom");
    EXPECT_EQ(PlainCaption("R&&D"), "R&D");
    EXPECT_EQ(FindItem({"API", "PIO"}, "PIO"), 1);
    EXPECT_EQ(FindItem({"API", "PIO"}, "0"), 0);
    EXPECT_EQ(FindItem({"0", "1"}, "1"), 1);
    EXPECT_EQ(FindItem({"API", "PIO"}, "2"), -1);
    EXPECT_EQ(FindItem({" Custom"}, "Custom"), 0);
}

} // namespace
} // namespace mrv::console
