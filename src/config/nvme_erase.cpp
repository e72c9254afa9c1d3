// The security manager on an NVMe drive: no password security, and "Erase"
// by Sanitize or Format NVM behind the same confirmations as the ATA erase.

#include "app/program_impl.h"
#include "config/security_manager.h"
#include "drive/nvme_admin.h"
#include "smart/nvme_logs.h"

#include <vector>

namespace mrv
{

namespace
{

struct EraseMethod {
    enum Kind { Sanitize, Format } kind;
    uint8_t code; ///< the sanitize action or the format's secure-erase setting
    const char* name;
};

/// What the controller offers, best first: a block erase empties the cells
/// themselves, a crypto erase only throws the key away.
std::vector<EraseMethod> EraseMethodsOf(const NvmeController& c)
{
    std::vector<EraseMethod> methods;
    if (c.SanitizeBlock())
        methods.push_back({EraseMethod::Sanitize, nvme::kSanitizeBlockErase, "sanitize (block erase)"});
    if (c.SanitizeCrypto())
        methods.push_back({EraseMethod::Sanitize, nvme::kSanitizeCryptoErase, "sanitize (crypto erase)"});
    if (c.FormatSupported())
        methods.push_back({EraseMethod::Format, nvme::kFormatUserDataErase, "Format NVM (user data erase)"});
    return methods;
}

// Between two readings of the sanitize status log.
constexpr uint32_t kSanitizePollMs = 1000;

} // namespace

bool SecurityManager::NvmeTarget() const
{
    return p_.state.passport.Nvme && p_.state.access_mode == AccessMode::Api;
}

bool SecurityManager::RefuseNvmePasswords()
{
    if (!NvmeTarget()) return false;
    p_.LogLine(
        "NVMe drive: password security (Lock/Unlock) is not offered; Erase works by sanitize or format",
        kNewLine, kLogError);
    return true;
}

void SecurityManager::EraseNvme()
{
    TFm& fm = p_.fm;
    const std::optional<NvmeController>& controller = p_.passport.Nvme();
    const std::vector<EraseMethod> methods =
        controller ? EraseMethodsOf(*controller) : std::vector<EraseMethod>{};
    if (methods.empty()) {
        p_.LogLine("This NVMe drive offers neither sanitize nor format: it cannot be erased", kNewLine,
                   kLogError);
        return;
    }
    if (!p_.dialogs.AskYesNo("Warning", "Security erase! User data will be lost!") || !ConfirmSystemDisk())
        return;

    bool done = false;
    p_.ops.SuspendTestThreads();
    std::unique_ptr<OsDevice> device = p_.api.OpenCurrentDevice(true);
    if (device) {
        for (const EraseMethod& method : methods) {
            p_.LogLine(std::string("Starting security ERASE: ") + method.name, kNewLine, kLogInfo);
            const NvmeAdminCommand command =
                method.kind == EraseMethod::Sanitize
                    ? NvmeSanitizeCommand(method.code)
                    : NvmeFormatCommand(p_.passport.NvmeFormatInUse(), method.code);
            const NvmeResult result = SendNvmeAdmin(*device, command);
            if (!result.Ok()) {
                p_.LogLine(std::string("NVMe ") + method.name + " refused: " + NvmeFailureText(result),
                           kNewLine, kLogError);
                // A refused command changed nothing: the next method may do.
                continue;
            }
            done = method.kind == EraseMethod::Format || WaitForSanitize(*device);
            break;
        }
    }
    device.reset();
    p_.ops.ResumeTestThreads();
    if (fm.EraseBeepChk.Checked()) p_.ops.BellSignal();
    fm.EraseBeepChk.SetChecked(false);
    if (done) p_.LogLine("Security ERASE done", kNewLine, kLogInfo);
    Refresh();
}

bool SecurityManager::WaitForSanitize(OsDevice& device)
{
    erase_wait_ = true;
    int shown = -1;
    while (true) {
        std::array<uint8_t, kNvmeSanitizeLogSize> log{};
        const NvmeResult read =
            SendNvmeAdmin(device, NvmeLogPageCommand(nvme::kLogSanitize, log.data(), log.size(), true));
        if (!read.Ok()) {
            p_.LogLine("Sanitize status unknown: " + NvmeFailureText(read), kNewLine, kLogError);
            return false;
        }
        const NvmeSanitizeStatus status = DecodeNvmeSanitizeStatus(log.data());
        if (!status.InProgress()) {
            if (status.state == 1 || status.state == 4) return true;
            p_.LogLine("Sanitize failed!", kNewLine, kLogError);
            return false;
        }
        if (status.Percent() != shown) {
            p_.LogLine("Sanitize: " + std::to_string(status.Percent()) + " %", shown >= 0, kLogInfo);
            shown = status.Percent();
        }
        p_.ui.ProcessMessages();
        if (!erase_wait_) {
            // The drive goes on by itself; it refuses reads and writes until it has finished.
            p_.LogLine("Sanitize goes on in the drive; it takes no reads or writes until it ends", kNewLine,
                       kLogNotice);
            return false;
        }
        Pause(kSanitizePollMs);
    }
}

} // namespace mrv
