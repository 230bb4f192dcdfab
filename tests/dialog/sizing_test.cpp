// The resizable dialog base and the message box, in real windows under Wine. Each test
// acts from inside the dialog's own modal loop and ends it; nothing waits on a clock.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "sizing.h"
#include "test_ids.h"

namespace {

constexpr UINT kRunChecks = WM_APP + 1;

struct Registration {
    int id;
    UINT flags;
    int moveX, moveY, growX, growY;  // what dx and dy do to left, top, right, bottom
};
const Registration kRegistrations[] = {
    {IDC_MOVES_X, SIZING_MOVE_X, 1, 0, 1, 0},
    {IDC_MOVES_Y, SIZING_MOVE_Y, 0, 1, 0, 1},
    {IDC_WIDENS, SIZING_SIZE_X, 0, 0, 1, 0},
    {IDC_GROWS, SIZING_SIZE_Y, 0, 0, 0, 1},
    {IDC_WIDENS_MOVES_Y, SIZING_SIZE_X | SIZING_MOVE_Y, 0, 1, 1, 1},
    {IDC_SIZE_WINS, SIZING_SIZE_X | SIZING_MOVE_X | SIZING_SIZE_Y | SIZING_MOVE_Y, 0, 0, 1, 1},
    {IDC_FLAGS_ZERO, 0, 0, 0, 0, 0},
    {IDC_MISSING, SIZING_MOVE_X, 0, 0, 0, 0},
};

class SizingTestDlg : public CSizingDlg {
public:
    SizingTestDlg() : CSizingDlg(IDD_SIZING_TEST, nullptr) {
        for (const Registration& r : kRegistrations) AddSizingControl(static_cast<UINT>(r.id), r.flags);
    }

    bool checksRan = false;
    bool helpCommand = false;

protected:
    BOOL OnInitDialog() override {
        CSizingDlg::OnInitDialog();
        PostMessageA(m_hWnd, kRunChecks, 0, 0);
        return TRUE;
    }
    // The posted message comes through the modal loop, so this also shows that the loop's
    // messages reach PreTranslateMessage.
    BOOL PreTranslateMessage(MSG* message) override {
        if (message->message != kRunChecks) return FALSE;
        checksRan = true;
        RunChecks();
        EndDialog(IDOK);
        return TRUE;
    }
    bool OnCommand(WORD id, WORD code, HWND control) override {
        if (id == ui::kHelpCommand) return helpCommand = true;
        return CSizingDlg::OnCommand(id, code, control);
    }

private:
    RECT ControlRect(int id) {
        RECT r;
        GetWindowRect(GetDlgItem(id), &r);
        MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    std::map<int, RECT> AllRects() {
        std::map<int, RECT> rects;
        for (int id = IDC_MOVES_X; id <= IDC_UNREGISTERED; ++id) rects[id] = ControlRect(id);
        return rects;
    }
    static SIZE OuterSize(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        return {r.right - r.left, r.bottom - r.top};
    }
    static void ExpectSame(const std::map<int, RECT>& before, const std::map<int, RECT>& after) {
        for (const auto& [id, r] : before) {
            SCOPED_TRACE(id);
            EXPECT_TRUE(EqualRect(&r, &after.at(id)));
        }
    }

    void RunChecks() {
        // The minimum tracking size is the size the dialog was created with.
        SIZE created = OuterSize(m_hWnd);
        EXPECT_EQ(m_minTrackSize.cx, created.cx);
        EXPECT_EQ(m_minTrackSize.cy, created.cy);
        MINMAXINFO info{};
        SendMessageA(m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, created.cx);
        EXPECT_EQ(info.ptMinTrackSize.y, created.cy);

        // Enlarging moves and stretches the registered controls by exactly dx, dy.
        RECT client;
        GetClientRect(m_hWnd, &client);
        std::map<int, RECT> before = AllRects();
        SetWindowPos(m_hWnd, nullptr, 0, 0, created.cx + 40, created.cy + 30, SWP_NOMOVE | SWP_NOZORDER);
        RECT grown;
        GetClientRect(m_hWnd, &grown);
        int dx = grown.right - client.right, dy = grown.bottom - client.bottom;
        EXPECT_EQ(dx, 40);
        EXPECT_EQ(dy, 30);
        std::map<int, RECT> after = AllRects();
        for (const Registration& r : kRegistrations) {
            if (r.id == IDC_MISSING) continue;
            SCOPED_TRACE(r.id);
            const RECT& b = before[r.id];
            const RECT& a = after[r.id];
            EXPECT_EQ(a.left - b.left, r.moveX * dx);
            EXPECT_EQ(a.top - b.top, r.moveY * dy);
            EXPECT_EQ(a.right - b.right, r.growX * dx);
            EXPECT_EQ(a.bottom - b.bottom, r.growY * dy);
        }
        EXPECT_TRUE(EqualRect(&before[IDC_UNREGISTERED], &after[IDC_UNREGISTERED]));
        EXPECT_EQ(m_lastClientSize.cx, grown.right);
        EXPECT_EQ(m_lastClientSize.cy, grown.bottom);

        // Minimizing and restoring moves nothing.
        ShowWindow(m_hWnd, SW_MINIMIZE);
        EXPECT_TRUE(IsIconic(m_hWnd));
        ShowWindow(m_hWnd, SW_RESTORE);
        EXPECT_FALSE(IsIconic(m_hWnd));
        ExpectSame(after, AllRects());

        // The window is never made smaller than it was created.
        SetWindowPos(m_hWnd, nullptr, 0, 0, created.cx - 50, created.cy - 40, SWP_NOMOVE | SWP_NOZORDER);
        SIZE shrunk = OuterSize(m_hWnd);
        EXPECT_EQ(shrunk.cx, created.cx);
        EXPECT_EQ(shrunk.cy, created.cy);

        // F1 in a dialog becomes the help command for the main window.
        ui::SetMainWindow(m_hWnd);
        SendMessageA(m_hWnd, WM_HELP, 0, 0);
        ui::SetMainWindow(nullptr);
    }
};

TEST(SizingDialog, MinimumSizeMovesAndMinimize) {
    SizingTestDlg dialog;
    EXPECT_EQ(dialog.m_sizingControls.size(), 7u) << "flags 0 record nothing";
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.checksRan);
    EXPECT_TRUE(dialog.helpCommand);
    // Destroying the window forgets both sizes; the registrations stay.
    EXPECT_EQ(dialog.m_minTrackSize.cx, 0);
    EXPECT_EQ(dialog.m_lastClientSize.cx, 0);
    EXPECT_EQ(dialog.m_sizingControls.size(), 7u);
    EXPECT_EQ(dialog.m_sizingControls[0], (SIZING_MOVE_X << 16) | IDC_MOVES_X);
}

// What the message box showed. It is read once the box's loop runs, from a message posted
// to it when it became active, and then closed.
struct SeenBox {
    std::string caption, text;
    bool hasIcon = false;
};
SeenBox g_seen;
HHOOK g_activate = nullptr, g_messages = nullptr;
constexpr UINT kReadBox = WM_APP + 7;

BOOL CALLBACK ReadChild(HWND child, LPARAM) {
    char className[32] = "", text[1024] = "";
    GetClassNameA(child, className, sizeof className);
    GetWindowTextA(child, text, sizeof text);
    if (lstrcmpiA(className, "Static") == 0) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) g_seen.hasIcon = true;
        if (std::string(text).size() > g_seen.text.size()) g_seen.text = text;
    }
    return TRUE;
}

LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) PostMessageA(reinterpret_cast<HWND>(wParam), kReadBox, 0, 0);
    return CallNextHookEx(g_activate, code, wParam, lParam);
}

LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam) {
    MSG* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == kReadBox) {
        char caption[64] = "";
        GetWindowTextA(message->hwnd, caption, sizeof caption);
        g_seen.caption = caption;
        EnumChildWindows(message->hwnd, ReadChild, 0);
        PostMessageA(message->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return CallNextHookEx(g_messages, code, wParam, lParam);
}

TEST(ShowMessage, CutsAt259WithTheCaptionVorbix) {
    g_activate = SetWindowsHookExA(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId());
    g_messages = SetWindowsHookExA(WH_GETMESSAGE, WatchMessages, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_activate, nullptr);
    ASSERT_NE(g_messages, nullptr);
    std::string long300(300, 'x');
    for (std::size_t i = 0; i < long300.size(); i += 10) long300[i] = ' ';  // lets the box wrap it
    ShowMessage(MB_ICONHAND, "%s", long300.c_str());
    UnhookWindowsHookEx(g_messages);
    UnhookWindowsHookEx(g_activate);
    EXPECT_EQ(g_seen.caption, "Vorbix");
    EXPECT_EQ(g_seen.text, long300.substr(0, 259));
    EXPECT_TRUE(g_seen.hasIcon);
}

}  // namespace
