#include "sim/lab_loader.h"

#include "platform/regular_file.h"
#include "sim/lab_pc.h"
#include "sim/sim_os_devices.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace mrv::sim
{

namespace
{

struct Entry {
    std::string key;
    std::string value;
    int line = 0;
};

struct Section {
    std::string kind; ///< "system", "channel", ... (lower case)
    std::string name; ///< the part after the kind
    std::string title;
    int line = 0;
    std::vector<Entry> entries;
    std::unordered_map<std::string, int> key_lines; ///< normalised key -> its line
};

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ParseUnsigned(const std::string& text, uint64_t& out, bool hex_default = false)
{
    std::string s = Trim(text);
    int base = hex_default ? 16 : 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s = s.substr(2);
        base = 16;
    } else if (s.size() > 1 && (s.back() == 'h' || s.back() == 'H')) {
        s.pop_back();
        base = 16;
    }
    if (s.empty()) return false;
    uint64_t v = 0;
    for (char ch : s) {
        int d;
        if (ch >= '0' && ch <= '9')
            d = ch - '0';
        else if (base == 16 && ch >= 'a' && ch <= 'f')
            d = ch - 'a' + 10;
        else if (base == 16 && ch >= 'A' && ch <= 'F')
            d = ch - 'A' + 10;
        else
            return false;
        if (v > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return false;
        v = v * base + static_cast<uint64_t>(d);
    }
    out = v;
    return true;
}

bool ParseBool(const std::string& text, bool& out)
{
    const std::string s = Lower(Trim(text));
    if (s == "1" || s == "yes" || s == "true" || s == "on") {
        out = true;
        return true;
    }
    if (s == "0" || s == "no" || s == "false" || s == "off") {
        out = false;
        return true;
    }
    return false;
}

bool ParseDouble(const std::string& text, double& out)
{
    const std::string s = Trim(text);
    if (s.empty()) return false;
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    in >> out;
    return !in.fail() && in.eof() && out >= 0;
}

std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            parts.push_back(Trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(Trim(cur));
    return parts;
}

/// A key handler: stores the value or returns false with `why` set.
template <typename T> using Handler = std::function<bool(T&, const std::string&, std::string&)>;

template <typename T, typename F> Handler<T> Number(F T::*field, uint64_t min, uint64_t max, bool hex = false)
{
    return [=](T& t, const std::string& v, std::string& why) {
        uint64_t n = 0;
        if (!ParseUnsigned(v, n, hex)) {
            why = "not a " + std::string(hex ? "hexadecimal " : "") + "number: '" + Trim(v) + "'";
            return false;
        }
        if (n < min || n > max) {
            why =
                "out of range (" + std::to_string(min) + ".." + std::to_string(max) + "): '" + Trim(v) + "'";
            return false;
        }
        t.*field = static_cast<F>(n);
        return true;
    };
}

template <typename T> Handler<T> Flag(bool T::*field)
{
    return [=](T& t, const std::string& v, std::string& why) {
        if (!ParseBool(v, t.*field)) {
            why = "expected 1 or 0: '" + Trim(v) + "'";
            return false;
        }
        return true;
    };
}

template <typename T> Handler<T> Real(double T::*field, double max)
{
    return [=](T& t, const std::string& v, std::string& why) {
        double d = 0;
        if (!ParseDouble(v, d) || d > max) {
            why = "not a number of 0.." + std::to_string(static_cast<long long>(max)) + ": '" + Trim(v) + "'";
            return false;
        }
        t.*field = d;
        return true;
    };
}

template <typename T> Handler<T> Text(std::string T::*field, size_t max_len)
{
    return [=](T& t, const std::string& v, std::string& why) {
        if (v.size() > max_len) {
            why = "longer than " + std::to_string(max_len) + " characters";
            return false;
        }
        t.*field = v;
        return true;
    };
}

bool ParseDefects(const std::string& value, DefectKind kind, std::vector<DefectRange>& out, std::string& why)
{
    for (const std::string& item : Split(value, ',')) {
        if (item.empty()) continue;
        DefectRange r;
        r.kind = kind;
        std::string range = item;
        const size_t colon = item.find(':');
        if (colon != std::string::npos) {
            uint64_t ms = 0;
            if (kind != DefectKind::Slow || !ParseUnsigned(item.substr(colon + 1), ms) || ms > 600000) {
                why = "bad delay in '" + item + "' (only slow sectors take ':milliseconds', up to 600000)";
                return false;
            }
            r.delay_ms = static_cast<uint32_t>(ms);
            range = item.substr(0, colon);
        } else if (kind == DefectKind::Slow) {
            r.delay_ms = 200;
        }
        const size_t dash = range.find('-');
        uint64_t a = 0, b = 0;
        if (dash == std::string::npos) {
            if (!ParseUnsigned(range, a)) {
                why = "not an LBA or LBA range: '" + item + "'";
                return false;
            }
            b = a;
        } else if (!ParseUnsigned(range.substr(0, dash), a) || !ParseUnsigned(range.substr(dash + 1), b) ||
                   b < a) {
            why = "not an LBA or LBA range: '" + item + "'";
            return false;
        }
        r.first = a;
        r.last = b;
        out.push_back(r);
    }
    return true;
}

Handler<DriveConfig> Defects(DefectKind kind)
{
    return [=](DriveConfig& d, const std::string& v, std::string& why) {
        return ParseDefects(v, kind, d.defects, why);
    };
}

const std::vector<std::pair<std::string, Handler<DriveConfig>>>& DriveKeys()
{
    using D = DriveConfig;
    static const std::vector<std::pair<std::string, Handler<D>>> keys = {
        {"model", Text(&D::model, 40)},
        {"serial", Text(&D::serial, 20)},
        {"firmware", Text(&D::firmware, 8)},
        {"sectors", Number(&D::native_sectors, 1, 0xFFFFFFFFFFFFull)},
        {"maxsectors", Number(&D::max_sectors, 1, 0xFFFFFFFFFFFFull)},
        {"sectorsize", Number(&D::logical_sector_size, 512, 4096)},
        {"physicalsectorsize", Number(&D::physical_sector_size, 512, 65536)},
        {"lba48", Flag(&D::lba48)},
        {"osnumber", Number(&D::os_number, 0, 127)},
        {"osvia",
         [](D& d, const std::string& v, std::string& why) {
             OsPersonality personality;
             if (!ParseOsPersonality(Trim(v), personality)) {
                 why = "expected sata, usb, usb12, scsi, virtual or nvme: '" + Trim(v) + "'";
                 return false;
             }
             d.os_via = Lower(Trim(v));
             return true;
         }},
        {"osremovable", Flag(&D::os_removable)},
        {"ossectorspertrack", Number(&D::os_sectors_per_track, 1, 255)},
        {"osletter",
         [](D& d, const std::string& v, std::string& why) {
             std::vector<LetterSpec> letters;
             if (!ParseLetterList(Trim(v), letters, why)) return false;
             if (letters.size() != 1) return (why = "one letter expected: '" + Trim(v) + "'", false);
             d.os_letter = Trim(v);
             return true;
         }},
        {"osinuse",
         [](D& d, const std::string& v, std::string& why) {
             d.os_in_use = {};
             if (Lower(Trim(v)) == "no") return true;
             for (const std::string& item : Split(v, ',')) {
                 const std::string use = Lower(Trim(item));
                 if (use == "root") {
                     d.os_in_use.root = true;
                 } else if (use == "mounted") {
                     d.os_in_use.mounted = true;
                 } else if (use == "swap") {
                     d.os_in_use.swap = true;
                 } else if (!use.empty()) {
                     why = "expected no, or root, mounted and swap separated by commas: '" + Trim(v) + "'";
                     return false;
                 }
             }
             return true;
         }},
        {"nvmevendorid",
         [](D& d, const std::string& v, std::string& why) {
             uint64_t id = 0;
             if (!ParseUnsigned(v, id, true) || id > 0xFFFF) {
                 why = "not a hexadecimal number of 0..FFFF: '" + Trim(v) + "'";
                 return false;
             }
             d.nvme.vendor_id = static_cast<uint16_t>(id);
             return true;
         }},
        {"nvmeformat",
         [](D& d, const std::string& v, std::string& why) {
             const std::string s = Lower(Trim(v));
             bool on = false;
             if (s == "crypto") {
                 d.nvme.format = d.nvme.format_crypto = true;
             } else if (ParseBool(s, on)) {
                 d.nvme.format = on;
                 d.nvme.format_crypto = false;
             } else {
                 why = "expected 1, 0 or crypto: '" + Trim(v) + "'";
                 return false;
             }
             return true;
         }},
        {"nvmeselftest", [](D& d, const std::string& v, std::string& why) {
             if (!ParseBool(v, d.nvme.self_test)) return (why = "expected 1 or 0: '" + Trim(v) + "'", false);
             return true;
         }},
        {"nvmesanitize",
         [](D& d, const std::string& v, std::string& why) {
             uint8_t kinds = 0;
             if (Lower(Trim(v)) != "none") {
                 for (const std::string& item : Split(v, ',')) {
                     const std::string kind = Lower(Trim(item));
                     if (kind == "crypto") {
                         kinds |= 0x1;
                     } else if (kind == "block") {
                         kinds |= 0x2;
                     } else if (kind == "overwrite") {
                         kinds |= 0x4;
                     } else if (!kind.empty()) {
                         why = "expected none, or block, crypto and overwrite separated by commas: '" + Trim(v) +
                               "'";
                         return false;
                     }
                 }
             }
             d.nvme.sanitize = kinds;
             return true;
         }},
        {"nvmesanitizeseconds", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::sanitize_seconds, 1, 86400)(d.nvme, v, why);
         }},
        {"nvmecriticalwarning", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::critical_warning, 0, 0x3F)(d.nvme, v, why);
         }},
        {"nvmespare", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::available_spare, 0, 100)(d.nvme, v, why);
         }},
        {"nvmesparethreshold", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::spare_threshold, 0, 100)(d.nvme, v, why);
         }},
        {"nvmepercentused", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::percentage_used, 0, 255)(d.nvme, v, why);
         }},
        {"nvmeunitsread", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::units_read, 0, UINT64_MAX)(d.nvme, v, why);
         }},
        {"nvmeunitswritten", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::units_written, 0, UINT64_MAX)(d.nvme, v, why);
         }},
        {"nvmeunsafeshutdowns", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::unsafe_shutdowns, 0, 0xFFFFFFFFull)(d.nvme, v, why);
         }},
        {"nvmewarningtemperature", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::warning_temperature_c, 1, 200)(d.nvme, v, why);
         }},
        {"nvmecriticaltemperature", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::critical_temperature_c, 1, 200)(d.nvme, v, why);
         }},
        {"nvmetimeoutafter", [](D& d, const std::string& v, std::string& why) {
             return Number(&NvmeConfig::timeout_after, 0, 0xFFFFFFFFull)(d.nvme, v, why);
         }},
        {"cylinders", Number(&D::cylinders, 1, 65535)},
        {"heads", Number(&D::heads, 1, 16)},
        {"sectorspertrack", Number(&D::sectors_per_track, 1, 255)},
        {"rpm", Number(&D::rpm, 1000, 20000)},
        {"sata", Flag(&D::sata)},
        {"satagen", Number(&D::sata_gen, 1, 3)},
        {"ncq", Flag(&D::ncq)},
        {"trim", Flag(&D::trim)},
        {"udma",
         [](D& d, const std::string& v, std::string& why) {
             if (Lower(Trim(v)) == "none") return (d.udma_max = -1, true);
             return Number(&D::udma_max, 0, 6)(d, v, why);
         }},
        {"mwdma",
         [](D& d, const std::string& v, std::string& why) {
             if (Lower(Trim(v)) == "none") return (d.mwdma_max = -1, true);
             return Number(&D::mwdma_max, 0, 2)(d, v, why);
         }},
        {"cachekb", Number(&D::cache_kb, 0, 32767)},
        {"writecache", Flag(&D::write_cache)},
        {"lookahead", Flag(&D::look_ahead)},
        {"smart", Flag(&D::smart_supported)},
        {"smartenabled", Flag(&D::smart_enabled)},
        {"hpa", Flag(&D::hpa_supported)},
        {"aam", Flag(&D::aam_supported)},
        {"aamvalue", Number(&D::aam_value, 0, 254)},
        {"aamenabled", Flag(&D::aam_enabled)},
        {"apm", Flag(&D::apm_supported)},
        {"apmvalue", Number(&D::apm_value, 1, 254)},
        {"dco", Flag(&D::dco_supported)},
        {"sct", Flag(&D::sct_supported)},
        {"security", Flag(&D::security_supported)},
        {"userpassword", Text(&D::user_password, 32)},
        {"masterpassword", Text(&D::master_password, 32)},
        {"securitylevel",
         [](D& d, const std::string& v, std::string& why) {
             const std::string s = Lower(Trim(v));
             if (s != "high" && s != "max") {
                 why = "expected high or max: '" + Trim(v) + "'";
                 return false;
             }
             d.security_level_max = s == "max";
             return true;
         }},
        {"locked", Flag(&D::locked)},
        {"frozen", Flag(&D::frozen)},
        {"eraseminutes", Number(&D::erase_minutes, 1, 65534)},
        {"tracktotrackms", Real(&D::track_to_track_ms, 100)},
        {"fullstrokems", Real(&D::full_stroke_ms, 1000)},
        {"outermbps", Real(&D::outer_mbps, 10000)},
        {"innermbps", Real(&D::inner_mbps, 10000)},
        {"ssdmbps", Real(&D::ssd_mbps, 100000)},
        {"ssdlatencyus", Number(&D::ssd_latency_us, 0, 1000000)},
        {"spinupms", Number(&D::spin_up_ms, 0, 60000)},
        {"spindownms", Number(&D::spin_down_ms, 0, 60000)},
        {"resetms", Number(&D::reset_ms, 0, 60000)},
        {"uncdelayms", Number(&D::unc_delay_ms, 0, 60000)},
        {"temperature", Number(&D::temperature_c, 0, 120)},
        {"spares", Number(&D::spares, 1, 1000000)},
        {"shorttestminutes", Number(&D::short_test_minutes, 1, 255)},
        {"extendedtestminutes", Number(&D::extended_test_minutes, 1, 65535)},
        {"offlineseconds", Number(&D::offline_seconds, 1, 65535)},
        {"poweronhours", Number(&D::power_on_hours, 0, 10000000)},
        {"powercycles", Number(&D::power_cycles, 0, 10000000)},
        {"unreadable", Defects(DefectKind::Unreadable)},
        {"slow", Defects(DefectKind::Slow)},
        {"stuck", Defects(DefectKind::Stuck)},
        {"writefail", Defects(DefectKind::WriteFail)},
        {"pending", Defects(DefectKind::Pending)},
        {"distort", Defects(DefectKind::Distort)},
        {"readlong", Flag(&D::read_long)},
        {"interfacecrc", Number(&D::interface_crc_every, 0, 1000000)},
        {"vanishafter", Number(&D::vanish_after, 0, 0xFFFFFFFFull)},
        {"hangafter", Number(&D::os_hang_after, 0, 0xFFFFFFFFull)},
        {"image", Text(&D::image_path, 4096)},
    };
    return keys;
}

const std::vector<std::pair<std::string, Handler<ChannelConfig>>>& ChannelKeys()
{
    using C = ChannelConfig;
    static const std::vector<std::pair<std::string, Handler<C>>> keys = {
        {"base", Number(&C::base, 1, 0xFFF0, true)}, {"alt", Number(&C::alt, 1, 0xFFFF, true)},
        {"master", Text(&C::master, 200)},           {"slave", Text(&C::slave, 200)},
        {"poweradaptor", Flag(&C::power_adaptor)},   {"power", Flag(&C::power_on)},
    };
    return keys;
}

const std::vector<std::pair<std::string, Handler<PciDeviceConfig>>>& PciKeys()
{
    using P = PciDeviceConfig;
    static const std::vector<std::pair<std::string, Handler<P>>> keys = {
        {"bus", Number(&P::bus, 0, 255)},
        {"device", Number(&P::device, 0, 31)},
        {"function", Number(&P::function, 0, 7)},
        {"vendor", Number(&P::vendor, 0, 0xFFFF, true)},
        {"deviceid", Number(&P::device_id, 0, 0xFFFF, true)},
        {"class", Number(&P::class_code, 0, 0xFF, true)},
        {"subclass", Number(&P::subclass, 0, 0xFF, true)},
        {"progif", Number(&P::prog_if, 0, 0xFF, true)},
        {"revision", Number(&P::revision, 0, 0xFF, true)},
        {"headertype", Number(&P::header_type, 0, 0x7F, true)},
        {"multifunction", Flag(&P::multifunction)},
    };
    return keys;
}

uint64_t DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return static_cast<uint64_t>(month == 2 && leap ? 29 : kDays[month - 1]);
}

/// A key as the lab compares keys: case does not count, nor leading zeros of
/// an attribute number (Attr5 and Attr05 are one key).
std::string NormalKey(const std::string& key)
{
    std::string k = Lower(key);
    uint64_t id = 0;
    if (k.size() > 4 && k.rfind("attr", 0) == 0 && ParseUnsigned(k.substr(4), id) &&
        std::all_of(k.begin() + 4, k.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return "attr" + std::to_string(id);
    return k;
}

/// The text's lines, whatever ends them (LF, CR LF or a lone CR), without a
/// UTF-8 byte-order mark in front.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    std::string current;
    while (at < text.size()) {
        const char c = text[at++];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
            if (c == '\r' && at < text.size() && text[at] == '\n') ++at;
        } else {
            current += c;
        }
    }
    if (!current.empty()) lines.push_back(std::move(current));
    return lines;
}

bool ParseTime(const std::string& text, LocalDateTime& t)
{
    // "YYYY-MM-DD HH:MM[:SS]" or "HH:MM[:SS]".
    std::string s = Trim(text);
    int y = t.year, mo = t.month, d = t.day, h = 0, mi = 0, sec = 0;
    const size_t space = s.find(' ');
    if (space != std::string::npos) {
        const auto date = Split(s.substr(0, space), '-');
        uint64_t a = 0, b = 0, c = 0;
        if (date.size() != 3 || !ParseUnsigned(date[0], a) || !ParseUnsigned(date[1], b) ||
            !ParseUnsigned(date[2], c) || a < 1970 || a > 2100 || b < 1 || b > 12 || c < 1 ||
            c > DaysInMonth(static_cast<int>(a), static_cast<int>(b)))
            return false;
        y = static_cast<int>(a);
        mo = static_cast<int>(b);
        d = static_cast<int>(c);
        s = Trim(s.substr(space + 1));
    }
    const auto parts = Split(s, ':');
    if (parts.size() < 2 || parts.size() > 3) return false;
    uint64_t v[3] = {0, 0, 0};
    for (size_t i = 0; i < parts.size(); ++i)
        if (!ParseUnsigned(parts[i], v[i])) return false;
    if (v[0] > 23 || v[1] > 59 || v[2] > 59) return false;
    h = static_cast<int>(v[0]);
    mi = static_cast<int>(v[1]);
    sec = static_cast<int>(v[2]);
    t = LocalDateTime{y, mo, d, h, mi, sec, 0};
    return true;
}

class Parser
{
  public:
    Parser(std::string source, std::string base_dir)
        : source_(std::move(source)), base_dir_(std::move(base_dir))
    {
    }

    bool Run(const std::string& text, LabConfig& out, std::string& error)
    {
        out = LabConfig{};
        out.source = source_;
        if (!ReadSections(text)) return Fail(error);
        out.drives.reserve(static_cast<size_t>(std::count_if(
            sections_.begin(), sections_.end(), [](const Section& s) { return s.kind == "drive"; })));
        for (const Section& s : sections_)
            if (!Apply(s, out)) return Fail(error);
        if (!Validate(out)) return Fail(error);
        return true;
    }

  private:
    bool Fail(std::string& error)
    {
        error = error_;
        return false;
    }
    bool Error(int line, const std::string& where, const std::string& what)
    {
        error_ = source_ + ":" + std::to_string(line) + ": " + where + (where.empty() ? "" : ": ") + what;
        return false;
    }

    bool ReadSections(const std::string& text)
    {
        int line = 0;
        Section* current = nullptr;
        // Kind and lower-case name of each section so far -> its line.
        std::unordered_map<std::string, int> section_lines;
        for (const std::string& raw : SplitLines(text)) {
            ++line;
            const std::string s = Trim(raw);
            if (s.empty() || s[0] == ';' || s[0] == '#') continue;
            if (s[0] == '[') {
                if (s.back() != ']') return Error(line, "", "section header without ']': " + s);
                const std::string title = Trim(s.substr(1, s.size() - 2));
                const size_t sp = title.find(' ');
                Section sec;
                sec.kind = Lower(sp == std::string::npos ? title : title.substr(0, sp));
                sec.name = sp == std::string::npos ? "" : Trim(title.substr(sp + 1));
                sec.title = title;
                sec.line = line;
                static const char* kinds[] = {"system", "portaccess", "pci", "channel", "drive"};
                if (std::find(std::begin(kinds), std::end(kinds), sec.kind) == std::end(kinds))
                    return Error(line, "[" + title + "]",
                                 "unknown section (expected System, PortAccess, Pci, "
                                 "Channel <name>, Drive <name> or Pci <name>)");
                const bool named = sec.kind == "channel" || sec.kind == "drive";
                if (named && sec.name.empty())
                    return Error(line, "[" + title + "]", "the section needs a name");
                if ((sec.kind == "system" || sec.kind == "portaccess") && !sec.name.empty())
                    return Error(line, "[" + title + "]", "unknown section");
                const auto [first, added] = section_lines.emplace(sec.kind + " " + Lower(sec.name), line);
                if (!added)
                    return Error(line, "[" + title + "]",
                                 "section repeated (first at line " + std::to_string(first->second) + ")");
                sections_.push_back(std::move(sec));
                current = &sections_.back();
                continue;
            }
            const size_t eq = s.find('=');
            if (eq == std::string::npos) return Error(line, "", "expected key=value: " + s);
            if (current == nullptr) return Error(line, Trim(s.substr(0, eq)), "key outside any section");
            Entry e{Trim(s.substr(0, eq)), Trim(s.substr(eq + 1)), line};
            const auto [first, added] = current->key_lines.emplace(NormalKey(e.key), line);
            if (!added)
                return Error(line, "[" + current->title + "] " + e.key,
                             "key repeated (first at line " + std::to_string(first->second) + ")");
            current->entries.push_back(std::move(e));
        }
        return true;
    }

    template <typename T>
    bool ApplyKeys(const Section& s, const std::vector<std::pair<std::string, Handler<T>>>& keys, T& target,
                   const std::function<bool(const Entry&, bool&)>& special = nullptr)
    {
        for (const Entry& e : s.entries) {
            const std::string where = "[" + s.title + "] " + e.key;
            if (special) {
                bool handled = false;
                if (!special(e, handled)) return false;
                if (handled) continue;
            }
            const std::string k = Lower(e.key);
            auto it = std::find_if(keys.begin(), keys.end(), [&](const auto& p) { return p.first == k; });
            if (it == keys.end()) return Error(e.line, where, "unknown key");
            std::string why;
            if (!it->second(target, e.value, why)) return Error(e.line, where, why);
        }
        return true;
    }

    bool ApplySystem(const Section& s, LabConfig& out)
    {
        SystemConfig& sys = out.system;
        for (const Entry& e : s.entries) {
            const std::string where = "[System] " + e.key;
            const std::string k = Lower(e.key);
            uint64_t n = 0;
            bool b = false;
            auto num = [&](uint64_t lo, uint64_t hi) {
                if (!ParseUnsigned(e.value, n) || n < lo || n > hi)
                    return Error(e.line, where,
                                 "expected a number of " + std::to_string(lo) + ".." + std::to_string(hi) +
                                     ": '" + e.value + "'");
                return true;
            };
            auto flag = [&]() {
                if (!ParseBool(e.value, b)) return Error(e.line, where, "expected 1 or 0: '" + e.value + "'");
                return true;
            };
            if (k == "platform") {
                if (!num(0, 2)) return false;
                sys.version.platform = static_cast<int>(n);
            } else if (k == "major") {
                if (!num(0, 99)) return false;
                sys.version.major = static_cast<int>(n);
            } else if (k == "minor") {
                if (!num(0, 99)) return false;
                sys.version.minor = static_cast<int>(n);
            } else if (k == "emptyletters") {
                std::vector<LetterSpec> letters;
                std::string why;
                if (!ParseLetterList(e.value, letters, why)) return Error(e.line, where, why);
                if (!TakeLetters(e.value, e.line, where)) return false;
                out.empty_letters = Trim(e.value);
            } else if (k == "build") {
                if (!num(0, 999999)) return false;
                sys.version.build = static_cast<int>(n);
            } else if (k == "workstation") {
                if (!flag()) return false;
                sys.version.workstation = b;
            } else if (k == "wow64") {
                if (!flag()) return false;
                sys.wow64 = b;
            } else if (k == "admin") {
                if (!flag()) return false;
                sys.admin = b;
            } else if (k == "poweroffallowed") {
                if (!flag()) return false;
                sys.power_off_allowed = b;
            } else if (k == "cpus") {
                if (!num(1, 256)) return false;
                sys.cpus = static_cast<int>(n);
            } else if (k == "cpumhz") {
                if (!num(1, 100000)) return false;
                sys.cpu_mhz = static_cast<uint32_t>(n);
            } else if (k == "kernel") {
                sys.kernel_name = Trim(e.value);
            } else if (k == "processid") {
                if (!num(1, 0xFFFFFFFF)) return false;
                sys.process_id = static_cast<uint32_t>(n);
            } else if (k == "clock") {
                const std::string v = Lower(e.value);
                if (v == "virtual")
                    out.clock = ClockMode::Virtual;
                else if (v == "real")
                    out.clock = ClockMode::Real;
                else
                    return Error(e.line, where, "expected virtual or real: '" + e.value + "'");
            } else if (k == "pollus") {
                if (!num(1, 1000)) return false;
                out.poll_ns = n * 1000;
            } else if (k == "time") {
                LocalDateTime t = SimClock::DefaultStart();
                if (!ParseTime(e.value, t))
                    return Error(e.line, where,
                                 "expected YYYY-MM-DD HH:MM[:SS] or HH:MM[:SS]: '" + e.value + "'");
                out.start_time = t;
            } else {
                return Error(e.line, where, "unknown key");
            }
        }
        return true;
    }

    bool ApplyPortAccess(const Section& s, PortAccessConfig& pa)
    {
        for (const Entry& e : s.entries) {
            const std::string where = "[PortAccess] " + e.key;
            const std::string k = Lower(e.key);
            const std::string v = Lower(e.value);
            bool b = false;
            auto flag = [&](bool& field) {
                if (!ParseBool(e.value, b)) return Error(e.line, where, "expected 1 or 0: '" + e.value + "'");
                field = b;
                return true;
            };
            auto answer = [&](StepAnswer& field, bool allow_invalid, bool control) {
                if (v == "ok")
                    field = StepAnswer::Ok;
                else if (!control && v == "denied")
                    field = StepAnswer::Denied;
                else if (allow_invalid && v == "invalidname")
                    field = StepAnswer::InvalidName;
                else if (control && v == "refuse")
                    field = StepAnswer::Refused;
                else
                    return Error(e.line, where,
                                 std::string("expected ") +
                                     (control         ? "ok or refuse"
                                      : allow_invalid ? "ok, denied or invalidname"
                                                      : "ok or denied") +
                                     ": '" + e.value + "'");
                return true;
            };
            bool ok = true;
            if (k == "systemdirectory")
                ok = flag(pa.system_directory);
            else if (k == "driverfile")
                ok = flag(pa.driver_file);
            else if (k == "service")
                ok = flag(pa.service_installed);
            else if (k == "running")
                ok = flag(pa.service_running);
            else if (k == "servicemanager")
                ok = answer(pa.service_manager, false, false);
            else if (k == "openservice")
                ok = answer(pa.open_service, true, false);
            else if (k == "restrict")
                ok = answer(pa.restrict_code, false, true);
            else if (k == "allow")
                ok = answer(pa.allow_code, false, true);
            else if (k == "process")
                ok = answer(pa.process_code, false, true);
            else
                return Error(e.line, where, "unknown key");
            if (!ok) return false;
        }
        if (pa.service_running) pa.service_installed = true;
        return true;
    }

    bool ApplyDrive(const Section& s, LabConfig& out)
    {
        DriveConfig d;
        d.name = s.name;
        // The profile comes first so that the other keys refine it wherever they stand.
        for (const Entry& e : s.entries) {
            if (Lower(e.key) != "type") continue;
            const std::string v = Lower(e.value);
            if (v == "ssd") {
                d.ssd = true;
                d.model = "MORVANTA VIRTUAL SSD";
                d.trim = true;
                d.spin_up_ms = 0;
                d.spin_down_ms = 0;
                d.unc_delay_ms = 50;
                d.aam_supported = false;
                d.erase_minutes = 2;
                d.short_test_minutes = 1;
                d.extended_test_minutes = 10;
                d.cache_kb = 0;
            } else if (v != "hdd") {
                return Error(e.line, "[" + s.title + "] " + e.key, "expected hdd or ssd: '" + e.value + "'");
            }
        }
        const bool ok = ApplyKeys<DriveConfig>(s, DriveKeys(), d, [&](const Entry& e, bool& handled) {
            const std::string k = Lower(e.key);
            if (k == "type") {
                handled = true;
                return true;
            }
            if (k.rfind("attr", 0) != 0 || k.size() == 4) return true;
            handled = true;
            const std::string where = "[" + s.title + "] " + e.key;
            uint64_t id = 0;
            if (!ParseUnsigned(k.substr(4), id) || id < 1 || id > 255)
                return Error(e.line, where, "attribute keys are Attr1..Attr255");
            const auto f = Split(e.value, ',');
            uint64_t flags = 0, value = 0, worst = 0, thr = 0, raw = 0;
            if (f.size() != 5 || !ParseUnsigned(f[0], flags) || flags > 0xFFFF ||
                !ParseUnsigned(f[1], value) || value > 255 || !ParseUnsigned(f[2], worst) || worst > 255 ||
                !ParseUnsigned(f[3], thr) || thr > 255 || !ParseUnsigned(f[4], raw) ||
                raw > 0xFFFFFFFFFFFFull)
                return Error(e.line, where, "expected flags,value,worst,threshold,raw: '" + e.value + "'");
            if (d.attributes.size() >= 30) return Error(e.line, where, "more than 30 attributes");
            d.attributes.push_back({static_cast<uint8_t>(id), static_cast<uint16_t>(flags),
                                    static_cast<uint8_t>(value), static_cast<uint8_t>(worst),
                                    static_cast<uint8_t>(thr), raw});
            return true;
        });
        if (!ok) return false;
        const std::string where = "[" + s.title + "]";
        // A cross-key problem is reported at the key's own line (the section's when absent).
        auto line_of = [&s](const char* key) {
            const auto it = s.key_lines.find(key);
            return it == s.key_lines.end() ? s.line : it->second;
        };
        const uint32_t ls = d.logical_sector_size;
        if (ls != 512 && ls != 1024 && ls != 2048 && ls != 4096)
            return Error(line_of("sectorsize"), where + " SectorSize", "must be 512, 1024, 2048 or 4096");
        const bool physical_given = line_of("physicalsectorsize") != s.line;
        if (!physical_given && d.physical_sector_size < ls) d.physical_sector_size = ls;
        if (d.physical_sector_size < ls || d.physical_sector_size % ls != 0 ||
            (d.physical_sector_size / ls & (d.physical_sector_size / ls - 1)) != 0)
            return Error(line_of("physicalsectorsize"), where + " PhysicalSectorSize",
                         "must be the sector size times a power of two");
        if (!d.lba48 && d.native_sectors > 0x0FFFFFFF)
            return Error(line_of("sectors"), where + " Sectors",
                         "more than 28-bit addressing reaches; set Lba48=1");
        if (d.max_sectors > d.native_sectors)
            return Error(line_of("maxsectors"), where + " MaxSectors", "above Sectors");
        if (d.inner_mbps > d.outer_mbps || d.inner_mbps <= 0)
            return Error(line_of("innermbps"), where + " InnerMBps",
                         "must be above 0 and not above OuterMBps");
        for (const DefectRange& r : d.defects)
            if (r.last >= d.native_sectors)
                return Error(s.line, where,
                             "defect at LBA " + std::to_string(r.last) + " lies beyond Sectors");
        if (!d.image_path.empty()) {
            d.image_line = line_of("image");
            std::filesystem::path p(d.image_path);
            if (p.is_relative() && !base_dir_.empty()) p = std::filesystem::path(base_dir_) / p;
            d.image_path = p.string();
        }
        if (d.os_number >= 0) {
            const auto [first, added] =
                os_numbers_.emplace(d.os_number, std::make_pair(line_of("osnumber"), d.name));
            if (!added)
                return Error(line_of("osnumber"), where + " OsNumber",
                             "physical drive " + std::to_string(d.os_number) + " is already [Drive " +
                                 first->second.second + "] (line " + std::to_string(first->second.first) +
                                 ")");
        }
        if (d.os_hang_after != 0 && d.os_number < 0)
            return Error(line_of("hangafter"), where + " HangAfter", "needs OsNumber (the bridge it hangs)");
        if (d.nvme.timeout_after != 0 && Lower(d.os_via) != "nvme")
            return Error(line_of("nvmetimeoutafter"), where + " NvmeTimeoutAfter",
                         "needs OsVia=nvme (the controller that times out)");
        if (!d.os_letter.empty() && !TakeLetters(d.os_letter, line_of("osletter"), where + " OsLetter"))
            return false;
        drive_index_[Lower(d.name)] = out.drives.size();
        out.drives.push_back(std::move(d));
        return true;
    }

    bool ApplyChannel(const Section& s, LabConfig& out)
    {
        ChannelConfig c;
        c.name = s.name;
        const std::string n = Lower(s.name);
        if (n == "primary") {
            c.base = 0x1F0;
            c.alt = 0x3F6;
        } else if (n == "secondary") {
            c.base = 0x170;
            c.alt = 0x376;
        }
        if (!ApplyKeys<ChannelConfig>(s, ChannelKeys(), c)) return false;
        if (c.base == 0 || c.alt == 0)
            return Error(s.line, "[" + s.title + "]",
                         "a custom channel needs Base and Alt (hexadecimal ports)");
        out.channels.push_back(c);
        channel_lines_.push_back(s.line);
        return true;
    }

    bool ApplyPci(const Section& s, LabConfig& out)
    {
        if (s.name.empty()) {
            for (const Entry& e : s.entries) {
                const std::string key = Lower(e.key);
                bool* flag = key == "default" ? &out.pci_default : key == "sysfs" ? &out.pci_sysfs : nullptr;
                if (flag == nullptr) return Error(e.line, "[Pci] " + e.key, "unknown key");
                if (!ParseBool(e.value, *flag))
                    return Error(e.line, "[Pci] " + e.key, "expected 1 or 0: '" + e.value + "'");
            }
            return true;
        }
        PciDeviceConfig p;
        p.name = s.name;
        const bool ok = ApplyKeys<PciDeviceConfig>(s, PciKeys(), p, [&](const Entry& e, bool& handled) {
            const std::string k = Lower(e.key);
            if (k.size() != 4 || k.rfind("bar", 0) != 0 || k[3] < '0' || k[3] > '5') return true;
            handled = true;
            uint64_t v = 0;
            if (!ParseUnsigned(e.value, v, true) || v > 0xFFFFFFFF)
                return Error(e.line, "[" + s.title + "] " + e.key,
                             "not a hexadecimal 32-bit value: '" + e.value + "'");
            p.bars[k[3] - '0'] = static_cast<uint32_t>(v);
            return true;
        });
        if (!ok) return false;
        const uint32_t address =
            static_cast<uint32_t>(p.bus) << 8 | static_cast<uint32_t>(p.device) << 3 | p.function;
        const auto [first, added] = pci_addresses_.emplace(address, p.name);
        if (!added)
            return Error(s.line, "[" + s.title + "]",
                         "same bus/device/function as [Pci " + first->second + "]");
        out.pci.push_back(p);
        return true;
    }

    bool Apply(const Section& s, LabConfig& out)
    {
        if (s.kind == "system") return ApplySystem(s, out);
        if (s.kind == "portaccess") return ApplyPortAccess(s, out.port_access);
        if (s.kind == "drive") return ApplyDrive(s, out);
        if (s.kind == "channel") return ApplyChannel(s, out);
        return ApplyPci(s, out);
    }

    bool Validate(LabConfig& out)
    {
        std::map<std::string, std::string> used; // drive -> channel
        std::map<uint32_t, uint32_t> ranges;     // first port -> last port
        for (size_t i = 0; i < out.channels.size(); ++i) {
            ChannelConfig& c = out.channels[i];
            const int line = channel_lines_[i];
            const std::string where = "[Channel " + c.name + "]";
            for (std::string* ref : {&c.master, &c.slave}) {
                if (ref->empty()) continue;
                const auto found = drive_index_.find(Lower(*ref));
                if (found == drive_index_.end())
                    return Error(line, where, "no [Drive " + *ref + "] section for '" + *ref + "'");
                *ref = out.drives[found->second].name;
                auto prev = used.find(Lower(*ref));
                if (prev != used.end())
                    return Error(line, where, "drive '" + *ref + "' is already on channel " + prev->second);
                used[Lower(*ref)] = c.name;
            }
            std::vector<std::pair<uint32_t, uint32_t>> mine = {{c.base, c.base + 7u}, {c.alt, c.alt}};
            if (c.power_adaptor) mine.push_back({c.base + 0x16u, c.base + 0x16u});
            for (const auto& m : mine) {
                // The port space is 16 bits wide: a range past FFFFh would wrap.
                if (m.second > 0xFFFF) return Error(line, where, "ports run past FFFFh");
                if ((m.first <= 0xCFF && m.second >= 0xCF8) || (m.first <= 0x43 && m.second >= 0x42) ||
                    (m.first <= 0x61 && m.second >= 0x61))
                    return Error(line, where, "ports collide with the PCI or speaker ports");
                // Ranges taken so far, by first port: only the neighbours can overlap.
                auto next = ranges.lower_bound(m.first);
                if (next != ranges.end() && next->first <= m.second)
                    return Error(line, where, "ports overlap another channel");
                if (next != ranges.begin() && std::prev(next)->second >= m.first)
                    return Error(line, where, "ports overlap another channel");
            }
            for (const auto& m : mine)
                ranges.emplace(m.first, m.second);
        }
        return true;
    }

    std::string source_;
    std::string base_dir_;
    std::deque<Section> sections_; ///< a deque: a growing lab never moves the sections read
    /// Records the drive letters of OsLetter or EmptyLetters; false when one
    /// is given twice in the lab.
    bool TakeLetters(const std::string& value, int line, const std::string& where)
    {
        std::vector<LetterSpec> letters;
        std::string why;
        if (!ParseLetterList(Trim(value), letters, why)) return Error(line, where, why);
        for (const LetterSpec& l : letters) {
            const auto [first, added] = letter_lines_.emplace(l.letter, line);
            if (!added)
                return Error(line, where,
                             std::string("letter ") + l.letter + ": is already given at line " +
                                 std::to_string(first->second));
        }
        return true;
    }

    std::unordered_map<std::string, size_t> drive_index_;   ///< lower-case name -> index in the drives
    std::map<int, std::pair<int, std::string>> os_numbers_; ///< OsNumber -> its line and drive
    std::map<char, int> letter_lines_;
    std::map<uint32_t, std::string> pci_addresses_;
    std::vector<int> channel_lines_;
    std::string error_;
};

std::unique_ptr<LabPc> Build(LabConfig& config, std::string& error, const LabOptions& options)
{
    if (options.clock) config.clock = *options.clock;
    return LabPc::Build(config, error);
}

} // namespace

bool ParseLab(const std::string& text, const std::string& source, const std::string& base_dir, LabConfig& out,
              std::string& error)
{
    return Parser(source, base_dir).Run(text, out, error);
}

std::unique_ptr<LabPc> LoadLab(const std::string& path, std::string& error, const LabOptions& options)
{
    // A lab is a small text; anything larger is no lab file.
    constexpr size_t kMaxLabBytes = 64u << 20;
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    std::string why;
    if (!ReadRegularFile(path, kMaxLabBytes, bytes, size, why)) {
        error = path + ": cannot open the lab file (" + why + ")";
        return nullptr;
    }
    if (size > kMaxLabBytes) {
        error = path + ": larger than a lab file can be (64 MiB)";
        return nullptr;
    }
    LabConfig config;
    const std::string dir = std::filesystem::path(path).parent_path().string();
    if (!ParseLab(std::string(bytes.begin(), bytes.end()), path, dir, config, error)) return nullptr;
    return Build(config, error, options);
}

std::unique_ptr<LabPc> LoadLabFromText(const std::string& text, const std::string& base_dir,
                                       std::string& error, const LabOptions& options)
{
    LabConfig config;
    if (!ParseLab(text, "<lab text>", base_dir, config, error)) return nullptr;
    return Build(config, error, options);
}

} // namespace mrv::sim
