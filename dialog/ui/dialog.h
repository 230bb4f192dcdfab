// A dialog over DialogBoxParam (modal) or CreateDialogParam (modeless). One static dialog
// procedure finds the object, handed over at WM_INITDIALOG, and dispatches to virtual
// members. The messages of a dialog's modal loop reach PreTranslateMessage through a
// message-filter hook, which also gives a modeless dialog its dialog keys.
#pragma once

#include <windows.h>

namespace ui {

// The help command that F1 becomes, sent to the main window.
constexpr WORD kHelpCommand = 0xE146;

class Dialog {
public:
    // No parent: the dialog is owned by the main window, if there is one.
    Dialog(UINT templateId, HWND parent);
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Shows the dialog and returns the result it was ended with, or -1 when it could not
    // be created.
    INT_PTR DoModal();
    // Shows the dialog modeless, while a modal dialog of the program runs; false when it
    // could not be created. It lives until EndDialog or its owner's end.
    bool Create();
    // Ends a modal dialog with result; destroys a modeless one.
    void EndDialog(INT_PTR result);
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    HWND m_hWnd = nullptr;

protected:
    // The window's outer size when it is first heard of, before OnInitDialog: the dialog
    // procedure never sees WM_CREATE.
    virtual void OnCreate(int width, int height);
    virtual BOOL OnInitDialog();
    // IDOK and IDCANCEL go to OnOK and OnCancel unless a derived dialog handles them.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    virtual bool OnNotify(NMHDR* header, LRESULT& result);
    // Every other message; true when handled, with its result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    virtual void OnOK();
    virtual void OnCancel();
    // A message of the modal loop for this dialog or one of its controls, before it is
    // dispatched; true when it is used up.
    virtual BOOL PreTranslateMessage(MSG* message);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_parent;
    bool m_modeless = false;
};

// The application's main window: owner of parentless dialogs, target of the help command.
HWND MainWindow();
void SetMainWindow(HWND window);

}  // namespace ui
