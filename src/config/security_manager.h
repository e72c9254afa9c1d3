#pragma once
// The " Security manager " group: ATA passwords (Lock), unlocking and removing
// them (Unlock) and the security erase (Erase), in PIO mode through the task
// file and in API mode through ATA pass-through (a USB bridge, or a SATA port
// on Linux, where libata translates it).

#include "config/security_password.h"
#include "platform/ata_command.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace mrv
{

class ProgramImpl;
class DriveRoute;
class OsDevice;

class SecurityManager
{
  public:
    explicit SecurityManager(ProgramImpl& program);

    // Handlers of the group's controls.
    void LockBtnClick();
    void UnlockBtnClick();
    void PwdEraseBtnClick();
    void FilePwdBtnClick();
    void PwdTypeGrpClick();
    void EraseBeepChkClick();

    /// Fills the password block from the controls; true when it is ready.
    bool BuildPasswordBlock();
    /// Erase prepare and erase unit with the master password; true when the
    /// drive accepted the erase (it may still be erasing).
    bool StartSecurityErase();

    /// The target holds what the running system needs (root, a mounted file
    /// system, swap). Replaceable by the platform's own query.
    std::function<bool()> TargetIsSystemDisk;

    const SecurityBlock& Block() const { return block_; }
    /// Time-out of the pass-through SECURITY ERASE UNIT request: twice the
    /// drive's erase time, two hours when the drive gives none.
    static uint32_t EraseTimeoutSeconds(uint32_t erase_minutes);

  private:
    /// How this drive's security commands travel.
    enum class Path { Pio, PassThrough, None };
    Path CurrentPath() const;
    /// An API-mode ATA drive on a SATA port of a Linux system.
    bool SataPortOnLinux() const;
    bool Refresh();
    void Pause(uint32_t ms);
    bool SelectedMaster() const;
    AtaCommand SecurityCommand(uint8_t opcode);
    AtaResult Send(Path path, const AtaCommand& command);
    void LogRejected();
    void UnlockFailureStep(bool was_enabled);
    bool ConfirmSystemDisk();
    bool EraseThroughTaskFile();
    bool EraseThroughPassThrough();
    void EraseFailed(uint8_t code);
    // NVMe drives (nvme_erase.cpp).
    bool NvmeTarget() const;
    /// Says that an NVMe drive has no password security here; true when it did.
    bool RefuseNvmePasswords();
    /// "Erase" on an NVMe drive: Sanitize (block erase, else crypto erase)
    /// where the controller offers it, else Format NVM with user-data erase.
    void EraseNvme();
    /// Follows the sanitize status log until the operation ends; true when it completed.
    bool WaitForSanitize(OsDevice& device);

    ProgramImpl& p_;
    SecurityBlock block_{};
    /// Shared by Lock and Unlock: cleared while one of them runs.
    bool ready_ = true;
    bool erase_running_ = false;
    /// Keeps the wait after an erase going; "beep" switched off ends it.
    bool erase_wait_ = false;
    /// The erase sequence asked its questions; its own Lock clicks ask none.
    bool erase_confirmed_ = false;
    /// Where the file dialog found the last password file.
    std::filesystem::path password_folder_;
};

} // namespace mrv
