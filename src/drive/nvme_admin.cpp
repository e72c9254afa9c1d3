#include "drive/nvme_admin.h"

#include <cstdio>

namespace mrv
{

namespace
{
// Formatting and sanitizing a large drive can take hours; identification and
// logs answer at once.
constexpr uint32_t kQuickSeconds = 10;
constexpr uint32_t kEraseSeconds = 4 * 3600;
} // namespace

NvmeAdminCommand NvmeIdentifyCommand(uint8_t cns, uint8_t* data4096)
{
    NvmeAdminCommand c;
    c.opcode = nvme::kIdentify;
    c.own_namespace = cns == nvme::kCnsNamespace;
    c.cdw[0] = cns;
    c.direction = ScsiDirection::In;
    c.data = data4096;
    c.data_length = nvme::kIdentifySize;
    c.timeout_seconds = kQuickSeconds;
    return c;
}

NvmeAdminCommand NvmeLogPageCommand(uint8_t log_id, uint8_t* data, uint32_t length, bool controller_wide)
{
    NvmeAdminCommand c;
    c.opcode = nvme::kGetLogPage;
    if (controller_wide)
        c.nsid = nvme::kAllNamespaces;
    else
        c.own_namespace = true;
    // The number of dwords, zero-based, split over dwords 10 (low 16 bits) and 11.
    const uint32_t dwords = length / 4 - 1;
    c.cdw[0] = log_id | ((dwords & 0xFFFFu) << 16);
    c.cdw[1] = dwords >> 16;
    c.direction = ScsiDirection::In;
    c.data = data;
    c.data_length = length;
    c.timeout_seconds = kQuickSeconds;
    return c;
}

NvmeAdminCommand NvmeSelfTestCommand(uint8_t code)
{
    NvmeAdminCommand c;
    c.opcode = nvme::kDeviceSelfTest;
    c.own_namespace = true;
    c.cdw[0] = code & 0xFu;
    c.timeout_seconds = kQuickSeconds;
    return c;
}

NvmeAdminCommand NvmeFormatCommand(uint8_t format, uint8_t secure_erase)
{
    NvmeAdminCommand c;
    c.opcode = nvme::kFormatNvm;
    c.own_namespace = true;
    // LBA format bits 3:0 in dword 10, bits 5:4 at 13:12; secure erase at 11:9.
    c.cdw[0] = (format & 0xFu) | (static_cast<uint32_t>((format >> 4) & 0x3u) << 12) |
               (static_cast<uint32_t>(secure_erase & 0x7u) << 9);
    c.timeout_seconds = kEraseSeconds;
    return c;
}

NvmeAdminCommand NvmeSanitizeCommand(uint8_t action)
{
    NvmeAdminCommand c;
    c.opcode = nvme::kSanitize;
    c.nsid = 0;
    c.cdw[0] = action & 0x7u;
    c.timeout_seconds = kQuickSeconds;
    return c;
}

NvmeResult SendNvmeAdmin(OsDevice& device, const NvmeAdminCommand& command)
{
    NvmeResult out;
    NvmeReply reply;
    if (!device.NvmeAdmin(command, reply)) {
        out.system_error = device.LastError();
        // A device without the request may leave no error number behind.
        if (out.system_error == 0) out.system_error = 50;
        return out;
    }
    out.answered = true;
    out.status = reply.status;
    out.result = reply.result;
    return out;
}

std::string NvmeStatusText(uint16_t status)
{
    const unsigned type = (status >> 8) & 0x7u;
    const unsigned code = status & 0xFFu;
    if (type == 0) {
        switch (code) {
        case 0x00:
            return "success";
        case 0x01:
            return "Invalid Command Opcode";
        case 0x02:
            return "Invalid Field in Command";
        case 0x04:
            return "Data Transfer Error";
        case 0x06:
            return "Internal Error";
        case 0x07:
            return "Command Abort Requested";
        case 0x0B:
            return "Invalid Namespace or Format";
        case 0x1D:
            return "Sanitize In Progress";
        case 0x1C:
            return "Sanitize Failed";
        case 0x20:
            return "Namespace is Write Protected";
        case 0x80:
            return "LBA Out of Range";
        default:
            break;
        }
    } else if (type == 1) {
        switch (code) {
        case 0x09:
            return "Invalid Log Page";
        case 0x0A:
            return "Invalid Format";
        case 0x1D:
            return "Device Self-test In Progress";
        default:
            break;
        }
    } else if (type == 2 && code == 0x81) {
        return "Unrecovered Read Error";
    }
    char text[48];
    std::snprintf(text, sizeof text, "status %Xh/%02Xh", type, code);
    return text;
}

std::string NvmeFailureText(const NvmeResult& result)
{
    if (!result.answered) return "system error " + std::to_string(result.system_error);
    return NvmeStatusText(result.status);
}

} // namespace mrv
