// The attribute table: ReadSmart from the drive or a SMART file, the test-status
// list, SMART files, and the table's own commands.

#include "app/program_impl.h"
#include "identify/identify_words.h"
#include "smart/smart.h"
#include "smart/smart_attribute_names.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace mrv
{

namespace
{

namespace fs = std::filesystem;

const form::Colour kPlaceholderGrey = form::colours::kGray;

enum SmartMenuItem { kMenuGet, kMenuOpen, kMenuCopy, kMenuReport, kMenuClear, kMenuPanel, kMenuBigSmall };

constexpr int kTestPanelHeight = 110;
constexpr int kPlaceholderRows = 16;

std::string SmartFileName(const std::string& model, const std::string& serial)
{
    return "SMART_" + SanitizeFileName(model + "_" + serial) + ".bin";
}

} // namespace

Smart::Smart(ProgramImpl& program) : p_(program), commands_(program)
{
    Wire();
}

void Smart::Wire()
{
    TFm& fm = p_.fm;
    fm.SmartBtn.OnClick = [this] { SmartBtnClick(); };
    fm.SmartOnBtn.OnClick = [this] { SmartOnBtnClick(); };
    fm.SmartOffBtn.OnClick = [this] { SmartOffBtnClick(); };
    fm.AutoSaveOnBtn.OnClick = [this] { AutoSaveOnBtnClick(); };
    fm.AutoSaveOffBtn.OnClick = [this] { AutoSaveOffBtnClick(); };
    fm.SmBeginBtn.OnClick = [this] { SmBeginBtnClick(); };
    fm.SmAbortBtn.OnClick = [this] { SmAbortBtnClick(); };
    fm.SmScanBox.OnChange = [this] { SmScanBoxChange(); };
    fm.SmTimerChk.OnClick = [this] { SmTimerChkClick(); };
    fm.SmartTimer.OnTimer = [this] { SmartTimerTimer(); };
    fm.SmartOpenBinBtn.OnClick = [this] { SmartOpenBinBtnClick(); };
    fm.SmartList.OnDblClick = [this] { SmartListDblClick(); };

    std::vector<std::string> kinds;
    for (const SelfTestKind& kind : kSelfTestKinds)
        kinds.push_back(kind.text);
    fm.SmScanBox.SetItems(kinds);
    fm.SmScanBox.SetItemIndex(0);

    auto& items = fm.SmartMenu.Items();
    items.clear();
    items.push_back({"Get S.M.A.R.T.   [ F9 ]", true, true, [this] { p_.fm.SmartBtn.Click(); }});
    items.push_back({"Open BIN file", true, true, [this] { SmartOpenBinBtnClick(); }});
    items.push_back({"Copy ALL to Clipboard", true, true, [this] { CopyAll(); }});
    items.push_back({"Save report...", true, true, [this] { p_.reports.SaveWithDialog(); }});
    items.push_back({"Clear screen", true, true, [this] { ClearScreen(); }});
    items.push_back({"Maximize panel", true, true, [this] { SmartListDblClick(); }});
    items.push_back({"Big/Small", true, true, [this] { BigSmall(); }});
    fm.SmartMenu.OnPopup = [this] {
        p_.fm.SmartMenu.Items()[kMenuPanel].caption =
            p_.fm.SmartTestPanel.Geometry().height <= 0 ? "Show smart-test panel" : "Maximize panel";
    };
    static_assert(kMenuGet == 0 && kMenuOpen == 1 && kMenuCopy == 2 && kMenuReport == 3 && kMenuClear == 4 &&
                  kMenuBigSmall == 6);

    p_.steps.ClearSmartDisplay = [this] {
        // The settings gave the panel its height; the list takes the rest.
        p_.fm.PlaceSmartTestPanel(p_.fm.SmartTestPanel.Geometry().height);
        FillSmartPlaceholder();
        p_.fm.SmartTestList.ClearRows();
    };
    ResetColumns();
}

void Smart::ResetColumns()
{
    TFm& fm = p_.fm;
    fm.SmartList.SetColumns({{"", 0, form::Align::Left},
                             {"ID ", 37, form::Align::Right},
                             {" Name", 166, form::Align::Left},
                             {"VAL", 43, form::Align::Centre},
                             {"Wrst ", 45, form::Align::Right},
                             {"Tresh", 45, form::Align::Right},
                             {"Raw         ", 91, form::Align::Right},
                             {"Health", 56, form::Align::Left},
                             {"", 0, form::Align::Left},
                             {"", 0, form::Align::Left}});
    fm.SmartTestList.SetColumns(
        {{"", 0, form::Align::Left},
         {"Parameters of SMART data collections tests / Status after tests:", 401, form::Align::Left},
         {"Value", 81, form::Align::Centre}});
    fm.SmartTestList.OnCustomDrawCell = [this](int row, int column) -> std::optional<form::Colour> {
        if (column == 2) return form::colours::kBlue;
        if (row >= 0 && static_cast<size_t>(row) < test_colours_.size())
            return test_colours_[static_cast<size_t>(row)];
        return form::colours::kNavy;
    };
}

void Smart::FillSmartPlaceholder()
{
    TFm& fm = p_.fm;
    ResetColumns();
    fm.SmartList.OnCustomDrawCell = nullptr;
    colours_.clear();
    fm.SmartList.SetFontColour(kPlaceholderGrey);
    fm.SmartList.ClearRows();
    for (int id = 1; id <= kPlaceholderRows; ++id) {
        fm.SmartList.AddRow({"", std::to_string(id), SmartAttributeName(static_cast<uint8_t>(id), 0), "0",
                             "0", "0", "0", "0", "*", "0"});
    }
}

// ---- ReadSmart -----------------------------------------------------------

int64_t Smart::ReadSmart(uint8_t attribute_id, bool from_file, const std::string& file_name)
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    constexpr int64_t kNoData = -126, kNoAttribute = -127;

    // A file is checked before the lists change, so that a bad one leaves them as they were.
    // The block decoded below. It is kept here rather than in the sector
    // buffer, which the window's messages may reuse while a later request waits.
    std::array<uint8_t, kSmartBlockSize> block{};
    if (from_file) {
        std::error_code ec;
        const fs::path path(file_name);
        // Only a regular file: a FIFO or device would block the window or never end.
        if (!fs::is_regular_file(path, ec)) {
            p_.LogLine("Error! Can't open file " + file_name, false, 4);
            return kNoData;
        }
        const auto size = fs::file_size(path, ec);
        if (ec) {
            p_.LogLine("Error! Can't open file " + file_name, false, 4);
            return kNoData;
        }
        if (size < kSmartBlockSize) {
            p_.LogLine("Error! Incorrect length of file", false, 4);
            return kNoData;
        }
        std::ifstream in(path, std::ios::binary);
        in.read(reinterpret_cast<char*>(block.data()), kSmartBlockSize);
        if (!in) {
            p_.LogLine("Error! Can't read file " + file_name, false, 4);
            return kNoData;
        }
    }

    // 1. The table's layout and drawing.
    ResetColumns();
    fm.SmartList.SetFontColour(form::colours::kNavy);
    fm.SmartList.OnCustomDrawCell = [this](int row, int column) -> std::optional<form::Colour> {
        if (row < 0 || static_cast<size_t>(row) >= colours_.size() || column < 0 ||
            column >= kSmartColumnCount)
            return std::nullopt;
        return colours_[static_cast<size_t>(row)][static_cast<size_t>(column)];
    };
    fm.SmartList.ClearRows();
    colours_.clear();
    int64_t result = kNoData;
    bool have_data = false;
    const bool ibm =
        fm.IbmSuperSmart.Checked() && fm.IbmSuperSmart.Enabled() &&
        (st.passport.ModelFamily == 2 || st.passport.ModelFamily == 7 || st.passport.ModelFamily == 13);
    bool ibm_applied = false;

    if (!from_file && NvmeDrive()) {
        // 2. From an NVMe drive: its logs fill both lists themselves.
        announced_ = !fm.SmTimerChk.Checked();
        return ReadNvmeSmart(attribute_id);
    }
    if (!from_file) {
        // 2. From the drive.
        // The timer's reads stay out of the log; their progress line is not
        // written, so nothing may replace it either.
        announced_ = !fm.SmTimerChk.Checked();
        if (announced_) p_.LogLine("Get S.M.A.R.T. command...", false, 1);
        for (size_t i = 0; i < 260; ++i)
            st.SectorBuffer.SetWord(i, 0);
        const SmartPath path = commands_.EnableForRead();
        if (path != SmartPath::None) {
            if (ibm) {
                commands_.IbmSuperSmart(true);
                ibm_applied = true;
            }
            if (commands_.ReadData(path, block.data())) {
                if (announced_) p_.LogLine("Get S.M.A.R.T. command... OK", true, 1);
                result = kNoAttribute;
                have_data = true;
                // A rejected threshold read leaves the previous thresholds in place.
                std::array<uint8_t, kSmartBlockSize> thresholds{};
                if (commands_.ReadThresholds(path, thresholds.data()))
                    std::copy(thresholds.begin(), thresholds.end(), st.AuxSectorBuffer.Bytes());
                if (fm.SmartSaveBinChk.Checked() && st.FilesWritable) SaveFile(block.data());
            } else {
                p_.LogLine("Get tresholds... Error!", false, 4);
            }
        }
    } else {
        // 3. From the file; the thresholds are those of the last read.
        have_data = true;
    }

    // 4. The attribute loop.
    if (have_data) {
        std::copy(block.begin(), block.end(), st.SectorBuffer.Bytes());
        const SmartTable table = DecodeSmartTable(st.SectorBuffer.Bytes(), st.AuxSectorBuffer.Bytes(),
                                                  st.passport.ModelFamily, attribute_id);
        for (const SmartRow& row : table.rows) {
            p_.ui.ProcessMessages();
            colours_.push_back(row.colours);
            fm.SmartList.AddRow(std::vector<std::string>(row.cells.begin(), row.cells.end()));
        }
        if (table.requested_raw) result = static_cast<int64_t>(*table.requested_raw);
    }

    // 5. The common end.
    if (ibm_applied) commands_.IbmSuperSmart(false);
    ShowTestStatus(have_data ? block.data() : st.SectorBuffer.Bytes());
    return result;
}

void Smart::ShowTestStatus(const uint8_t* data)
{
    TFm& fm = p_.fm;
    fm.SmartTestList.ClearRows();
    test_colours_.clear();
    for (const SmartTestRow& row : DecodeSmartTestRows(data)) {
        test_colours_.push_back(row.colour);
        fm.SmartTestList.AddRow({"", row.parameter, row.value});
    }
    fm.SmtMeter.SetPosition(SmartMeterPosition(data[363]));
}

void Smart::SaveFile(const uint8_t* block)
{
    const DrivePassport& d = p_.state.passport;
    const fs::path path = p_.LogsDir() / SmartFileName(d.Model, d.Serial);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(block), kSmartBlockSize);
    if (!out) p_.LogLine("Error! Can't write file " + path.string(), false, 4);
}

// ---- The table's commands ------------------------------------------------

void Smart::SmartOpenBinBtnClick()
{
    // A read of the drive runs (and lets messages through): one table at a time.
    if (!idle_) return;
    form::FileDialogRequest request;
    request.title = "Open BIN file of SMART";
    request.initial_dir = p_.LogsDir().string();
    request.filter = "BIN Files (*.bin)|*.bin|All Files (*.*)|*.*";
    request.filter_index = 1;
    std::optional<std::string> file = p_.dialogs.OpenFile(request);
    if (!file) return;
    const int64_t result = ReadSmart(194, true, *file);
    if (result != -126 && result != -127)
        p_.fm.SeekTmprtLed.SetCaption(std::to_string(static_cast<int16_t>(result & 0xFFFF)) + " \xC2\xB0"
                                                                                              "C");
}

void Smart::CopyAll()
{
    const form::ListView& list = p_.fm.SmartList;
    std::vector<std::array<std::string, kSmartColumnCount>> rows;
    for (int r = 0; r < list.RowCount(); ++r) {
        std::array<std::string, kSmartColumnCount> cells;
        for (int c = 0; c < kSmartColumnCount; ++c)
            cells[static_cast<size_t>(c)] = list.Cell(r, c);
        rows.push_back(cells);
    }
    const DrivePassport& d = p_.state.passport;
    p_.dialogs.SetClipboardText(SmartClipboardText(d.Model, d.Serial, rows));
}

void Smart::ClearScreen()
{
    TFm& fm = p_.fm;
    fm.SmartList.ClearRows();
    colours_.clear();
    fm.SmartTestList.ClearRows();
    fm.SmartLed.SetBrush(form::colours::kBlack);
    fm.SmrtStLabel.SetCaption("- - - -");
    fm.SmrtStLabel.SetTransparent(true);
    fm.SmrtStLabel.SetFontColour(form::colours::kGray);
}

void Smart::BigSmall()
{
    p_.fm.SmartList.SetCheckBoxes(!p_.fm.SmartList.CheckBoxes());
}

void Smart::SmartListDblClick()
{
    TFm& fm = p_.fm;
    fm.PlaceSmartTestPanel(fm.SmartTestPanel.Geometry().height > 0 ? 0 : kTestPanelHeight);
}

} // namespace mrv
