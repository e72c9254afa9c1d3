// Targets for the binary structures drives and bridges answer with: sense
// data, IDENTIFY words and NVMe identification and log pages.
#include "drive/scsi_sense.h"
#include "identify/nvme_identify.h"
#include "identify/passport_rows.h"
#include "platform/linux/error_map.h"
#include "platform/sat.h"
#include "smart/nvme_logs.h"
#include "smart/smart_rows.h"
#include "targets/targets.h"

#include <algorithm>
#include <vector>

namespace mrv::fuzz
{

namespace
{

/// `length` bytes from `at`, zero-filled where the input ends: a drive's
/// answer always fills the whole buffer.
std::vector<uint8_t> Block(const uint8_t* data, size_t size, size_t at, size_t length)
{
    std::vector<uint8_t> block(length, 0);
    if (at < size) std::copy_n(data + at, std::min(length, size - at), block.begin());
    return block;
}

uint8_t ByteAt(const uint8_t* data, size_t size, size_t at)
{
    return at < size ? data[at] : 0;
}

} // namespace

void FuzzSense(const uint8_t* data, size_t size)
{
    // The sense buffer exactly as long as the device said, so that every
    // decoder must respect the length.
    std::vector<uint8_t> sense(data, data + size);
    const uint8_t* bytes = sense.empty() ? nullptr : sense.data();
    SenseToResult(bytes, sense.size());
    linux_platform::sense_to_win_error(bytes, sense.size());
    linux_platform::ParseSense(bytes, sense.size());
    AtaRegisters registers;
    DecodeAtaSenseRegisters(bytes, sense.size(), registers);
    DecodeAtaReturn(bytes, sense.size(), registers);
    SenseKey(bytes, sense.size());
    IsAtaPassThroughSuccess(bytes, sense.size());
}

void FuzzNvme(const uint8_t* data, size_t size)
{
    // Identify Controller, Identify Namespace, then the health, self-test,
    // sanitize and error logs, each cut from the input in turn.
    const auto controller_data = Block(data, size, 0, kNvmeIdentifySize);
    const auto namespace_data = Block(data, size, kNvmeIdentifySize, kNvmeIdentifySize);
    size_t at = 2 * kNvmeIdentifySize;
    const auto health_data = Block(data, size, at, kNvmeHealthLogSize);
    at += kNvmeHealthLogSize;
    const auto self_test_data = Block(data, size, at, kNvmeSelfTestLogSize);
    at += kNvmeSelfTestLogSize;
    const auto sanitize_data = Block(data, size, at, kNvmeSanitizeLogSize);
    at += kNvmeSanitizeLogSize;
    const size_t error_entries = at < size ? (size - at) / kNvmeErrorEntrySize : 0;
    const auto error_data = Block(data, size, at, error_entries * kNvmeErrorEntrySize);

    const auto controller = DecodeNvmeController(controller_data.data());
    const auto ns = DecodeNvmeNamespace(namespace_data.data());
    if (controller) {
        DecodeNvmePassport(*controller, ns, std::nullopt);
        DecodeNvmePassport(*controller, std::nullopt, (controller->write_cache & 0x80) != 0);
        NvmeVersionText(controller->version);
    }
    if (ns) NvmePerformanceText(ns->InUse().performance);

    const NvmeHealth health = DecodeNvmeHealth(health_data.data());
    NvmeHealthRows(health);
    NvmeVerdict(health);
    NvmeBytesText(NvmeDataUnitBytes(health.data_units_written));
    const NvmeSelfTestLog self_test = DecodeNvmeSelfTestLog(self_test_data.data());
    const auto errors = DecodeNvmeErrorLog(error_data.data(), error_entries);
    NvmeTestRows(self_test, controller ? controller->extended_self_test_minutes : 0, errors);
    NvmeMeterPosition(self_test);
    for (const NvmeSelfTestResult& result : self_test.results) {
        NvmeSelfTestName(result.code);
        NvmeSelfTestResultText(result.result);
    }
    DecodeNvmeSanitizeStatus(sanitize_data.data()).Percent();
}

void DecodeIdentifyWords(const uint8_t* data, size_t size)
{
    // 512 bytes of IDENTIFY words, then what acquisition and the extended
    // checks may have added.
    IdentifyWords words{};
    const auto sector = Block(data, size, 0, 512);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<uint16_t>(sector[2 * i] | sector[2 * i + 1] << 8);
    const uint8_t flags = ByteAt(data, size, 512);
    DrivePassport acquired;
    acquired.NonAta = (flags & 0x01) != 0;
    acquired.UsbBridge = (flags & 0x02) != 0;
    PassportContext context;
    context.api_mode = (flags & 0x04) != 0;
    if (flags & 0x08) {
        const auto native = Block(data, size, 513, 8);
        int64_t value = 0;
        for (size_t i = 0; i < 8; ++i)
            value |= static_cast<int64_t>(static_cast<uint64_t>(native[i]) << (8 * i));
        context.ext.native_max = value;
    }
    if (flags & 0x10) context.ext.diag_passed = (flags & 0x20) != 0;
    if (flags & 0x40) context.ext.power_count = ByteAt(data, size, 521);
    if (flags & 0x80) context.ext.buffer_diag = BufferDiagResult{false, ByteAt(data, size, 522)};
    const DecodedPassport decoded = DecodePassport(words, acquired, context);
    for (size_t row = 0; row < decoded.rows.size(); ++row) {
        const PassportRow& r = decoded.rows[row];
        for (int column = 0; column < 4; ++column)
            PassportCellColour(static_cast<int>(row), column, r.label, r.value, r.comment);
    }
    ScanTimingBaseOf(decoded.passport, context.api_mode);
    FormatSectorsCompact(decoded.passport.LbaCount, decoded.passport.SectorSize,
                         decoded.passport.SectorsPerMb);
    PassportFileName(decoded.passport.Model, decoded.passport.Serial);
}

void DecodeSmartBlocks(const uint8_t* data, size_t size)
{
    // A data block, its thresholds, the drive family and the attribute asked for.
    const auto block = Block(data, size, 0, kSmartBlockSize);
    const auto thresholds = Block(data, size, kSmartBlockSize, kSmartBlockSize);
    DecodeSmartTable(block.data(), thresholds.data(), ByteAt(data, size, 1024), ByteAt(data, size, 1025));
    DecodeSmartTestRows(block.data());
}

} // namespace mrv::fuzz
