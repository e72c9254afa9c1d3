#include "app/ini_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace mrv
{

namespace
{
std::string Trim(const std::string& s)
{
    size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    size_t end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}
} // namespace

IniFile IniFile::Parse(const std::string& text)
{
    IniFile ini;
    ini.sections_.push_back(Section{"", false, {}});
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string line = Trim(raw);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            ini.sections_.push_back(Section{Trim(line.substr(1, line.size() - 2)), true, {}});
            continue;
        }
        Line entry{raw, {}};
        size_t eq = line.find('=');
        if (eq != std::string::npos && line[0] != ';' && line[0] != '#') entry.key = Trim(line.substr(0, eq));
        ini.sections_.back().lines.push_back(entry);
    }
    return ini;
}

std::optional<IniFile> IniFile::Load(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

IniFile::Section* IniFile::FindSection(const std::string& name)
{
    for (auto& s : sections_) {
        if (s.has_header && SameName(s.name, name)) return &s;
    }
    return nullptr;
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const
{
    return const_cast<IniFile*>(this)->FindSection(name);
}

bool IniFile::HasKey(const std::string& section, const std::string& key) const
{
    return Value(section, key).has_value();
}

std::optional<std::string> IniFile::Value(const std::string& section, const std::string& key) const
{
    const Section* s = FindSection(section);
    if (!s) return std::nullopt;
    for (const auto& line : s->lines) {
        if (!line.key.empty() && SameName(line.key, key)) {
            size_t eq = line.text.find('=');
            return Trim(line.text.substr(eq + 1));
        }
    }
    return std::nullopt;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& fallback) const
{
    auto value = Value(section, key);
    if (!value) return fallback;
    // A value in double quotes keeps its inner text, as the profile functions do.
    if (value->size() >= 2 && value->front() == '"' && value->back() == '"')
        return value->substr(1, value->size() - 2);
    return *value;
}

bool ParseInteger(const std::string& text, long long& value)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    long long number = hex ? std::strtoll(begin + 2, &end, 16) : std::strtoll(begin, &end, 10);
    bool ok = !text.empty() && end && *end == '\0' && errno == 0 && end != begin + (hex ? 2 : 0) &&
              number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<uint32_t>::max();
    if (ok) value = number;
    return ok;
}

long long IniFile::ReadInteger(const std::string& section, const std::string& key, long long fallback,
                               bool* valid) const
{
    if (valid) *valid = true;
    auto value = Value(section, key);
    if (!value) return fallback;
    long long number = 0;
    if (!ParseInteger(*value, number)) {
        if (valid) *valid = false;
        return fallback;
    }
    return number;
}

double IniFile::ReadFloat(const std::string& section, const std::string& key, double fallback,
                          bool* valid) const
{
    if (valid) *valid = true;
    auto value = Value(section, key);
    if (!value) return fallback;
    std::string text = *value;
    // A decimal comma (as some locales write it) reads as a point.
    for (char& c : text) {
        if (c == ',') c = '.';
    }
    char* end = nullptr;
    errno = 0;
    double number = std::strtod(text.c_str(), &end);
    if (text.empty() || !end || *end != '\0' || errno != 0 || number != number) {
        if (valid) *valid = false;
        return fallback;
    }
    return number;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    if (sections_.empty()) sections_.push_back(Section{"", false, {}});
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back(Section{section, true, {}});
        s = &sections_.back();
    }
    std::string line = key + "=" + value;
    for (auto& entry : s->lines) {
        if (!entry.key.empty() && SameName(entry.key, key)) {
            entry.text = line;
            return;
        }
    }
    // Append after the section's last key, before trailing blank lines.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && Trim(std::prev(pos)->text).empty())
        --pos;
    s->lines.insert(pos, Line{line, key});
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, long long value)
{
    WriteString(section, key, std::to_string(value));
}

std::string FormatFloat(double value)
{
    char text[64];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

void IniFile::WriteFloat(const std::string& section, const std::string& key, double value)
{
    WriteString(section, key, FormatFloat(value));
}

std::string IniFile::Text() const
{
    std::string out;
    for (const auto& s : sections_) {
        if (s.has_header) out += "[" + s.name + "]\n";
        for (const auto& line : s.lines)
            out += line.text + "\n";
    }
    return out;
}

bool IniFile::Save(const std::filesystem::path& path) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << Text();
    return static_cast<bool>(out.flush());
}

} // namespace mrv
