#include "config/security_manager.h"

#include "app/program_impl.h"
#include "util/cp1251.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

namespace mrv
{

namespace
{

constexpr uint8_t kSetPassword = 0xF1;
constexpr uint8_t kUnlock = 0xF2;
constexpr uint8_t kErasePrepare = 0xF3;
constexpr uint8_t kEraseUnit = 0xF4;
constexpr uint8_t kDisablePassword = 0xF6;

constexpr int kMaster = 0; // PwdTypeGrp items: "Master", "User"
constexpr int kUser = 1;
constexpr int kMax = 1; // PwdLevGrp items: "High", "Max"

constexpr const char* kWarningCaption = "Warning";
constexpr const char* kLockWarning =
    "Вы собираетесь установить аппаратный пароль на накопитель! В случае утери пароля Вы потеряете доступ к "
    "хранимой на нём информации. При нажатии 'No' - пароль не будет установлен.\r\n\r\nYou want to set a "
    "hardware password to drive! If you lose this password, you will lose access to the information stored "
    "on "
    "it. If you click \"No\", the password will not be set.";
constexpr const char* kSystemDiskQuestion = "!!! SYSTEM DISK ERASING !!!";
/// The erase password the erase sequence sets and erases with.
constexpr const char* kErasePassword = "zqpk";

std::string EraseTimeText(uint32_t minutes)
{
    return minutes == 0 ? ", unknown time" : ", ~" + std::to_string(minutes) + " min.";
}

/// Restores what the erase sequence changed in the controls, however it ends.
class SavedPasswordControls
{
  public:
    explicit SavedPasswordControls(TFm& fm)
        : fm_(fm), text_(fm.PwdEdit.Text()), type_(fm.PwdTypeGrp.ItemIndex()),
          level_(fm.PwdLevGrp.ItemIndex())
    {
    }
    ~SavedPasswordControls()
    {
        fm_.PwdTypeGrp.SetItemIndex(type_);
        fm_.PwdLevGrp.SetItemIndex(level_);
        fm_.PwdEdit.SetText(text_);
    }
    SavedPasswordControls(const SavedPasswordControls&) = delete;
    SavedPasswordControls& operator=(const SavedPasswordControls&) = delete;

  private:
    TFm& fm_;
    std::string text_;
    int type_;
    int level_;
};

} // namespace

SecurityManager::SecurityManager(ProgramImpl& program) : p_(program)
{
    TFm& fm = p_.fm;
    fm.LockBtn.OnClick = [this] { LockBtnClick(); };
    fm.UnlockBtn.OnClick = [this] { UnlockBtnClick(); };
    fm.PwdEraseBtn.OnClick = [this] { PwdEraseBtnClick(); };
    fm.FilePwdBtn.OnClick = [this] { FilePwdBtnClick(); };
    fm.PwdTypeGrp.OnClick = [this] { PwdTypeGrpClick(); };
    fm.EraseBeepChk.OnClick = [this] { EraseBeepChkClick(); };
    PwdTypeGrpClick();
    TargetIsSystemDisk = [this] { return p_.ops.TargetIsSystemDisk(); };
}

uint32_t SecurityManager::EraseTimeoutSeconds(uint32_t erase_minutes)
{
    const uint32_t minutes = erase_minutes == 0 ? 120 : 2 * erase_minutes;
    return minutes * 60;
}

// ---- Helpers ---------------------------------------------------------------

bool SecurityManager::SataPortOnLinux() const
{
    const DrivePassport& d = p_.state.passport;
    return p_.state.access_mode == AccessMode::Api && !d.UsbBridge && !d.NonAta &&
           !p_.platform.system.KernelName().empty();
}

SecurityManager::Path SecurityManager::CurrentPath() const
{
    if (p_.state.access_mode == AccessMode::Pio) return Path::Pio;
    if (p_.state.passport.UsbBridge || SataPortOnLinux()) return Path::PassThrough;
    return Path::None;
}

bool SecurityManager::Refresh()
{
    return p_.passport.TakePassport(true, true);
}

void SecurityManager::Pause(uint32_t ms)
{
    p_.ops.SleepWithMessages(ms);
}

bool SecurityManager::SelectedMaster() const
{
    return p_.fm.PwdTypeGrp.ItemIndex() == kMaster;
}

AtaCommand SecurityManager::SecurityCommand(uint8_t opcode)
{
    // The drive ignores the count; pass-through needs it to size the data-out transfer.
    return AtaCommand::PioOut({.count = 1, .device = 0xA0, .command = opcode}, block_.data(), block_.size());
}

AtaResult SecurityManager::Send(Path path, const AtaCommand& command)
{
    if (path == Path::Pio) {
        const AtaResult result = p_.routes.pio.Execute(command);
        // A drive left busy or waiting for data would block the next command.
        if (result.timed_out) p_.pio.SoftReset();
        return result;
    }
    AtaCommand sat = command;
    sat.want_registers = true;
    return p_.routes.sat.Execute(sat);
}

void SecurityManager::LogRejected()
{
    if (p_.state.passport.SecurityFrozen)
        p_.LogLine("Pwd error: drive FROZEN!", kNewLine, kLogError);
    else
        p_.LogLine("Drive response: Error.", kNewLine, kLogError);
}

bool SecurityManager::ConfirmSystemDisk()
{
    if (!TargetIsSystemDisk || !TargetIsSystemDisk()) return true;
    return p_.dialogs.AskYesNo(kWarningCaption, kSystemDiskQuestion);
}

// ---- Password block --------------------------------------------------------

bool SecurityManager::BuildPasswordBlock()
{
    TFm& fm = p_.fm;
    const bool master = SelectedMaster();
    // The level is read even for a master password (the group is disabled then).
    const bool level_max = fm.PwdLevGrp.ItemIndex() == kMax;
    const uint16_t control = SecurityControlWord(master, level_max);
    const std::string type_text = SecurityTypeText(master, level_max);
    const std::string text = fm.PwdEdit.Text();

    if (NamesPasswordFile(text)) {
        const std::string name = text.substr(std::char_traits<char>::length(kPasswordFilePrefix));
        // A bare name is looked for where the file dialog found the last one.
        std::filesystem::path path(name);
        if (path.is_relative() && !password_folder_.empty()) path = password_folder_ / path;
        std::string password;
        switch (ReadPasswordFile(path, password)) {
        case PasswordFileStatus::OpenError:
            p_.LogLine("File error!", kNewLine, kLogError);
            return false;
        case PasswordFileStatus::TooShort:
            p_.LogLine("File has incorrect length!", kNewLine, kLogError);
            return false;
        case PasswordFileStatus::Ok:
            break;
        }
        block_ = MakeSecurityBlock(control, password);
        // The edit keeps the bare name from now on: remember where it is.
        password_folder_ = std::filesystem::absolute(path).parent_path();
        fm.PwdEdit.SetText(kPasswordFilePrefix + path.filename().string());
        p_.LogLine("Send password from file: " + name + type_text, kReplaceLast, kLogInfo);
        return true;
    }
    // Drives locked under Windows hold Cyrillic passwords as CP1251 bytes.
    block_ = MakeSecurityBlock(control, Utf8ToCp1251(text));
    p_.LogLine("Send password: \"" + text + "\"" + type_text, kReplaceLast, kLogInfo);
    return true;
}

// ---- Lock ------------------------------------------------------------------

void SecurityManager::LockBtnClick()
{
    if (!ready_ || RefuseNvmePasswords()) return;
    ready_ = false;
    p_.ops.ResetBreakState();
    p_.ops.SuspendTestThreads();
    if (Refresh()) {
        p_.ui.ProcessMessages();
        Pause(500);
        const Path path = CurrentPath();
        if (path == Path::Pio) {
            if (!BuildPasswordBlock()) {
                Refresh();
                Pause(500);
                p_.LogLine("Password not send!", kNewLine, kLogError);
            } else {
                const AtaResult r = Send(path, SecurityCommand(kSetPassword));
                if (r.Ok()) {
                    p_.LogLine("Password sended to drive.", kNewLine, kLogNotice);
                    Refresh();
                    Pause(500);
                } else if (r.timed_out) {
                    // A drive that stays busy or gives no data request: nothing to say.
                } else if (r.transferred == 0) {
                    LogRejected();
                    Refresh();
                    Pause(500);
                } else {
                    p_.LogLine("Error after PWD", kNewLine, kLogError);
                }
            }
        } else if (path == Path::PassThrough) {
            const bool confirmed = erase_confirmed_ || (p_.dialogs.AskYesNo(kWarningCaption, kLockWarning) &&
                                                        ConfirmSystemDisk());
            if (confirmed) {
                if (!BuildPasswordBlock()) {
                    p_.LogLine("Password not send!", kNewLine, kLogError);
                } else {
                    if (Send(path, SecurityCommand(kSetPassword)).Ok())
                        p_.LogLine("Password sended to drive.", kNewLine, kLogNotice);
                    else
                        LogRejected();
                    Refresh();
                    p_.ui.ProcessMessages();
                    Pause(500);
                }
            }
        }
    }
    p_.ops.ResumeTestThreads();
    ready_ = true;
}

// ---- Unlock ----------------------------------------------------------------

void SecurityManager::UnlockFailureStep(bool was_enabled)
{
    // The drive's state after the failure tells why: the attempt that failed
    // may just have used up the counter.
    Refresh();
    const DrivePassport& d = p_.state.passport;
    if (d.SecurityExpired)
        p_.LogLine("Error after DISPWD: attempts EXPIRED", kNewLine, kLogError);
    else if (d.SecurityFrozen)
        p_.LogLine("Error after DISPWD: drive FROZEN", kNewLine, kLogError);
    else
        p_.LogLine("Error after DISPWD", kNewLine, kLogError);
    if (was_enabled && !d.SecurityEnabled && d.UsbBridge && !d.NonAta && p_.fm.RussianChk.Checked())
        p_.LogLine("Странно, накопителем была выдана ошибка, но пароля больше нет", kNewLine, kLogNotice);
    p_.ui.ProcessMessages();
    Pause(500);
}

void SecurityManager::UnlockBtnClick()
{
    if (!ready_ || RefuseNvmePasswords()) return;
    ready_ = false;
    p_.ops.ResetBreakState();
    p_.ops.SuspendTestThreads();
    if (Refresh()) {
        p_.ui.ProcessMessages();
        Pause(300);
        const bool was_enabled = p_.state.passport.SecurityEnabled;
        const Path path = CurrentPath();
        if (p_.state.passport.SecurityLevelMax && SelectedMaster()) {
            // At level maximum the master password only erases.
            if (p_.dialogs.AskYesNo(kWarningCaption,
                                    "Security level = MAXIMUM\r\nNeed security erase. User data "
                                    "will be lost!"))
                StartSecurityErase();
        } else {
            p_.LogLine("Unlocking HDD", kNewLine, kLogInfo);
            if (path == Path::Pio) {
                auto not_built = [&] {
                    Refresh();
                    p_.LogLine("Password not send!", kNewLine, kLogError);
                };
                if (!BuildPasswordBlock()) {
                    not_built();
                } else if (!Send(path, SecurityCommand(kUnlock)).Ok()) {
                    UnlockFailureStep(was_enabled);
                } else {
                    p_.LogLine("Unlock complete.", kNewLine, kLogNotice);
                    p_.LogLine("Disable Password", kNewLine, kLogInfo);
                    if (!BuildPasswordBlock()) {
                        not_built();
                    } else if (!Send(path, SecurityCommand(kDisablePassword)).Ok()) {
                        UnlockFailureStep(was_enabled);
                    } else {
                        p_.LogLine("PWD removing complete.", kReplaceLast, kLogNotice);
                        Refresh();
                    }
                }
            } else if (path == Path::PassThrough) {
                if (!BuildPasswordBlock()) {
                    p_.LogLine("Password not send!", kNewLine, kLogError);
                } else {
                    // A drive that is not locked refuses nothing here; go on to the disable either way.
                    if (Send(path, SecurityCommand(kUnlock)).Ok())
                        p_.LogLine("Unlock complete", kNewLine, kLogNotice);
                    else
                        LogRejected();
                    p_.LogLine("Disable Password", kNewLine, kLogInfo);
                    if (Send(path, SecurityCommand(kDisablePassword)).Ok()) {
                        p_.LogLine("PWD removing complete", kReplaceLast, kLogNotice);
                        Refresh();
                        p_.ui.ProcessMessages();
                        Pause(300);
                    } else {
                        UnlockFailureStep(was_enabled);
                    }
                }
            } else {
                UnlockFailureStep(was_enabled);
            }
        }
    }
    p_.ops.ResumeTestThreads();
    ready_ = true;
}

// ---- Security erase --------------------------------------------------------

void SecurityManager::EraseFailed(uint8_t code)
{
    p_.LogLine("Error after DISPWD," + TaskFile::DescribeAtaError(code), kNewLine, kLogError);
}

bool SecurityManager::StartSecurityErase()
{
    if (!SelectedMaster()) {
        p_.LogLine("Need MASTER password!", kNewLine, kLogError);
        return false;
    }
    if (p_.passport.ReadPassport(false, {}) < 0) return false;
    if (!p_.state.passport.SecurityLevelMax) {
        p_.LogLine("Need MAX security level of HDD!", kNewLine, kLogError);
        return false;
    }
    switch (CurrentPath()) {
    case Path::Pio:
        p_.LogLine("HDD Erase Prepare", kNewLine, kLogInfo);
        return EraseThroughTaskFile();
    case Path::PassThrough:
        if (SataPortOnLinux()) {
            p_.LogLine("HDD Erase Prepare", kNewLine, kLogInfo);
            return EraseThroughPassThrough();
        }
        break;
    case Path::None:
        break;
    }
    p_.LogLine("Sorry... Security Erase disabled on USB-mode!", kNewLine, kLogNone);
    return false;
}

bool SecurityManager::EraseThroughTaskFile()
{
    AtaPio& pio = p_.pio;
    const AtaResult prepare =
        p_.routes.pio.Execute(AtaCommand::NonData({.device = 0xA0, .command = kErasePrepare}));
    if (!prepare.Ok()) {
        EraseFailed(0);
        return false;
    }
    // The erase starts when the block has gone in: the task file is driven
    // step by step so that nothing waits for the end of the erase.
    if (pio.WaitNotBusy() == -1) {
        EraseFailed(0);
        return false;
    }
    pio.LoadTaskFile(SecurityCommand(kEraseUnit));
    if (pio.WaitNotBusy() == -1) {
        EraseFailed(0);
        return false;
    }
    const AtaResult started = pio.ReadOutputRegisters(false);
    if ((started.status & ata_bits::kErr) != 0) {
        EraseFailed(started.error);
        return false;
    }
    if (!pio.WaitDataRequest()) {
        EraseFailed(0);
        return false;
    }
    if (!BuildPasswordBlock()) {
        p_.LogLine("Password not send!", kNewLine, kLogError);
        pio.SoftReset();
        Refresh();
        return false;
    }
    pio.WriteDataBlock(block_.data());
    Pause(3000);
    const uint8_t code = pio.ReadErrorRegister();
    if (code == 0 && pio.IsDriveBusy()) {
        p_.LogLine("Starting security ERASE" + EraseTimeText(p_.state.passport.EraseMinutes), kNewLine,
                   kLogInfo);
        return true;
    }
    EraseFailed(code);
    return false;
}

bool SecurityManager::EraseThroughPassThrough()
{
    const AtaResult prepare =
        Send(Path::PassThrough, AtaCommand::NonData({.device = 0xA0, .command = kErasePrepare}));
    if (!prepare.Ok()) {
        EraseFailed(TaskFile::ErrorCodeOf(prepare));
        return false;
    }
    if (!BuildPasswordBlock()) {
        p_.LogLine("Password not send!", kNewLine, kLogError);
        Refresh();
        return false;
    }
    const uint32_t minutes = p_.state.passport.EraseMinutes;
    p_.LogLine("Starting security ERASE" + EraseTimeText(minutes), kNewLine, kLogInfo);
    AtaCommand erase = SecurityCommand(kEraseUnit);
    erase.want_registers = true;
    erase.timeout_seconds = EraseTimeoutSeconds(minutes);
    // The request returns when the erase ends: it runs on its own thread while
    // the window goes on; it cannot be called back once sent.
    std::atomic<bool> done{false};
    AtaResult result;
    std::thread request([&] {
        result = p_.routes.sat.Execute(erase);
        done = true;
    });
    while (!done) {
        Pause(200);
        p_.ui.ProcessMessages();
    }
    request.join();
    if (!result.Ok()) {
        EraseFailed(TaskFile::ErrorCodeOf(result));
        return false;
    }
    return true;
}

void SecurityManager::PwdEraseBtnClick()
{
    // The wait below lets clicks in: a second erase must not start inside it.
    if (erase_running_) return;
    erase_running_ = true;
    TFm& fm = p_.fm;
    p_.ops.ResetBreakState();
    if (!Refresh()) {
        erase_running_ = false;
        return;
    }
    const DrivePassport& d = p_.state.passport;
    const bool pio = p_.state.access_mode == AccessMode::Pio;
    if (NvmeTarget()) {
        EraseNvme();
    } else if (d.SecurityFrozen) {
        p_.LogLine("Drive FROZEN! Restart HDD!", kNewLine, kLogError);
    } else if (!pio && !SataPortOnLinux()) {
        p_.LogLine("Sorry... Security Erase disabled on USB-mode!", kNewLine, kLogNone);
    } else if (p_.dialogs.AskYesNo(kWarningCaption, "Security erase! User data will be lost!") &&
               ConfirmSystemDisk()) {
        bool started = false;
        {
            SavedPasswordControls saved(fm);
            erase_confirmed_ = true;
            fm.PwdEdit.SetText(kErasePassword);
            fm.PwdTypeGrp.SetItemIndex(kMaster);
            p_.ui.ProcessMessages();
            fm.LockBtn.Click();
            Pause(1000);
            fm.PwdTypeGrp.SetItemIndex(kUser);
            fm.PwdLevGrp.SetItemIndex(kMax);
            fm.LockBtn.Click();
            Pause(1000);
            erase_confirmed_ = false;
            fm.PwdTypeGrp.SetItemIndex(kMaster);
            p_.ops.SuspendTestThreads();
            started = StartSecurityErase();
            p_.ops.ResumeTestThreads();
        }
        // A pass-through erase has ended when its request returned.
        auto busy = [&] { return pio && p_.pio.IsDriveBusy(); };
        if (fm.EraseBeepChk.Checked()) erase_wait_ = true;
        while (busy() && erase_wait_) {
            Pause(200);
            p_.ui.ProcessMessages();
        }
        if (fm.EraseBeepChk.Checked()) p_.ops.BellSignal();
        fm.EraseBeepChk.SetChecked(false);
        // Only an erase that started and ended is reported done.
        if (started && !busy()) p_.LogLine("Security ERASE done", kNewLine, kLogInfo);
    }
    erase_running_ = false;
}

// ---- Small controls --------------------------------------------------------

void SecurityManager::FilePwdBtnClick()
{
    form::FileDialogRequest request;
    request.title = "Open password file";
    request.initial_dir = p_.LogsDir().string();
    request.filter =
        "BIN Files (*.bin)|*.bin|SMART Files (*.smt)|*.smt|Text Files (*.txt)|*.txt|Log Files "
        "(*.log)|*.log|HTML Files (*.htm)|*.htm|All Files (*.*)|*.*|Master boot record (*.mbr)|*.mbr";
    request.filter_index = 7;
    std::optional<std::string> file = p_.dialogs.OpenFile(request);
    if (!file) return;
    std::string password;
    switch (ReadPasswordFile(*file, password)) {
    case PasswordFileStatus::OpenError:
        p_.LogLine("Open file: " + *file + " - Error", kReplaceLast, kLogError);
        return;
    case PasswordFileStatus::TooShort:
        p_.LogLine("File has incorrect length!", kNewLine, kLogError);
        return;
    case PasswordFileStatus::Ok:
        break;
    }
    p_.LogLine("Open file: " + *file, kNewLine, kLogInfo);
    // The edit keeps the bare name; its folder is remembered so that the name
    // resolves when the password is sent.
    const std::filesystem::path path(*file);
    password_folder_ = path.parent_path();
    p_.fm.PwdEdit.SetText(kPasswordFilePrefix + path.filename().string());
}

void SecurityManager::PwdTypeGrpClick()
{
    p_.fm.PwdLevGrp.SetEnabled(p_.fm.PwdTypeGrp.ItemIndex() == kUser);
}

void SecurityManager::EraseBeepChkClick()
{
    erase_wait_ = p_.fm.EraseBeepChk.Checked();
}

} // namespace mrv
