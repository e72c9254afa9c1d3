#include "sim/nvme_controller.h"

#include <algorithm>
#include <cstring>

namespace mrv::sim
{

namespace
{

constexpr uint64_t kSecondNs = 1000000000ull;
constexpr uint64_t kMinuteNs = 60 * kSecondNs;

constexpr uint8_t kGetLogPage = 0x02;
constexpr uint8_t kIdentify = 0x06;
constexpr uint8_t kGetFeatures = 0x0A;
constexpr uint8_t kDeviceSelfTest = 0x14;
constexpr uint8_t kFormatNvm = 0x80;
constexpr uint8_t kSanitize = 0x84;

// Status fields: type in bits 10:8, code in 7:0.
constexpr uint16_t kSuccess = 0x000;
constexpr uint16_t kInvalidOpcode = 0x001;
constexpr uint16_t kInvalidField = 0x002;
constexpr uint16_t kInvalidNamespace = 0x00B;
constexpr uint16_t kSanitizeInProgress = 0x01D;
constexpr uint16_t kInvalidLogPage = 0x109;
constexpr uint16_t kInvalidFormat = 0x10A;
constexpr uint16_t kSelfTestInProgress = 0x11D;
constexpr uint16_t kUnrecoveredRead = 0x281;
// Do not retry: the same command fails the same way again.
constexpr uint16_t kDoNotRetry = 0x4000;

constexpr uint32_t kMaxTimeoutSeconds = 24 * 3600; ///< the longest a command may ask for

constexpr size_t kIdentifySize = 4096;
constexpr size_t kErrorEntries = 64;
constexpr size_t kSelfTestResults = 20;

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put64(uint8_t* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

/// A 128-bit counter whose high half is zero.
void Put128(uint8_t* p, uint64_t v)
{
    Put64(p, v);
    Put64(p + 8, 0);
}

void PutText(uint8_t* p, size_t length, const std::string& text)
{
    std::memset(p, ' ', length);
    std::memcpy(p, text.data(), std::min(length, text.size()));
}

bool ForOwnNamespace(uint32_t nsid)
{
    return nsid == NvmeController::kNamespaceId || nsid == 0xFFFFFFFFu;
}

} // namespace

NvmeController::NvmeController(AtaDrive& drive)
    : drive_(drive), config_(drive.Config().nvme), timeout_countdown_(config_.timeout_after)
{
}

void NvmeController::TimeoutAfterCommands(uint32_t n)
{
    std::lock_guard<std::mutex> guard(lock_);
    timeout_countdown_ = n;
}

bool NvmeController::Accepts(uint32_t timeout_seconds, uint32_t& error)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (removed_) {
            error = win_error::kDevNotExist;
            return false;
        }
        if (timeout_countdown_ == 0 || --timeout_countdown_ != 0) return true;
        removed_ = true;
    }
    drive_.Time().SleepMs(std::clamp<uint32_t>(timeout_seconds, 1, kMaxTimeoutSeconds) * 1000);
    error = win_error::kSemTimeout;
    return false;
}

bool NvmeController::Removed()
{
    std::lock_guard<std::mutex> guard(lock_);
    return removed_;
}

void NvmeController::Restore()
{
    std::lock_guard<std::mutex> guard(lock_);
    removed_ = false;
}

uint8_t NvmeController::FormatInUse() const
{
    return drive_.Config().logical_sector_size == 4096 ? 2 : 0;
}

bool NvmeController::Admin(const NvmeAdminCommand& c, NvmeReply& reply, uint32_t& error)
{
    reply = NvmeReply{};
    if (c.direction != ScsiDirection::None && c.data_length > 0 && c.data == nullptr) {
        error = win_error::kInvalidParameter;
        return false;
    }
    // The Linux request passes the command's own time-out; without one the kernel's default holds.
    if (!Accepts(c.timeout_seconds != 0 ? c.timeout_seconds : kAdminTimeoutSeconds, error)) return false;
    NvmeAdminCommand command = c;
    if (command.own_namespace) command.nsid = kNamespaceId;
    std::lock_guard<std::mutex> guard(lock_);
    Update();
    std::vector<uint8_t> data;
    uint16_t status = kSuccess;
    const bool sanitizing = sanitize_state_ == 2;
    switch (command.opcode) {
    case kIdentify:
        status = Identify(command, data);
        break;
    case kGetLogPage:
        status = LogPage(command, data);
        break;
    case kGetFeatures:
        if ((command.cdw[0] & 0xFF) == 0x06) {
            std::lock_guard<std::mutex> drive_guard(drive_.Lock());
            reply.result = drive_.WriteCacheOn() ? 1u : 0u;
        } else {
            status = kInvalidField;
        }
        break;
    case kDeviceSelfTest:
        status = !config_.self_test ? kInvalidOpcode : sanitizing ? kSanitizeInProgress : SelfTest(command);
        break;
    case kFormatNvm:
        status = !config_.format ? kInvalidOpcode : sanitizing ? kSanitizeInProgress : Format(command);
        break;
    case kSanitize:
        status = (config_.sanitize & 0x7) == 0 ? kInvalidOpcode
                 : sanitizing                  ? kSanitizeInProgress
                                               : Sanitize(command);
        break;
    default:
        status = kInvalidOpcode;
        break;
    }
    if (status == kSuccess && command.direction == ScsiDirection::In && command.data_length > 0) {
        std::memset(command.data, 0, command.data_length);
        std::memcpy(command.data, data.data(), std::min<size_t>(data.size(), command.data_length));
    }
    reply.status = status == kSuccess ? kSuccess : static_cast<uint16_t>(status | kDoNotRetry);
    error = 0;
    return true;
}

uint16_t NvmeController::Identify(const NvmeAdminCommand& c, std::vector<uint8_t>& out)
{
    out.assign(kIdentifySize, 0);
    switch (c.cdw[0] & 0xFF) {
    case 0x00:
        if (c.nsid != kNamespaceId) return kInvalidNamespace;
        BuildNamespace(out.data());
        return kSuccess;
    case 0x01:
        BuildController(out.data());
        return kSuccess;
    default:
        return kInvalidField;
    }
}

void NvmeController::BuildController(uint8_t* d) const
{
    const DriveConfig& dc = drive_.Config();
    Put16(d + 0, config_.vendor_id);
    Put16(d + 2, config_.vendor_id);
    PutText(d + 4, 20, dc.serial);
    PutText(d + 24, 40, dc.model);
    PutText(d + 64, 8, dc.firmware);
    d[77] = 5;                 // largest transfer: 128 KiB
    Put32(d + 80, 0x00010400); // version 1.4
    uint16_t oacs = 0;
    if (config_.format) oacs |= 0x02;
    if (config_.self_test) oacs |= 0x10;
    Put16(d + 256, oacs);
    d[261] = 0x02;              // log page attributes
    d[262] = kErrorEntries - 1; // error log entries, zero-based
    Put16(d + 266, config_.warning_temperature_c + 273u);
    Put16(d + 268, config_.critical_temperature_c + 273u);
    Put128(d + 280, drive_.NativeSectors() * dc.logical_sector_size);
    Put16(d + 316, dc.extended_test_minutes);
    d[318] = 0x01; // one self-test at a time
    Put32(d + 328, config_.sanitize & 0x7u);
    d[512] = 0x66;
    d[513] = 0x44;
    Put32(d + 516, 1);
    Put16(d + 520, dc.trim ? 0x04 : 0x00);
    d[524] = config_.format_crypto ? 0x04 : 0x00;
    d[525] = 0x01; // a volatile write cache
}

void NvmeController::BuildNamespace(uint8_t* d) const
{
    const uint64_t sectors = drive_.NativeSectors();
    Put64(d + 0, sectors);
    Put64(d + 8, sectors);
    Put64(d + 16, sectors);
    d[25] = 2; // three formats
    d[26] = FormatInUse();
    // 512 bytes, 512 bytes with 8 bytes of metadata, 4096 bytes.
    const struct {
        uint16_t metadata;
        uint8_t shift, performance;
    } formats[] = {{0, 9, 2}, {8, 9, 2}, {0, 12, 0}};
    for (size_t i = 0; i < 3; ++i) {
        uint8_t* f = d + 128 + 4 * i;
        Put16(f, formats[i].metadata);
        f[2] = formats[i].shift;
        f[3] = formats[i].performance;
    }
}

uint16_t NvmeController::LogPage(const NvmeAdminCommand& c, std::vector<uint8_t>& out)
{
    const uint8_t id = static_cast<uint8_t>(c.cdw[0] & 0xFF);
    const uint64_t offset = static_cast<uint64_t>(c.cdw[2]) | static_cast<uint64_t>(c.cdw[3]) << 32;
    std::vector<uint8_t> page;
    switch (id) {
    case 0x01:
        page.assign(kErrorEntries * 64, 0);
        BuildErrorLog(page.data());
        break;
    case 0x02:
        page.assign(512, 0);
        BuildHealth(page.data());
        break;
    case 0x06:
        page.assign(564, 0);
        BuildSelfTestLog(page.data());
        break;
    case 0x81:
        page.assign(512, 0);
        BuildSanitizeLog(page.data());
        break;
    default:
        return kInvalidLogPage;
    }
    if (offset % 4 != 0 || offset > page.size()) return kInvalidField;
    out.assign(page.begin() + static_cast<std::ptrdiff_t>(offset), page.end());
    return kSuccess;
}

void NvmeController::BuildHealth(uint8_t* d)
{
    SmartLive live;
    {
        std::lock_guard<std::mutex> drive_guard(drive_.Lock());
        live = drive_.Live();
    }
    uint8_t warning = config_.critical_warning;
    if (config_.available_spare < config_.spare_threshold) warning |= 0x01;
    if (live.temperature_c >= config_.critical_temperature_c) warning |= 0x02;
    d[0] = warning;
    Put16(d + 1, static_cast<uint32_t>(std::max(0, live.temperature_c + 273)));
    d[3] = config_.available_spare;
    d[4] = config_.spare_threshold;
    d[5] = config_.percentage_used;
    // Thousands of 512-byte units, rounded up.
    Put128(d + 32, config_.units_read + (sectors_read_ + 999) / 1000);
    Put128(d + 48, config_.units_written + (sectors_written_ + 999) / 1000);
    Put128(d + 64, host_reads_);
    Put128(d + 80, host_writes_);
    Put128(d + 96, (host_reads_ + host_writes_) / 60000);
    Put128(d + 112, live.power_cycles);
    Put128(d + 128, live.power_on_hours);
    Put128(d + 144, config_.unsafe_shutdowns);
    Put128(d + 160, media_errors_);
    Put128(d + 176, error_count_);
    Put16(d + 200, static_cast<uint32_t>(std::max(0, live.temperature_c + 273)));
}

void NvmeController::BuildSelfTestLog(uint8_t* d)
{
    if (test_code_ != 0) {
        d[0] = test_code_;
        const uint64_t now = drive_.NowNs();
        const uint64_t span = std::max<uint64_t>(test_end_ns_ - test_start_ns_, 1);
        d[1] = static_cast<uint8_t>(std::min<uint64_t>((now - test_start_ns_) * 100 / span, 99));
    }
    for (size_t i = 0; i < kSelfTestResults; ++i) {
        uint8_t* e = d + 4 + 28 * i;
        if (i >= results_.size()) {
            e[0] = 0x0F;
            continue;
        }
        const TestResult& r = results_[i];
        e[0] = static_cast<uint8_t>(r.code << 4 | r.result);
        e[1] = r.failing_lba ? 2 : 0;
        e[2] = r.failing_lba ? 0x03 : 0x01;
        Put64(e + 4, r.hours);
        Put32(e + 12, kNamespaceId);
        if (r.failing_lba) {
            Put64(e + 16, *r.failing_lba);
            e[24] = 0x2;
            e[25] = 0x81;
            e[2] |= 0x0C;
        }
    }
}

void NvmeController::BuildErrorLog(uint8_t* d) const
{
    for (size_t i = 0; i < errors_.size() && i < kErrorEntries; ++i) {
        uint8_t* e = d + 64 * i;
        const ErrorEntry& entry = errors_[i];
        Put64(e, entry.count);
        Put16(e + 8, 1);
        Put16(e + 10, static_cast<uint16_t>(entry.count));
        Put16(e + 12, static_cast<uint32_t>(entry.status) << 1);
        Put16(e + 14, 0xFFFF);
        Put64(e + 16, entry.lba);
        Put32(e + 24, kNamespaceId);
    }
}

void NvmeController::BuildSanitizeLog(uint8_t* d)
{
    uint16_t progress = 0xFFFF;
    if (sanitize_state_ == 2) {
        const uint64_t now = drive_.NowNs();
        const uint64_t span = std::max<uint64_t>(sanitize_end_ns_ - sanitize_start_ns_, 1);
        progress =
            static_cast<uint16_t>(std::min<uint64_t>((now - sanitize_start_ns_) * 65536 / span, 65535));
    }
    Put16(d, progress);
    Put16(d + 2, sanitize_state_ | (sanitize_state_ != 0 ? 0x100u : 0u));
}

void NvmeController::Update()
{
    const uint64_t now = drive_.NowNs();
    if (sanitize_state_ == 2 && now >= sanitize_end_ns_) sanitize_state_ = 1;
    if (test_code_ != 0 && now >= test_end_ns_) {
        // An extended test reads the whole medium, a short one a sample at its start.
        const uint64_t sectors = drive_.NativeSectors();
        const uint64_t span = test_code_ == 2 ? sectors : std::max<uint64_t>(sectors / 100, 1);
        std::optional<uint64_t> bad;
        {
            std::lock_guard<std::mutex> drive_guard(drive_.Lock());
            std::optional<uint64_t> at = drive_.Defects().FirstNotPlain(0, span);
            while (at) {
                const SectorCondition condition = drive_.Defects().Condition(*at);
                if (condition.unreadable || condition.pending || condition.stuck) {
                    bad = at;
                    break;
                }
                if (*at + 1 >= span) break;
                at = drive_.Defects().FirstNotPlain(*at + 1, span - *at - 1);
            }
        }
        FinishSelfTest(bad ? 7 : 0, bad);
    }
}

void NvmeController::FinishSelfTest(uint8_t result, std::optional<uint64_t> failing_lba)
{
    TestResult r;
    r.code = test_code_;
    r.result = result;
    {
        std::lock_guard<std::mutex> drive_guard(drive_.Lock());
        r.hours = drive_.Live().power_on_hours;
    }
    r.failing_lba = failing_lba;
    results_.push_front(r);
    if (results_.size() > kSelfTestResults) results_.pop_back();
    test_code_ = 0;
}

uint16_t NvmeController::SelfTest(const NvmeAdminCommand& c)
{
    if (!ForOwnNamespace(c.nsid) && c.nsid != 0) return kInvalidNamespace;
    const uint8_t code = static_cast<uint8_t>(c.cdw[0] & 0xF);
    if (code == 0xF) {
        if (test_code_ != 0) FinishSelfTest(1, std::nullopt);
        return kSuccess;
    }
    if (code != 1 && code != 2) return kInvalidField;
    if (test_code_ != 0) return kSelfTestInProgress;
    const DriveConfig& dc = drive_.Config();
    const uint64_t minutes = code == 1 ? dc.short_test_minutes : dc.extended_test_minutes;
    test_code_ = code;
    test_start_ns_ = drive_.NowNs();
    test_end_ns_ = test_start_ns_ + std::max<uint64_t>(minutes, 1) * kMinuteNs;
    return kSuccess;
}

uint16_t NvmeController::Format(const NvmeAdminCommand& c)
{
    if (!ForOwnNamespace(c.nsid)) return kInvalidNamespace;
    const uint8_t format = static_cast<uint8_t>((c.cdw[0] & 0xF) | ((c.cdw[0] >> 8) & 0x30));
    const uint8_t erase = static_cast<uint8_t>((c.cdw[0] >> 9) & 0x7);
    // The medium behind the namespace keeps its block size.
    if (format != FormatInUse()) return kInvalidFormat;
    if (erase > 2 || (erase == 2 && !config_.format_crypto)) return kInvalidField;
    if (test_code_ != 0) FinishSelfTest(4, std::nullopt);
    EraseMedium();
    return kSuccess;
}

uint16_t NvmeController::Sanitize(const NvmeAdminCommand& c)
{
    const uint8_t action = static_cast<uint8_t>(c.cdw[0] & 0x7);
    const uint8_t needed = action == 2 ? 0x2 : action == 3 ? 0x4 : action == 4 ? 0x1 : 0;
    if (action == 1) return kSuccess; // exit failure mode: nothing has failed here
    if (needed == 0 || (config_.sanitize & needed) == 0) return kInvalidField;
    if (test_code_ != 0) FinishSelfTest(9, std::nullopt);
    // The data is gone from the start; the controller refuses I/O until the end.
    EraseMedium();
    sanitize_state_ = 2;
    sanitize_start_ns_ = drive_.NowNs();
    sanitize_end_ns_ = sanitize_start_ns_ + std::max<uint64_t>(config_.sanitize_seconds, 1) * kSecondNs;
    return kSuccess;
}

void NvmeController::EraseMedium()
{
    std::lock_guard<std::mutex> drive_guard(drive_.Lock());
    drive_.Media().EraseAll();
    drive_.Defects().WrittenAll();
}

bool NvmeController::Sanitizing()
{
    std::lock_guard<std::mutex> guard(lock_);
    Update();
    return sanitize_state_ == 2;
}

uint8_t NvmeController::SelfTestRunning()
{
    std::lock_guard<std::mutex> guard(lock_);
    Update();
    return test_code_;
}

void NvmeController::CountTransfer(bool write, uint64_t sectors, std::optional<uint64_t> failed_lba)
{
    std::lock_guard<std::mutex> guard(lock_);
    const uint64_t units = sectors * drive_.Config().logical_sector_size / 512;
    if (write) {
        ++host_writes_;
        sectors_written_ += units;
    } else {
        ++host_reads_;
        sectors_read_ += units;
    }
    if (failed_lba) {
        ++media_errors_;
        ++error_count_;
        errors_.push_front({error_count_, kUnrecoveredRead, *failed_lba});
        if (errors_.size() > kErrorEntries) errors_.pop_back();
    }
}

} // namespace mrv::sim
