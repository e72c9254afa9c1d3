#include "sim/smart_model.h"

#include <algorithm>
#include <cstring>

namespace mrv::sim
{

namespace
{

constexpr uint64_t kSecondNs = 1000000000ull;

std::vector<SmartAttributeConfig> DefaultTable(const DriveConfig& c)
{
    if (c.ssd) {
        return {
            {5, 0x0033, 100, 100, 10, 0},   {9, 0x0032, 99, 99, 0, 0},
            {12, 0x0032, 99, 99, 0, 0},     {177, 0x0013, 98, 98, 5, 41},
            {179, 0x0013, 100, 100, 10, 0}, {181, 0x0032, 100, 100, 10, 0},
            {182, 0x0032, 100, 100, 10, 0}, {183, 0x0013, 100, 100, 10, 0},
            {187, 0x0032, 100, 100, 0, 0},  {190, 0x0032, 68, 55, 0, 0},
            {195, 0x001A, 200, 200, 0, 0},  {199, 0x003E, 100, 100, 0, 0},
            {235, 0x0012, 99, 99, 0, 12},   {241, 0x0032, 99, 99, 0, 3812334471ull},
        };
    }
    return {
        {1, 0x000F, 117, 99, 6, 148712736}, {3, 0x0003, 97, 96, 0, 0},         {4, 0x0032, 99, 99, 20, 0},
        {5, 0x0033, 100, 100, 36, 0},       {7, 0x000F, 78, 60, 30, 61234567}, {9, 0x0032, 99, 99, 0, 0},
        {10, 0x0013, 100, 100, 97, 0},      {12, 0x0032, 99, 99, 20, 0},       {187, 0x0032, 100, 100, 0, 0},
        {190, 0x0022, 68, 59, 45, 0},       {194, 0x0022, 32, 41, 0, 0},       {196, 0x0032, 100, 100, 0, 0},
        {197, 0x0012, 100, 100, 0, 0},      {198, 0x0010, 100, 100, 0, 0},     {199, 0x003E, 200, 200, 0, 0},
    };
}

void PutRaw(uint8_t* e, uint64_t raw)
{
    for (int i = 0; i < 6; ++i)
        e[5 + i] = static_cast<uint8_t>(raw >> (8 * i));
}

} // namespace

SmartModel::SmartModel(const DriveConfig& config, uint64_t sectors)
    : config_(config), sectors_(sectors),
      attributes_(config.attributes.empty() ? DefaultTable(config) : config.attributes),
      enabled_(config.smart_enabled), given_(!config.attributes.empty())
{
    baseline_.temperature_c = config.temperature_c;
    baseline_.power_on_hours = config.power_on_hours;
    baseline_.power_cycles = config.power_cycles;
    if (attributes_.size() > 30) attributes_.resize(30);
}

void SmartModel::SetChecksum(uint8_t* block)
{
    uint8_t sum = 0;
    for (int i = 0; i < 511; ++i)
        sum = static_cast<uint8_t>(sum + block[i]);
    block[511] = static_cast<uint8_t>(-sum);
}

std::vector<SmartAttributeConfig> SmartModel::Current(const SmartLive& live) const
{
    std::vector<SmartAttributeConfig> out = attributes_;
    min_temp_ = std::min(min_temp_, live.temperature_c);
    max_temp_ = std::max(max_temp_, live.temperature_c);
    if (given_) {
        for (SmartAttributeConfig& a : out)
            FollowLife(a, live);
        return out;
    }
    for (SmartAttributeConfig& a : out) {
        switch (a.id) {
        case 4:
            a.raw += live.start_stops;
            break;
        case 5: {
            a.raw += live.reallocated;
            const uint32_t spares = std::max<uint32_t>(1, config_.spares);
            const int used =
                static_cast<int>((static_cast<uint64_t>(live.reallocated) * 100 + spares - 1) / spares);
            a.value = static_cast<uint8_t>(std::max(1, static_cast<int>(a.value) - used));
            break;
        }
        case 9:
            a.raw = live.power_on_hours;
            break;
        case 12:
            a.raw = live.power_cycles;
            break;
        case 190:
        case 194: {
            const auto t = static_cast<uint64_t>(static_cast<uint16_t>(live.temperature_c));
            const auto lo = static_cast<uint64_t>(static_cast<uint16_t>(min_temp_));
            const auto hi = static_cast<uint64_t>(static_cast<uint16_t>(max_temp_));
            a.raw = a.id == 194 ? (t | lo << 16 | hi << 32) : t;
            a.value = static_cast<uint8_t>(std::clamp(100 - live.temperature_c, 1, 253));
            if (a.id == 194) a.value = static_cast<uint8_t>(std::clamp(live.temperature_c, 1, 253));
            break;
        }
        case 196:
            a.raw += live.reallocated;
            break;
        case 197:
            a.raw = live.pending;
            break;
        case 198:
            if (offline_unc_known_) a.raw = offline_unc_;
            break;
        case 199:
            a.raw += live.crc_errors;
            break;
        default:
            break;
        }
        a.worst = std::min(a.worst, a.value);
    }
    return out;
}

void SmartModel::FollowLife(SmartAttributeConfig& a, const SmartLive& live) const
{
    // Raw bytes beyond the counter (vendor data, minimum and maximum
    // temperatures) stay as given; only what happened since the start moves.
    auto add = [&a](int64_t delta, uint64_t mask) {
        const uint64_t counter = (a.raw & mask) + static_cast<uint64_t>(delta);
        a.raw = (a.raw & ~mask & 0xFFFFFFFFFFFFull) | (counter & mask);
    };
    constexpr uint64_t kWord = 0xFFFF, kAll = 0xFFFFFFFFFFFFull;
    switch (a.id) {
    case 4:
        add(static_cast<int64_t>(live.start_stops) - baseline_.start_stops, kAll);
        break;
    case 5: {
        add(static_cast<int64_t>(live.reallocated) - baseline_.reallocated, kWord);
        const uint32_t spares = std::max<uint32_t>(1, config_.spares);
        const uint64_t fresh =
            live.reallocated > baseline_.reallocated ? live.reallocated - baseline_.reallocated : 0;
        const int used = static_cast<int>((fresh * 100 + spares - 1) / spares);
        a.value = static_cast<uint8_t>(std::max(1, static_cast<int>(a.value) - used));
        break;
    }
    case 9:
        add(static_cast<int64_t>(live.power_on_hours) - static_cast<int64_t>(baseline_.power_on_hours), kAll);
        break;
    case 12:
        add(static_cast<int64_t>(live.power_cycles) - baseline_.power_cycles, kAll);
        break;
    case 190:
    case 194:
        add(live.temperature_c - baseline_.temperature_c, kWord);
        break;
    case 196:
        add(static_cast<int64_t>(live.reallocated) - baseline_.reallocated, kWord);
        break;
    case 197: {
        // The lab's pending sectors are part of the count it starts with; the
        // count falls as they are rewritten, but not below zero.
        const int64_t start = std::max<int64_t>(a.raw & kWord, baseline_.pending);
        const int64_t now = std::max<int64_t>(0, start + live.pending - baseline_.pending);
        a.raw = (a.raw & ~kWord) | (static_cast<uint64_t>(now) & kWord);
        break;
    }
    case 198:
        if (offline_unc_known_) a.raw = (a.raw & ~kWord) | (offline_unc_ & kWord);
        break;
    case 199:
        add(static_cast<int64_t>(live.crc_errors) - baseline_.crc_errors, kAll);
        break;
    default:
        break;
    }
    a.worst = std::min(a.worst, a.value);
}

void SmartModel::BuildData(uint8_t* out, const SmartLive& live, uint64_t now_ns)
{
    std::memset(out, 0, 512);
    out[0] = 0x10; // data structure revision
    const std::vector<SmartAttributeConfig> attrs = Current(live);
    for (size_t i = 0; i < attrs.size(); ++i) {
        uint8_t* e = out + 2 + 12 * i;
        e[0] = attrs[i].id;
        e[1] = static_cast<uint8_t>(attrs[i].flags);
        e[2] = static_cast<uint8_t>(attrs[i].flags >> 8);
        e[3] = attrs[i].value;
        e[4] = attrs[i].worst;
        PutRaw(e, attrs[i].raw);
    }
    out[362] = OfflineByte(now_ns);
    out[363] = SelfTestByte(now_ns);
    out[364] = static_cast<uint8_t>(config_.offline_seconds);
    out[365] = static_cast<uint8_t>(config_.offline_seconds >> 8);
    out[367] = 0x7B; // off-line immediate, abort/restart, scan, self-tests, conveyance, selective
    out[368] = 0x03; // attributes saved across power saving; autosave supported
    out[370] = 0x01; // error logging
    out[372] = static_cast<uint8_t>(std::min<uint32_t>(config_.short_test_minutes, 255));
    out[373] = static_cast<uint8_t>(std::min<uint32_t>(config_.extended_test_minutes, 255));
    out[374] = 2; // conveyance
    if (config_.extended_test_minutes > 254) {
        out[373] = 0xFF;
        out[375] = static_cast<uint8_t>(config_.extended_test_minutes);
        out[376] = static_cast<uint8_t>(config_.extended_test_minutes >> 8);
    }
    SetChecksum(out);
}

void SmartModel::BuildThresholds(uint8_t* out) const
{
    std::memset(out, 0, 512);
    out[0] = 0x10;
    for (size_t i = 0; i < attributes_.size(); ++i) {
        out[2 + 12 * i] = attributes_[i].id;
        out[3 + 12 * i] = attributes_[i].threshold;
    }
    SetChecksum(out);
}

bool SmartModel::ThresholdExceeded(const SmartLive& live) const
{
    for (const SmartAttributeConfig& a : Current(live))
        if (a.id != 0 && a.threshold != 0 && a.value <= a.threshold) return true;
    return false;
}

OfflineStart SmartModel::Start(uint8_t sub, uint64_t now_ns, const SmartLive& live, const FindBad& find_bad)
{
    Update(now_ns);
    OfflineStart r;
    if (sub == 0x7F) {
        if (run_ == Run::SelfTest && !captive_) Finish(1, now_ns);
        if (run_ == Run::Offline) {
            run_ = Run::None;
            offline_byte_ = 0x05;
        }
        r.accepted = true;
        return r;
    }
    const bool vendor_offline = sub >= 0x40 && sub <= 0x7E;
    const bool vendor_captive = sub >= 0x90;
    const bool known = sub <= 4 || (sub >= 0x81 && sub <= 0x84) || vendor_offline || vendor_captive;
    if (!known) return r;
    if (run_ != Run::None) return r; // one routine at a time
    r.accepted = true;
    start_ns_ = now_ns;
    run_hours_ = live.power_on_hours;
    if (sub == 0) {
        run_ = Run::Offline;
        end_ns_ = now_ns + config_.offline_seconds * kSecondNs;
        offline_byte_ = 0x03;
        offline_unc_pending_ = live.pending + live.unreadable;
        return r;
    }
    const uint8_t kind = sub & 0x7F;
    uint64_t minutes = config_.short_test_minutes;
    uint64_t span = std::min<uint64_t>(sectors_, 1 << 21); // a short test reads the first gigabyte
    if (kind == 2 || kind == 4) {
        minutes = config_.extended_test_minutes;
        span = sectors_;
    } else if (kind == 3) {
        minutes = 2;
    }
    const uint64_t duration = std::max<uint64_t>(1, minutes) * 60 * kSecondNs;
    failing_lba_ = find_bad ? find_bad(0, span) : std::nullopt;
    end_ns_ = now_ns + duration;
    if (failing_lba_ && span > 0) // the test stops where it meets the bad sector
        end_ns_ = now_ns + static_cast<uint64_t>(static_cast<double>(duration) * (*failing_lba_ + 1) / span);
    run_ = Run::SelfTest;
    subcommand_ = sub;
    captive_ = (sub & 0x80) != 0;
    self_test_byte_ = 0xF9;
    r.captive = captive_;
    r.done_ns = end_ns_;
    return r;
}

void SmartModel::Finish(uint8_t status_nibble, uint64_t now_ns)
{
    (void)now_ns;
    self_test_byte_ = static_cast<uint8_t>(status_nibble << 4);
    if (status_nibble == 7) self_test_byte_ |= 0x08; // remaining work where it stopped
    LogEntry e{subcommand_, self_test_byte_, static_cast<uint16_t>(std::min<uint64_t>(run_hours_, 0xFFFF)),
               status_nibble == 7 && failing_lba_ ? static_cast<uint32_t>(*failing_lba_) : 0xFFFFFFFFu};
    log_.push_back(e);
    if (log_.size() > 21) log_.erase(log_.begin());
    run_ = Run::None;
    captive_ = false;
}

void SmartModel::Update(uint64_t now_ns)
{
    if (run_ == Run::None || now_ns < end_ns_) return;
    if (run_ == Run::Offline) {
        run_ = Run::None;
        offline_byte_ = 0x02;
        offline_unc_ = offline_unc_pending_;
        offline_unc_known_ = true;
        return;
    }
    if (!captive_) Finish(failing_lba_ ? 7 : 0, now_ns);
}

bool SmartModel::FinishCaptive(uint64_t now_ns)
{
    if (run_ != Run::SelfTest || !captive_) return true;
    const bool passed = !failing_lba_;
    Finish(passed ? 0 : 7, now_ns);
    return passed;
}

void SmartModel::Interrupt(uint64_t now_ns, bool captive_only)
{
    Update(now_ns);
    if (run_ == Run::SelfTest && (captive_ || !captive_only)) Finish(2, now_ns);
    if (run_ == Run::Offline && !captive_only) {
        run_ = Run::None;
        offline_byte_ = 0x04;
    }
}

uint8_t SmartModel::SelfTestByte(uint64_t now_ns)
{
    Update(now_ns);
    if (run_ != Run::SelfTest) return self_test_byte_;
    const double done =
        end_ns_ > start_ns_ ? static_cast<double>(now_ns - start_ns_) / (end_ns_ - start_ns_) : 1.0;
    const int remaining = std::clamp(static_cast<int>((1.0 - done) * 10.0 + 0.999), 1, 9);
    return static_cast<uint8_t>(0xF0 | remaining);
}

uint8_t SmartModel::OfflineByte(uint64_t now_ns)
{
    Update(now_ns);
    return offline_byte_;
}

void SmartModel::BuildSelfTestLog(uint8_t* out, uint64_t now_ns)
{
    Update(now_ns);
    std::memset(out, 0, 512);
    out[0] = 0x01;
    for (size_t i = 0; i < log_.size(); ++i) {
        uint8_t* d = out + 2 + 24 * i;
        d[0] = log_[i].subcommand;
        d[1] = log_[i].status;
        d[2] = static_cast<uint8_t>(log_[i].hours);
        d[3] = static_cast<uint8_t>(log_[i].hours >> 8);
        for (int b = 0; b < 4; ++b)
            d[5 + b] = static_cast<uint8_t>(log_[i].failing_lba >> (8 * b));
    }
    out[508] = static_cast<uint8_t>(log_.size()); // index of the newest descriptor, 1-based
    SetChecksum(out);
}

void SmartModel::BuildErrorLogSummary(uint8_t* out) const
{
    std::memset(out, 0, 512);
    out[0] = 0x01; // version; no errors logged
    SetChecksum(out);
}

void SmartModel::BuildLogDirectory(uint8_t* out) const
{
    std::memset(out, 0, 512);
    out[0] = 0x01;
    out[2 * 0x01] = 1; // summary error log: one sector
    out[2 * 0x06] = 1; // self-test log: one sector
}

} // namespace mrv::sim
