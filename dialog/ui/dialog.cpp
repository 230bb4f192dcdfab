#include "dialog.h"

namespace ui {
namespace {

const char kDialogProperty[] = "Vorbix.Dialog";
HWND g_mainWindow = nullptr;
HHOOK g_filter = nullptr;
int g_modalDepth = 0;
bool g_inDialogKeys = false;  // IsDialogMessage calls the message filter itself

Dialog* DialogOf(HWND window) { return static_cast<Dialog*>(GetPropA(window, kDialogProperty)); }

bool ModifierDown() {
    return GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
}

// Messages whose result the dialog procedure returns itself instead of in DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
    switch (message) {
        case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
        case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
            return true;
        default:
            return false;
    }
}

}  // namespace

HWND MainWindow() { return g_mainWindow; }
void SetMainWindow(HWND window) { g_mainWindow = window; }

Dialog::Dialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

INT_PTR Dialog::DoModal() {
    m_modeless = false;
    HWND owner = m_parent != nullptr ? m_parent : g_mainWindow;
    if (g_modalDepth++ == 0) g_filter = SetWindowsHookExA(WH_MSGFILTER, MessageFilter, nullptr, GetCurrentThreadId());
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (--g_modalDepth == 0 && g_filter != nullptr) {
        UnhookWindowsHookEx(g_filter);
        g_filter = nullptr;
    }
    return result;
}

bool Dialog::Create() {
    m_modeless = true;
    HWND owner = m_parent != nullptr ? m_parent : g_mainWindow;
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (window == nullptr) return false;
    ShowWindow(window, SW_SHOW);
    return true;
}

void Dialog::EndDialog(INT_PTR result) {
    if (m_modeless)
        DestroyWindow(m_hWnd);
    else
        ::EndDialog(m_hWnd, result);
}

void Dialog::OnCreate(int, int) {}
BOOL Dialog::OnInitDialog() { return TRUE; }

bool Dialog::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool Dialog::OnNotify(NMHDR*, LRESULT&) { return false; }
bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
void Dialog::OnOK() { EndDialog(IDOK); }
void Dialog::OnCancel() { EndDialog(IDCANCEL); }
BOOL Dialog::PreTranslateMessage(MSG*) { return FALSE; }

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<Dialog*>(lParam);
        dialog->m_hWnd = window;
        SetPropA(window, kDialogProperty, dialog);
    } else {
        // Messages before WM_INITDIALOG find no object and get the default handling.
        dialog = DialogOf(window);
        if (dialog == nullptr) return FALSE;
    }
    INT_PTR result = FALSE;
    // No exception may cross into user32.
    try {
        result = dialog->Dispatch(message, wParam, lParam);
    } catch (...) {
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        RemovePropA(window, kDialogProperty);
        dialog->m_hWnd = nullptr;
    }
    return result;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    bool handled = false;
    switch (message) {
        case WM_INITDIALOG: {
            RECT outer;
            GetWindowRect(m_hWnd, &outer);
            OnCreate(outer.right - outer.left, outer.bottom - outer.top);
            return OnInitDialog();
        }
        case WM_COMMAND:
            handled = OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            break;
        case WM_NOTIFY:
            handled = OnNotify(reinterpret_cast<NMHDR*>(lParam), result);
            break;
        case WM_HELP:
            // F1 in any of the program's dialogs asks the main window for help.
            if (!ModifierDown() && g_mainWindow != nullptr)
                SendMessageA(g_mainWindow, WM_COMMAND, kHelpCommand, 0);
            return TRUE;
        default:
            handled = OnMessage(message, wParam, lParam, result);
            break;
    }
    if (!handled) return FALSE;
    if (ReturnsDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

LRESULT CALLBACK Dialog::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX) {
        MSG* message = reinterpret_cast<MSG*>(lParam);
        HWND root = message->hwnd != nullptr ? GetAncestor(message->hwnd, GA_ROOT) : nullptr;
        Dialog* dialog = root != nullptr ? DialogOf(root) : nullptr;
        if (dialog != nullptr) {
            BOOL used = FALSE;
            try {
                used = dialog->PreTranslateMessage(message);
            } catch (...) {
                used = FALSE;
            }
            // The modal loop passes only its own dialog's messages through IsDialogMessage.
            if (!used && dialog->m_modeless && !g_inDialogKeys) {
                g_inDialogKeys = true;
                used = IsDialogMessageA(root, message);
                g_inDialogKeys = false;
            }
            if (used) return TRUE;
        }
    }
    return CallNextHookEx(g_filter, code, wParam, lParam);
}

}  // namespace ui
