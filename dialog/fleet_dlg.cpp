#include "fleet_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "catalog.h"
#include "resource.h"

namespace {

// The worker's messages to the dialog: model files read (lParam a CellsRead the dialog
// deletes), a model file of a run done (wParam its task, lParam a FleetResult the dialog
// deletes), and the worker's end, after its last file or a Stop.
constexpr UINT kCellsRead = WM_APP + 1;
constexpr UINT kTaskDone = WM_APP + 2;
constexpr UINT kWorkerDone = WM_APP + 3;

// The model files read since the last post: a post costs a round trip to the Wine server,
// about a third of what reading a model file costs, so they are posted a few at a time.
struct CellsRead {
    std::vector<std::pair<std::vector<std::size_t>, FleetCells>> files;
};
constexpr DWORD kCellsPostInterval = 30;  // milliseconds
constexpr DWORD kPaintInterval = 200;  // milliseconds: a drawing of the dialog costs about 20 under Wine

enum Column { kAircraft, kScale, kInstalled, kModel, kResult, kColumns };
const char* const kColumnNames[kColumns] = {"Aircraft", "Scale", "Installed", "Model", "Result"};
const int kColumnWidths[kColumns] = {130, 60, 60, 190, 130};

std::string CellText(const FleetRow& row, int column) {
    switch (column) {
        case kAircraft: return row.title;
        case kScale: return row.scale.Text();
        case kInstalled: return row.installed.Text();
        case kModel: return row.model;
        default: return row.result;
    }
}

// Scales by number, errors after every number, cells not read yet after them.
int CompareCells(const ScaleCell& a, const ScaleCell& b) {
    auto rank = [](const ScaleCell& cell) { return cell.read ? 0 : cell.pending ? 2 : 1; };
    if (rank(a) != rank(b)) return rank(a) - rank(b);
    return a.read ? a.scale - b.scale : 0;
}

struct SortOrder {
    const std::vector<FleetRow>* rows;
    int column;
    bool ascending;
};

int CALLBACK CompareRows(LPARAM left, LPARAM right, LPARAM order) {
    const SortOrder& sort = *reinterpret_cast<const SortOrder*>(order);
    const FleetRow& a = (*sort.rows)[static_cast<std::size_t>(left)];
    const FleetRow& b = (*sort.rows)[static_cast<std::size_t>(right)];
    int result = sort.column == kScale       ? CompareCells(a.scale, b.scale)
                 : sort.column == kInstalled ? CompareCells(a.installed, b.installed)
                                             : CompareFoldedText(CellText(a, sort.column).c_str(), CellText(b, sort.column).c_str());
    // Equal keys keep the rows' own order, whichever way the list is sorted.
    if (result == 0) return left < right ? -1 : (left > right ? 1 : 0);
    return sort.ascending ? result : -result;
}

}  // namespace

CFleetDlg::CFleetDlg(HWND parent)
    : CSizingDlg(IDD_FLEET_DIALOG, parent), m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
    AddSizingControl(IDC_FLEET_LIST, SIZING_SIZE_X | SIZING_SIZE_Y);
    AddSizingControl(IDC_FLEET_SCALE_LABEL, SIZING_MOVE_Y);
    AddSizingControl(IDC_FLEET_SCALE, SIZING_MOVE_Y);
    AddSizingControl(IDC_FLEET_SET, SIZING_MOVE_Y);
    AddSizingControl(IDC_FLEET_RESTORE, SIZING_MOVE_Y);
    AddSizingControl(IDCANCEL, SIZING_MOVE_X | SIZING_MOVE_Y);
    AddSizingControl(IDC_FLEET_PROGRESS, SIZING_SIZE_X | SIZING_MOVE_Y);
    AddSizingControl(IDC_FLEET_STATUS, SIZING_SIZE_X | SIZING_MOVE_Y);
}

HWND CFleetDlg::List() const { return GetDlgItem(IDC_FLEET_LIST); }

BOOL CFleetDlg::OnInitDialog() {
    CSizingDlg::OnInitDialog();
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    HWND list = List();
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < kColumns; ++column) {
        LVCOLUMNA header{};
        header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        header.pszText = const_cast<char*>(kColumnNames[column]);
        header.cx = kColumnWidths[column];
        header.iSubItem = column;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&header));
    }

    std::vector<char> folder(m_aircraftFolder.begin(), m_aircraftFolder.end());
    folder.resize(folder.size() + 1, '\0');
    if (!ReadFleet(folder.data(), m_rows))
        ShowMessage(MB_ICONHAND, "ERROR:%lx Cannot enumerate Aircraft containers.", GetLastError());
    // The list asks for its texts when it draws them: a run changes the rows only. It is
    // not drawn while it is filled: each item would update its scroll bar under Wine.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, m_rows.size(), 0);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = LPSTR_TEXTCALLBACKA;
        item.lParam = static_cast<LPARAM>(i);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SortBy(kAircraft, true);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    StartReading();
    SendMessageA(GetDlgItem(IDC_FLEET_SCALE), EM_LIMITTEXT, 259, 0);
    SetFocus(list);
    return FALSE;
}

// The rows are shown at once; their cells fill in as the worker reads the model files.
void CFleetDlg::StartReading() {
    m_modelPaths.clear();
    for (const FleetRow& row : m_rows) m_modelPaths.push_back(row.modelPath);
    m_cellsRead = 0;
    m_reading = true;
    SendMessageA(GetDlgItem(IDC_FLEET_PROGRESS), PBM_SETRANGE32, 0, static_cast<LPARAM>(m_rows.size()));
    ShowReading();
    EnableCommands();
    if (!StartWorker(&CFleetDlg::ReadWorker)) FinishReading();
}

DWORD WINAPI CFleetDlg::ReadWorker(void* dialog) {
    CFleetDlg& self = *static_cast<CFleetDlg*>(dialog);
#ifdef VORBIX_TEST_HOOKS
    // Tests slow the reading down to watch the dialog while it reads.
    char pause[16] = "";
    GetEnvironmentVariableA("VORBIXW_READ_PAUSE_MS", pause, sizeof pause);
    const DWORD pauseMs = static_cast<DWORD>(std::atoi(pause));
#endif
    auto read = std::make_unique<CellsRead>();
    DWORD lastPost = GetTickCount();
    auto post = [&] {
        if (!read->files.empty() && PostMessageA(self.m_hWnd, kCellsRead, 0, reinterpret_cast<LPARAM>(read.get())))
            read.release();
        read = std::make_unique<CellsRead>();
        lastPost = GetTickCount();
    };
    ReadFleetCells(self.m_modelPaths, self.m_stop, [&](const std::vector<std::size_t>& rows, const FleetCells& cells) {
#ifdef VORBIX_TEST_HOOKS
        Sleep(pauseMs);
#endif
        read->files.emplace_back(rows, cells);
        if (GetTickCount() - lastPost >= kCellsPostInterval) post();
    });
    post();
    PostMessageA(self.m_hWnd, kWorkerDone, 0, 0);
    return 0;
}

void CFleetDlg::OnCellsRead(const std::vector<std::size_t>& rows, const FleetCells& cells) {
    ShowFleetCells(rows, cells, m_rows);
    m_cellsRead += rows.size();
    if (GetTickCount() - m_lastPaint >= kPaintInterval) ShowReading();
}

void CFleetDlg::ShowReading() {
    SetStatus(FormatText("Reading scales: %d of %d", static_cast<int>(m_cellsRead), static_cast<int>(m_rows.size())));
    SendMessageA(GetDlgItem(IDC_FLEET_PROGRESS), PBM_SETPOS, m_cellsRead, 0);
    InvalidateRect(List(), nullptr, FALSE);
    m_lastPaint = GetTickCount();
}

void CFleetDlg::FinishReading() {
    m_reading = false;
    SendMessageA(GetDlgItem(IDC_FLEET_PROGRESS), PBM_SETPOS, 0, 0);
    SetStatus(FormatText("%d aircraft, %d model files", static_cast<int>(m_rows.size()), CountModelFiles(m_rows)));
    InvalidateRect(List(), nullptr, FALSE);
    EnableCommands();
}

bool CFleetDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (code == BN_CLICKED && (id == IDC_FLEET_SET || id == IDC_FLEET_RESTORE)) {
        if (!m_running && !m_reading) StartRun(id == IDC_FLEET_RESTORE);
        return true;
    }
    return CSizingDlg::OnCommand(id, code, control);
}

bool CFleetDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (OnWorkerMessage(message, wParam, lParam)) {
        result = 0;
        return true;
    }
    // Closed while the worker is under way: the file it works on is finished, and what it
    // did taken in.
    if (message == WM_DESTROY && m_worker != nullptr) {
        m_stop = true;
        WaitForWorker();
        // A WM_QUIT comes out of the queue whatever the filter: it is the outer loops' to
        // end on, and goes back in.
        std::optional<WPARAM> quit;
        for (MSG done; PeekMessageA(&done, m_hWnd, kCellsRead, kTaskDone, PM_REMOVE);) {
            if (done.message == WM_QUIT) quit = done.wParam;
            else OnWorkerMessage(done.message, done.wParam, done.lParam);
        }
        if (quit) PostQuitMessage(static_cast<int>(*quit));
    }
    return CSizingDlg::OnMessage(message, wParam, lParam, result);
}

bool CFleetDlg::OnWorkerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCellsRead) {
        std::unique_ptr<CellsRead> read(reinterpret_cast<CellsRead*>(lParam));
        for (const auto& [rows, cells] : read->files) OnCellsRead(rows, cells);
        // A list sorted by a column of cells stays sorted by it as they arrive; the selected
        // and the focused rows move with their items.
        if (m_sortColumn == kScale || m_sortColumn == kInstalled) SortBy(m_sortColumn, m_sortAscending);
    } else if (message == kTaskDone) {
        std::unique_ptr<FleetResult> done(reinterpret_cast<FleetResult*>(lParam));
        OnTaskDone(wParam, *done);
    } else if (message == kWorkerDone) {
        WaitForWorker();
        if (m_reading) FinishReading();
        else FinishRun();
        if (m_closing) CSizingDlg::OnCancel();
    } else {
        return false;
    }
    return true;
}

bool CFleetDlg::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->idFrom != IDC_FLEET_LIST) return false;
    result = 0;
    switch (header->code) {
        case LVN_GETDISPINFOA: {
            LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
            if ((item.mask & LVIF_TEXT) && item.cchTextMax > 0) {
                std::string text = CellText(m_rows[static_cast<std::size_t>(item.lParam)], item.iSubItem);
                lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
            }
            return true;
        }
        case LVN_ITEMCHANGED:
            EnableCommands();
            return true;
        case LVN_COLUMNCLICK: {
            int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
            SortBy(column, column == m_sortColumn ? !m_sortAscending : true);
            return true;
        }
        case LVN_KEYDOWN: {
            WORD key = reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey;
            if (GetKeyState(VK_CONTROL) >= 0) return false;
            if (key == 'A') {
                LVITEMA item{};
                item.stateMask = LVIS_SELECTED;
                item.state = LVIS_SELECTED;
                SendMessageA(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
            } else if (key == 'C') {
                CopySelection();
            }
            return true;
        }
        default:
            return false;
    }
}

void CFleetDlg::SortBy(int column, bool ascending) {
    m_sortColumn = column;
    m_sortAscending = ascending;
    SortOrder order{&m_rows, column, ascending};
    SendMessageA(List(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(&order), reinterpret_cast<LPARAM>(&CompareRows));
}

std::vector<std::size_t> CFleetDlg::SelectedRows() const {
    std::vector<std::size_t> rows;
    HWND list = List();
    for (int i = -1; (i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back(static_cast<std::size_t>(item.lParam));
    }
    return rows;
}

void CFleetDlg::CopySelection() {
    std::string text;
    for (std::size_t row : SelectedRows()) {
        for (int column = 0; column < kColumns; ++column)
            text += CellText(m_rows[row], column) + (column + 1 < kColumns ? "\t" : "\r\n");
    }
    if (!OpenClipboard(m_hWnd)) return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    char* copy = memory != nullptr ? static_cast<char*>(GlobalLock(memory)) : nullptr;
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (SetClipboardData(CF_TEXT, memory) == nullptr) GlobalFree(memory);
    }
    CloseClipboard();
}

void CFleetDlg::StartRun(bool restore) {
    if (!restore) {
        // Read as the main dialog's Update reads its scale.
        char text[260] = "";
        GetDlgItemTextA(m_hWnd, IDC_FLEET_SCALE, text, sizeof text);
        int scale = 0;
        if (std::sscanf(text, "%d", &scale) != 1 || scale < 0 || scale > 16) {
            ShowMessage(MB_ICONHAND, "ERROR:57 Invalid scale.\nPlease enter a value between 0 and 16.");
            HWND newScale = GetDlgItem(IDC_FLEET_SCALE);
            SetFocus(newScale);
            SendMessageA(newScale, EM_SETSEL, 0, -1);
            return;
        }
        m_newScale = static_cast<std::uint16_t>(scale);
    }
    std::vector<std::size_t> selected = SelectedRows();
    if (selected.empty()) return;
    m_restore = restore;
    for (FleetRow& row : m_rows) row.result.clear();
    m_tasks = PlanFleetRun(m_rows, selected, restore, m_newScale, &m_skipped);
    m_next = 0;
    m_updated = m_unchanged = m_failed = 0;
    m_stop = false;
    SendMessageA(GetDlgItem(IDC_FLEET_PROGRESS), PBM_SETRANGE32, 0, static_cast<LPARAM>(m_tasks.size()));
    ShowRunning(true);
    ShowProgress();
    if (!StartWorker(&CFleetDlg::RunWorker)) FinishRun();  // nothing done: every file "Not done"
}

// Takes the model files one after the other until the last or a Stop, and posts each
// result.
DWORD WINAPI CFleetDlg::RunWorker(void* dialog) {
    CFleetDlg& self = *static_cast<CFleetDlg*>(dialog);
#ifdef VORBIX_TEST_HOOKS
    // Tests slow a run down as they slow the reading.
    char pause[16] = "";
    GetEnvironmentVariableA("VORBIXW_READ_PAUSE_MS", pause, sizeof pause);
    const DWORD pauseMs = static_cast<DWORD>(std::atoi(pause));
#endif
    for (std::size_t i = 0; i < self.m_tasks.size() && !self.m_stop; ++i) {
#ifdef VORBIX_TEST_HOOKS
        Sleep(pauseMs);
#endif
        auto result = std::make_unique<FleetResult>(RunFleetTask(self.m_tasks[i]));
        if (PostMessageA(self.m_hWnd, kTaskDone, i, reinterpret_cast<LPARAM>(result.get()))) result.release();
    }
    PostMessageA(self.m_hWnd, kWorkerDone, 0, 0);
    return 0;
}

// The dialog waits for the worker before it goes, so its window outlives every post.
bool CFleetDlg::StartWorker(LPTHREAD_START_ROUTINE work) {
    m_stop = false;
    m_worker = CreateThread(nullptr, 0, work, this, 0, nullptr);
    return m_worker != nullptr;
}

void CFleetDlg::WaitForWorker() {
    if (m_worker == nullptr) return;
    WaitForSingleObject(m_worker, INFINITE);
    CloseHandle(m_worker);
    m_worker = nullptr;
}

void CFleetDlg::OnTaskDone(std::size_t index, const FleetResult& result) {
    const FleetTask& task = m_tasks[index];
    ShowFleetResult(task, result, m_rows);
    if (result.outcome == FleetOutcome::Updated || result.outcome == FleetOutcome::ReloadFailed)
        m_changedModels.insert(task.modelFile);
    FleetOutcome outcome = result.outcome;
    (outcome == FleetOutcome::Updated ? m_updated : outcome == FleetOutcome::Unchanged ? m_unchanged : m_failed)++;
    m_next = index + 1;
    if (GetTickCount() - m_lastPaint >= kPaintInterval) ShowProgress();
}

// The dialog shows how far the run has come a few times a second, not after every file: a
// drawing of the list costs more than a model file under Wine. The status names the file
// under way, or that the run stops.
void CFleetDlg::ShowProgress() {
    int of = static_cast<int>(m_tasks.size());
    int at = std::min(static_cast<int>(m_next) + 1, of);
    if (!m_stop)
        SetStatus(m_restore ? FormatText("Restoring: %d of %d", at, of) : FormatText("Setting scale %d: %d of %d", m_newScale, at, of));
    SendMessageA(GetDlgItem(IDC_FLEET_PROGRESS), PBM_SETPOS, m_next, 0);
    InvalidateRect(List(), nullptr, FALSE);
    m_lastPaint = GetTickCount();
}

void CFleetDlg::FinishRun() {
    int notDone = static_cast<int>(m_tasks.size() - m_next);
    for (std::size_t i = m_next; i < m_tasks.size(); ++i)
        for (std::size_t row : m_tasks[i].rows) m_rows[row].result = "Not done";
    std::string status = m_restore ? FormatText("Restored: %d updated, %d unchanged, %d failed", m_updated, m_unchanged, m_failed)
                                   : FormatText("Set %d: %d updated, %d unchanged, %d failed", m_newScale, m_updated,
                                                m_unchanged, m_failed);
    if (m_skipped != 0) status += FormatText(", %d skipped", m_skipped);
    if (notDone != 0) status += FormatText(", %d not done", notDone);
    SetStatus(status);
    SendMessageA(GetDlgItem(IDC_FLEET_PROGRESS), PBM_SETPOS, m_next, 0);
    ShowRunning(false);
}

void CFleetDlg::ShowRunning(bool running) {
    m_running = running;
    SetDlgItemTextA(m_hWnd, IDCANCEL, running ? "&Stop" : "&Close");
    // A disabled control keeps no focus, and with none a real Escape is lost: Stop has it
    // before the others are disabled, the list once they are enabled again.
    if (running) SetFocus(GetDlgItem(IDCANCEL));
    EnableWindow(List(), !running);
    EnableWindow(GetDlgItem(IDC_FLEET_SCALE), !running);
    EnableCommands();
    InvalidateRect(List(), nullptr, FALSE);
    if (!running) SetFocus(List());
}

void CFleetDlg::EnableCommands() {
    bool usable = !m_running && !m_reading && !m_closing && SendMessageA(List(), LVM_GETSELECTEDCOUNT, 0, 0) > 0;
    EnableWindow(GetDlgItem(IDC_FLEET_SET), usable);
    EnableWindow(GetDlgItem(IDC_FLEET_RESTORE), usable);
}

void CFleetDlg::SetStatus(const std::string& text) { SetDlgItemTextA(m_hWnd, IDC_FLEET_STATUS, text.c_str()); }

void CFleetDlg::OnOK() {
    // Enter in New Scale sets it; the dialog has no OK button to end it.
    if (!m_running && GetFocus() == GetDlgItem(IDC_FLEET_SCALE) && IsWindowEnabled(GetDlgItem(IDC_FLEET_SET)))
        StartRun(false);
}

void CFleetDlg::OnCancel() {
    // During a run, Stop, Escape and the close box stop it after the model file under way;
    // the dialog stays, to show what the run did. A second Stop adds nothing.
    if (m_running) {
        if (!m_stop) SetStatus("Stopping...");
        m_stop = true;
        return;
    }
    // Closed during the reading: the readers stop after the file under way, and the dialog
    // goes when they have, drawn and answering all the while. A second Close adds nothing.
    if (m_worker != nullptr) {
        if (m_closing) return;
        m_closing = true;
        m_stop = true;
        SetStatus("Stopping...");
        EnableWindow(List(), FALSE);
        EnableWindow(GetDlgItem(IDC_FLEET_SCALE), FALSE);
        EnableCommands();
        return;
    }
    CSizingDlg::OnCancel();
}
