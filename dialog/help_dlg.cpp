#include "help_dlg.h"

#include <string>

#include "resource.h"

namespace {

// The help text, kept in the program with plain line ends; an edit control breaks lines
// only at CR LF.
std::string HelpText() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_HELP_TEXT), MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const char* text = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (text == nullptr) return "";
    std::string lines;
    for (DWORD i = 0, size = SizeofResource(module, found); i < size; ++i) {
        if (text[i] == '\n') lines += '\r';
        lines += text[i];
    }
    return lines;
}

}  // namespace

CHelpDlg::CHelpDlg() : CSizingDlg(IDD_HELP_DIALOG, nullptr) {
    AddSizingControl(IDC_HELP_TEXT, SIZING_SIZE_X | SIZING_SIZE_Y);
    AddSizingControl(IDCANCEL, SIZING_MOVE_X | SIZING_MOVE_Y);
}

bool CHelpDlg::Show() {
    if (m_hWnd == nullptr) return Create();
    // Showing a window that is up does not bring it forward.
    SetForegroundWindow(m_hWnd);
    SetFocus(GetDlgItem(IDC_HELP_TEXT));
    return true;
}

void CHelpDlg::Close() {
    if (m_hWnd != nullptr) EndDialog(IDCANCEL);
}

BOOL CHelpDlg::OnInitDialog() {
    CSizingDlg::OnInitDialog();
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    HWND text = GetDlgItem(IDC_HELP_TEXT);
    SetWindowTextA(text, HelpText().c_str());
    SetFocus(text);
    // Focus selects an edit's whole text; the reader starts at the top, nothing selected.
    SendMessageA(text, EM_SETSEL, 0, 0);
    return FALSE;
}
