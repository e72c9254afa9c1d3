#pragma once
// The console driver's script language: one command per line, words separated
// by blanks, double quotes around words with blanks ("\"" and "\\" escape).
// A '#' that opens the line, or stands before a blank, starts a comment.

#include "form/controls.h"

#include <optional>
#include <string>
#include <vector>

namespace mrv::console
{

struct Word {
    std::string text;
    bool quoted = false;
};

struct Command {
    int line = 0;
    std::string verb;
    std::vector<Word> args;
};

/// Splits one line into words; false with `error` set on an unterminated quote.
bool SplitWords(const std::string& line, std::vector<Word>& words, std::string& error);
/// Parses a whole script and checks each command's verb and argument count.
/// On failure `error` reads "line N: ...".
bool ParseScript(const std::string& text, std::vector<Command>& commands, std::string& error);
/// F1..F9, Up, Down, Left, Right, Escape, Enter, Space.
std::optional<form::Key> ParseKey(const std::string& name);
/// A whole decimal number (optional minus sign), nothing else.
std::optional<long long> ParseInteger(const std::string& text);

} // namespace mrv::console
