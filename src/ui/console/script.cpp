#include "ui/console/script.h"

#include "ui/console/console_dialogs.h"

#include <charconv>
#include <map>

namespace mrv::console
{

bool SplitWords(const std::string& line, std::vector<Word>& words, std::string& error)
{
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        // A comment: '#' opening the line, or standing alone before a blank
        // ("#00FF00" stays a word, for colours).
        if (c == '#' && (words.empty() || i + 1 == line.size() || line[i + 1] == ' ' || line[i + 1] == '\t'))
            break;
        Word word;
        if (c == '"') {
            word.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\' && i < line.size()) {
                    char e = line[i++];
                    word.text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                    continue;
                }
                word.text += d;
            }
            if (!closed) {
                error = "unterminated quote";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                word.text += line[i++];
        }
        words.push_back(std::move(word));
    }
    return true;
}

std::optional<long long> ParseInteger(const std::string& text)
{
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<form::Key> ParseKey(const std::string& name)
{
    using form::Key;
    static const std::map<std::string, Key> keys = {
        {"F1", Key::F1},       {"F2", Key::F2},         {"F3", Key::F3},       {"F4", Key::F4},
        {"F5", Key::F5},       {"F6", Key::F6},         {"F7", Key::F7},       {"F8", Key::F8},
        {"F9", Key::F9},       {"Up", Key::Up},         {"Down", Key::Down},   {"Left", Key::Left},
        {"Right", Key::Right}, {"Escape", Key::Escape}, {"Enter", Key::Enter}, {"Space", Key::Space},
    };
    auto it = keys.find(name);
    if (it == keys.end()) return std::nullopt;
    return it->second;
}

namespace
{

struct Arity {
    size_t min, max;
    const char* usage;
};

const std::map<std::string, Arity>& Verbs()
{
    static const std::map<std::string, Arity> verbs = {
        {"click", {1, 3, "click NAME [column N]"}},
        {"set", {2, 2, "set NAME VALUE"}},
        {"select", {2, 2, "select NAME ROW"}},
        {"dblclick", {1, 2, "dblclick NAME [ROW]"}},
        {"menu", {2, 2, "menu NAME ITEM"}},
        {"hover", {3, 3, "hover NAME ROW COLUMN|X Y"}},
        {"key", {1, 1, "key F1..F9|Up|Down|Left|Right|Escape|Enter|Space"}},
        {"close", {1, 1, "close WINDOW"}},
        {"deactivate", {1, 1, "deactivate WINDOW"}},
        {"answer", {1, 1, "answer yes|no|ok|cancel"}},
        {"file", {1, 1, "file PATH"}},
        {"save", {2, 2, "save report PATH"}},
        {"wait", {1, 1, "wait MS"}},
        {"waitidle", {0, 1, "waitidle [MS]"}},
        {"print", {1, 1, "print NAME|*|clipboard"}},
        {"expect", {3, 3, "expect NAME KEY VALUE"}},
        {"expectlog", {1, 1, "expectlog TEXT"}},
        {"expectnolog", {1, 1, "expectnolog TEXT"}},
        {"quit", {0, 0, "quit"}},
    };
    return verbs;
}

bool CheckArguments(const Command& cmd, std::string& error)
{
    const auto& a = cmd.args;
    if (cmd.verb == "click" && a.size() != 1) {
        auto column = a.size() == 3 ? ParseInteger(a[2].text) : std::nullopt;
        if (a.size() != 3 || a[1].quoted || a[1].text != "column" || !column || *column < 0) {
            error = "usage: click NAME [column N] (N a column number from 0)";
            return false;
        }
    }
    if (cmd.verb == "key" && !ParseKey(a[0].text)) {
        error = "unknown key '" + a[0].text + "'";
        return false;
    }
    if (cmd.verb == "save" && (a[0].quoted || a[0].text != "report")) {
        error = "usage: save report PATH";
        return false;
    }
    if (cmd.verb == "answer" && !ParseAnswer(a[0].text)) {
        error = "answer must be yes, no, ok or cancel, not '" + a[0].text + "'";
        return false;
    }
    if (cmd.verb == "wait" || (cmd.verb == "waitidle" && !a.empty())) {
        auto ms = ParseInteger(a[0].text);
        if (!ms || *ms < 0) {
            error = "'" + a[0].text + "' is not a number of milliseconds";
            return false;
        }
    }
    if (cmd.verb == "hover" && (!ParseInteger(a[1].text) || !ParseInteger(a[2].text))) {
        error = "usage: hover NAME ROW COLUMN (a grid's cell) or hover NAME X Y (a graph's point)";
        return false;
    }
    if ((cmd.verb == "select" || (cmd.verb == "dblclick" && a.size() == 2)) && !ParseInteger(a[1].text)) {
        error = "'" + a[1].text + "' is not a row number";
        return false;
    }
    return true;
}

} // namespace

bool ParseScript(const std::string& text, std::vector<Command>& commands, std::string& error)
{
    commands.clear();
    int number = 0;
    size_t start = 0;
    bool quit_seen = false;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        ++number;
        std::vector<Word> words;
        std::string why;
        if (!SplitWords(line, words, why)) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        if (words.empty()) continue;
        Command cmd;
        cmd.line = number;
        cmd.verb = words[0].text;
        cmd.args.assign(words.begin() + 1, words.end());
        auto verb = Verbs().find(cmd.verb);
        if (words[0].quoted || verb == Verbs().end()) {
            error = "line " + std::to_string(number) + ": unknown command '" + cmd.verb + "'";
            return false;
        }
        if (cmd.args.size() < verb->second.min || cmd.args.size() > verb->second.max) {
            error = "line " + std::to_string(number) + ": usage: " + verb->second.usage;
            return false;
        }
        if (!CheckArguments(cmd, why)) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        if (quit_seen) {
            error = "line " + std::to_string(number) + ": nothing may follow 'quit'";
            return false;
        }
        quit_seen = cmd.verb == "quit";
        commands.push_back(std::move(cmd));
    }
    return true;
}

} // namespace mrv::console
