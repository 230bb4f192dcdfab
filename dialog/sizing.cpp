#include "sizing.h"

#include <cstdarg>
#include <cstdio>

CSizingDlg::CSizingDlg(UINT templateId, HWND parent) : ui::Dialog(templateId, parent) {}

void CSizingDlg::AddSizingControl(UINT id, UINT flags) {
    std::uint32_t entry = (static_cast<std::uint32_t>(flags & 0xFFFF) << 16) | (id & 0xFFFF);
    if ((flags & 0xFFFF) != 0) m_sizingControls.push_back(entry);
}

void CSizingDlg::OnCreate(int width, int height) {
    m_minTrackSize = {width, height};
    // The size notice that follows creation only records the client size; the dialog
    // procedure does not see it, so it is recorded here.
    RECT client;
    GetClientRect(m_hWnd, &client);
    m_lastClientSize = {client.right, client.bottom};
}

BOOL CSizingDlg::OnInitDialog() { return ui::Dialog::OnInitDialog(); }

bool CSizingDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Size changes and destruction go on to the default handling as well.
    switch (message) {
        case WM_GETMINMAXINFO:
            if (m_minTrackSize.cx == 0) return false;
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {m_minTrackSize.cx, m_minTrackSize.cy};
            result = 0;
            return true;
        case WM_SIZE:
            OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
            return false;
        case WM_DESTROY:
            m_minTrackSize = {0, 0};
            m_lastClientSize = {0, 0};
            return false;
        default:
            return false;
    }
}

void CSizingDlg::OnSize(UINT type, int width, int height) {
    if (type == SIZE_MINIMIZED) return;
    int dx = width - m_lastClientSize.cx;
    int dy = height - m_lastClientSize.cy;
    if (m_lastClientSize.cx != 0) {
        for (std::uint32_t entry : m_sizingControls) {
            HWND control = GetDlgItem(static_cast<int>(entry & 0xFFFF));
            if (control == nullptr) continue;
            UINT flags = entry >> 16;
            RECT r;
            GetWindowRect(control, &r);
            MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
            if (flags & SIZING_SIZE_X)
                r.right += dx;
            else if (flags & SIZING_MOVE_X)
                OffsetRect(&r, dx, 0);
            if (flags & SIZING_SIZE_Y)
                r.bottom += dy;
            else if (flags & SIZING_MOVE_Y)
                OffsetRect(&r, 0, dy);
            MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
            InvalidateRect(control, nullptr, TRUE);
        }
    }
    m_lastClientSize = {width, height};
}

std::string FormatText(const char* format, va_list args) {
    char text[260];
    std::vsnprintf(text, sizeof text, format, args);
    return text;
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatText(format, args);
    va_end(args);
    return text;
}

void ShowMessage(UINT style, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatText(format, args);
    va_end(args);
    MessageBoxA(nullptr, text.c_str(), "Vorbix", style);
}
