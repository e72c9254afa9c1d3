// The password block's bytes, the CP1251 conversion and password files.

#include "config/security_manager.h"
#include "config/security_password.h"
#include "support/program_fixture.h"
#include "util/cp1251.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mrv::test
{
namespace
{

TEST(Cp1251, MapsAsciiCyrillicAndThePunctuationOfTheUpperHalf)
{
    struct Case {
        const char* utf8;
        std::string cp1251;
    } cases[] = {
        {"abc 123", "abc 123"},
        {"\xD0\x90\xD0\xAF\xD0\xB0\xD1\x8F", "\xC0\xDF\xE0\xFF"}, // А Я а я
        {"\xD0\x81\xD1\x91", "\xA8\xB8"},                         // Ё ё
        {"\xE2\x84\x96\xE2\x82\xAC\xC2\xB0", "\xB9\x88\xB0"},     // № € °
        {"\xD2\x90\xD1\x97", "\xA5\xBF"},                         // Ґ ї
        {"\xE4\xB8\xAD", "?"},                                    // not in the code page
        {"\xC3\xA9", "?"},                                        // é is not in it either
        {"a\xD0", "a?"},                                          // cut short
        {"\xC0\xAF", "??"},                                       // overlong
        {"\xED\xA0\x80", "???"},                                  // a surrogate
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251) << c.utf8;
}

TEST(PasswordBlock, TextGoesFromByteTwoAndTheRestIsZero)
{
    const SecurityBlock block = MakeSecurityBlock(SecurityControlWord(false, false), "abc");
    EXPECT_EQ(block[2] | block[3] << 8, 0x6261);
    EXPECT_EQ(block[4], 0x63);
    for (size_t i = 5; i < block.size(); ++i)
        ASSERT_EQ(block[i], 0) << i;
    // A longer text is cut at 32 bytes.
    const SecurityBlock full = MakeSecurityBlock(0, std::string(40, 'x'));
    EXPECT_EQ(full[33], 'x');
    EXPECT_EQ(full[34], 0);
}

TEST(PasswordBlock, ControlWordsAndTypeTexts)
{
    EXPECT_EQ(SecurityControlWord(false, true), 0x0100);
    EXPECT_EQ(SecurityControlWord(true, false), 0x0001);
    EXPECT_EQ(SecurityControlWord(true, true), 0x0101);
    const SecurityBlock block = MakeSecurityBlock(0x0100, "");
    EXPECT_EQ(block[0], 0x00);
    EXPECT_EQ(block[1], 0x01);
    EXPECT_EQ(SecurityTypeText(true, true), ". Type: MASTER");
    EXPECT_EQ(SecurityTypeText(false, false), ". Type: USER, level: HIGH");
    EXPECT_EQ(SecurityTypeText(false, true), ". Type: USER, level: MAXIMUM");
    EXPECT_TRUE(NamesPasswordFile("file: a.bin"));
    EXPECT_FALSE(NamesPasswordFile(" file: a.bin"));
    EXPECT_FALSE(NamesPasswordFile("file:a.bin"));
}

TEST(PasswordFile, ShortFilesPipesAndFoldersAreRefusedLongOnesGiveTheirFirst32Bytes)
{
    TempDir dir;
    std::string password;
    std::ofstream(dir.Path() / "short.bin", std::ios::binary) << std::string(31, 'a');
    EXPECT_EQ(ReadPasswordFile(dir.Path() / "short.bin", password), PasswordFileStatus::TooShort);
    std::string hundred;
    for (int i = 0; i < 100; ++i)
        hundred += static_cast<char>(i);
    std::ofstream(dir.Path() / "long.bin", std::ios::binary) << hundred;
    ASSERT_EQ(ReadPasswordFile(dir.Path() / "long.bin", password), PasswordFileStatus::Ok);
    EXPECT_EQ(password, hundred.substr(0, 32));
    EXPECT_EQ(ReadPasswordFile(dir.Path() / "missing.bin", password), PasswordFileStatus::OpenError);
    EXPECT_EQ(ReadPasswordFile(dir.Path(), password), PasswordFileStatus::OpenError);
    // Opening a pipe nobody writes to would never return.
    const auto fifo = dir.Path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadPasswordFile(fifo, password), PasswordFileStatus::OpenError);
}

TEST(PasswordFile, EraseTimeOutIsTwiceTheDrivesTimeOrTwoHours)
{
    EXPECT_EQ(SecurityManager::EraseTimeoutSeconds(0), 120u * 60);
    EXPECT_EQ(SecurityManager::EraseTimeoutSeconds(112), 224u * 60);
}

} // namespace
} // namespace mrv::test
