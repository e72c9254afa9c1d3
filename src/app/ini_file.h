#pragma once
// An INI file with the semantics of the Windows profile functions: reads fall
// back to the default for missing or unreadable values; writes update a key in
// place or append it to its section (the section is appended when missing),
// so keys the user added by hand survive a save.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mrv
{

class IniFile
{
  public:
    IniFile() = default;
    /// Parses text; malformed lines are kept verbatim and ignored.
    static IniFile Parse(const std::string& text);
    /// Reads a file; nullopt when it cannot be read.
    static std::optional<IniFile> Load(const std::filesystem::path& path);

    bool HasKey(const std::string& section, const std::string& key) const;
    /// The raw value; nullopt when absent.
    std::optional<std::string> Value(const std::string& section, const std::string& key) const;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    /// Decimal (or 0x-prefixed hexadecimal) integer; `valid` is false when the
    /// key is present but not a number within 32 bits.
    long long ReadInteger(const std::string& section, const std::string& key, long long fallback,
                          bool* valid = nullptr) const;
    double ReadFloat(const std::string& section, const std::string& key, double fallback,
                     bool* valid = nullptr) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, long long value);
    void WriteBool(const std::string& section, const std::string& key, bool value)
    {
        WriteInteger(section, key, value ? 1 : 0);
    }
    void WriteFloat(const std::string& section, const std::string& key, double value);

    std::string Text() const;
    /// Writes the file; false on failure.
    bool Save(const std::filesystem::path& path) const;

  private:
    struct Line {
        std::string text; ///< the line as it stands (verbatim for comments and junk)
        std::string key;  ///< empty for section headers, comments and junk
    };
    struct Section {
        std::string name;
        bool has_header = true;
        std::vector<Line> lines;
    };
    Section* FindSection(const std::string& name);
    const Section* FindSection(const std::string& name) const;
    std::vector<Section> sections_;
};

/// Parses a decimal (or 0x-prefixed hexadecimal) integer within 32 bits.
bool ParseInteger(const std::string& text, long long& value);

/// Shortest text that reads back as the same double ("10.1").
std::string FormatFloat(double value);

} // namespace mrv
