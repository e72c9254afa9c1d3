#include "ui/console/console_driver.h"
#include "ui/console/script.h"

#include <gtest/gtest.h>

namespace mrv::console
{
namespace
{

TEST(ScriptWords, QuotesEscapesAndComments)
{
    std::vector<Word> words;
    std::string error;
    ASSERT_TRUE(SplitWords(R"(set  "Pass word" "a \"b\" \\c" # set it)", words, error));
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0].text, "set");
    EXPECT_FALSE(words[0].quoted);
    EXPECT_EQ(words[1].text, "Pass word");
    EXPECT_TRUE(words[1].quoted);
    EXPECT_EQ(words[2].text, "a \"b\" \\c");

    // '#' inside quotes is text; an empty quoted word is a word.
    ASSERT_TRUE(SplitWords(R"(expect Box caption "#1" "")", words, error));
    ASSERT_EQ(words.size(), 5u);
    EXPECT_EQ(words[3].text, "#1");
    EXPECT_EQ(words[4].text, "");
    EXPECT_TRUE(words[4].quoted);

    // A colour is a word; a '#' before a blank, or opening the line, is a comment.
    ASSERT_TRUE(SplitWords("expect ErrLed colour #FF0000 # red", words, error));
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[3].text, "#FF0000");
    ASSERT_TRUE(SplitWords("  #comment", words, error));
    EXPECT_TRUE(words.empty());

    EXPECT_FALSE(SplitWords(R"(click "Get SMART)", words, error));
    EXPECT_EQ(error, "unterminated quote");
}

TEST(ScriptParse, CommandsWithLineNumbers)
{
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(ParseScript("# lab: labs/default.ini\n\nkey F2\r\nwaitidle\n  click \"Get SMART\"  \nquit\n",
                            commands, error))
        << error;
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].line, 3);
    EXPECT_EQ(commands[0].verb, "key");
    EXPECT_EQ(commands[1].args.size(), 0u);
    EXPECT_EQ(commands[2].line, 5);
    EXPECT_TRUE(commands[2].args[0].quoted);
    EXPECT_EQ(commands[3].verb, "quit");
}

TEST(ScriptParse, ErrorsNameTheLine)
{
    struct Case {
        const char* script;
        const char* error;
    } cases[] = {
        {"key F2\nfrobnicate X\n", "line 2: unknown command 'frobnicate'"},
        {"\"click\" X\n", "line 1: unknown command 'click'"},
        {"click\n", "line 1: usage: click NAME"},
        {"set A\n", "line 1: usage: set NAME VALUE"},
        {"expect A caption\n", "line 1: usage: expect NAME KEY VALUE"},
        {"key F10\n", "line 1: unknown key 'F10'"},
        {"answer maybe\n", "line 1: answer must be yes, no, ok or cancel, not 'maybe'"},
        {"wait soon\n", "line 1: 'soon' is not a number of milliseconds"},
        {"wait -5\n", "line 1: '-5' is not a number of milliseconds"},
        {"waitidle 10x\n", "line 1: '10x' is not a number of milliseconds"},
        {"select StringLog first\n", "line 1: 'first' is not a row number"},
        {"quit\nkey F2\n", "line 2: nothing may follow 'quit'"},
        {"\n\nclick \"Get\n", "line 3: unterminated quote"},
    };
    for (const auto& c : cases) {
        std::vector<Command> commands;
        std::string error;
        EXPECT_FALSE(ParseScript(c.script, commands, error)) << c.script;
        EXPECT_EQ(error, c.error) << c.script;
    }
}

TEST(ScriptParse, Numbers)
{
    EXPECT_EQ(ParseInteger("-1"), -1);
    EXPECT_EQ(ParseInteger("250"), 250);
    EXPECT_FALSE(ParseInteger(""));
    EXPECT_FALSE(ParseInteger("1.5"));
    EXPECT_FALSE(ParseInteger("99999999999999999999999"));
}

TEST(ConsoleArgs, OptionsAndScript)
{
    ConsoleOptions options;
    std::string error;
    const char* full[] = {"--lab", "labs/x.ini", "--home", "/tmp/h", "s.mrv"};
    ASSERT_TRUE(ParseConsoleArgs(5, full, options, error)) << error;
    EXPECT_EQ(options.lab, "labs/x.ini");
    EXPECT_EQ(options.home, "/tmp/h");
    EXPECT_EQ(options.script, "s.mrv");

    const char* plain[] = {"s.mrv"};
    ASSERT_TRUE(ParseConsoleArgs(1, plain, options, error));
    EXPECT_TRUE(options.lab.empty());
    EXPECT_TRUE(options.home.empty());

    const char* missing_value[] = {"s.mrv", "--lab"};
    EXPECT_FALSE(ParseConsoleArgs(2, missing_value, options, error));
    EXPECT_EQ(error, "--lab needs a value");
    const char* unknown[] = {"--fast", "s.mrv"};
    EXPECT_FALSE(ParseConsoleArgs(2, unknown, options, error));
    const char* two[] = {"a.mrv", "b.mrv"};
    EXPECT_FALSE(ParseConsoleArgs(2, two, options, error));
    EXPECT_FALSE(ParseConsoleArgs(0, nullptr, options, error));
    EXPECT_EQ(error, "no script given");
}

} // namespace
} // namespace mrv::console
