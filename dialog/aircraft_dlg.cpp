#include "aircraft_dlg.h"

#include <cstdio>
#include <cstring>

#include "resource.h"

namespace {
constexpr unsigned kInvalidParameter = ERROR_INVALID_PARAMETER;
}

CAircraftDlg::CAircraftDlg(HWND parent)
    : CSizingDlg(IDD_AIRCRAFT_DIALOG, parent),
      m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
    AddSizingControl(IDC_AIRCRAFT_LIST, SIZING_SIZE_X | SIZING_SIZE_Y);
    AddSizingControl(IDC_AIRCRAFT_NAME, SIZING_SIZE_X | SIZING_MOVE_Y);
    AddSizingControl(IDC_AIRCRAFT_NAME_LABEL, SIZING_MOVE_Y);
    AddSizingControl(IDC_AIRCRAFT_MDL, SIZING_SIZE_X | SIZING_MOVE_Y);
    AddSizingControl(IDC_AIRCRAFT_MDL_LABEL, SIZING_MOVE_Y);
    AddSizingControl(IDOK, SIZING_MOVE_X | SIZING_MOVE_Y);
    AddSizingControl(IDCANCEL, SIZING_MOVE_X | SIZING_MOVE_Y);
}

BOOL CAircraftDlg::OnInitDialog() {
    CSizingDlg::OnInitDialog();
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    std::memset(&m_entry, 0, sizeof m_entry);
    ReleaseAircraftCatalog();
    HWND list = GetDlgItem(IDC_AIRCRAFT_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SetDlgItemTextA(m_hWnd, IDC_AIRCRAFT_MDL, "");

    if (!EnumerateAircraftContainers(m_aircraftFolder))
        ShowMessage(MB_ICONHAND, "ERROR:%lx Cannot enumerate Aircraft containers.", GetLastError());
    // Filled in catalogue order; each item carries its catalogue index.
    for (int i = 0; i < g_aircraftCatalog.count; ++i) {
        const AircraftEntry* entry = g_aircraftCatalog.entries[i];
        if (entry->title[0] == '\0') continue;
        LRESULT item = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry->title));
        SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), i);
    }

    m_toolTip.Create(m_hWnd, 0);
    m_toolTip.AddTool(list, LPSTR_TEXTCALLBACKA);
    m_toolTip.AddTool(GetDlgItem(IDC_AIRCRAFT_NAME), "Aircraft container to open");
    m_toolTip.AddTool(GetDlgItem(IDCANCEL), "Cancel without opening an aircraft container");
    m_toolTip.AddTool(GetDlgItem(IDOK), "Open the aircraft container");
    m_toolTip.Activate(true);
    return TRUE;
}

BOOL CAircraftDlg::PreTranslateMessage(MSG* message) {
    m_toolTip.RelayEvent(message);
    return CSizingDlg::PreTranslateMessage(message);
}

bool CAircraftDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_AIRCRAFT_LIST && code == LBN_SELCHANGE) {
        OnSelchangeAircraftList();
        return true;
    }
    if (id == IDC_AIRCRAFT_NAME && code == EN_CHANGE) {
        OnChangeAircraftName();
        return true;
    }
    if ((id == IDOK && code == BN_CLICKED) || (id == IDC_AIRCRAFT_LIST && code == LBN_DBLCLK)) {
        OnOpenSelected();
        return true;
    }
    return CSizingDlg::OnCommand(id, code, control);
}

void CAircraftDlg::OnSelchangeAircraftList() {
    HWND list = GetDlgItem(IDC_AIRCRAFT_LIST);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return;
    LRESULT index = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    if (InCatalog(index)) ShowEntryDetails(static_cast<int>(index));
}

void CAircraftDlg::ShowEntryDetails(int index) {
    if (!InCatalog(index)) {
        SetDlgItemTextA(m_hWnd, IDC_AIRCRAFT_NAME, "");
        SetDlgItemTextA(m_hWnd, IDC_AIRCRAFT_MDL, "");
        return;
    }
    const AircraftEntry* entry = g_aircraftCatalog.entries[index];
    // The clicked item stays selected: a title equal to an earlier one but for letter case
    // would otherwise move the selection there, away from the path shown.
    m_showingEntry = true;
    SetDlgItemTextA(m_hWnd, IDC_AIRCRAFT_NAME, entry->title);
    m_showingEntry = false;
    char shortPath[260];
    std::snprintf(shortPath, sizeof shortPath, "%s%s", entry->containerName, entry->modelPath);
    SetDlgItemTextA(m_hWnd, IDC_AIRCRAFT_MDL, shortPath);
}

void CAircraftDlg::OnChangeAircraftName() {
    if (m_showingEntry) return;
    char typed[261];
    *reinterpret_cast<WORD*>(typed) = 260;  // EM_GETLINE reads the buffer's size from its first word
    LRESULT length = SendMessageA(GetDlgItem(IDC_AIRCRAFT_NAME), EM_GETLINE, 0, reinterpret_cast<LPARAM>(typed));
    typed[length] = '\0';
    // The first title that begins with the text, in any letter case; no match keeps the
    // selection. Neither the name nor the path changes.
    SendMessageA(GetDlgItem(IDC_AIRCRAFT_LIST), LB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(typed));
}

void CAircraftDlg::OnOpenSelected() {
    HWND list = GetDlgItem(IDC_AIRCRAFT_LIST);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        ShowMessage(MB_ICONHAND, "ERROR:%X Internal Gsc error, invalid selection(%X)", kInvalidParameter,
                    static_cast<unsigned>(selected));
    } else {
        LRESULT index = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
        if (InCatalog(index))
            std::memcpy(&m_entry, g_aircraftCatalog.entries[index], sizeof m_entry);
        else
            ShowMessage(MB_ICONHAND, "ERROR:%X Internal Gid error, invalid index(%X)", kInvalidParameter,
                        static_cast<unsigned>(index));
    }
    ReleaseAircraftCatalog();
    CSizingDlg::OnOK();
}

void CAircraftDlg::OnCancel() {
    // Nothing of this showing is used again.
    ReleaseAircraftCatalog();
    CSizingDlg::OnCancel();
}

bool CAircraftDlg::OnNotify(NMHDR* header, LRESULT& result) {
    HWND list = GetDlgItem(IDC_AIRCRAFT_LIST);
    if (header->code != TTN_NEEDTEXTA || header->idFrom != reinterpret_cast<UINT_PTR>(list)) return false;
    NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(list, &cursor);
    LRESULT item = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(cursor.x, cursor.y));
    // Outside the client area the high word is 1, and the answer is no index in use.
    if (InCatalog(item)) {
        const AircraftEntry* entry = g_aircraftCatalog.entries[item];
        std::snprintf(info->szText, sizeof info->szText, "%s%s", entry->containerName, entry->modelPath);
    } else {
        std::snprintf(info->szText, sizeof info->szText, "%s", "Aircraft installed in CFS");
    }
    info->lpszText = info->szText;
    result = 0;
    return true;
}
