// A comctl32 tooltip control whose tools are whole control windows.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace ui {

class ToolTip {
public:
    ToolTip() = default;
    ~ToolTip();
    ToolTip(const ToolTip&) = delete;
    ToolTip& operator=(const ToolTip&) = delete;

    bool Create(HWND parent, DWORD style);
    // text may be LPSTR_TEXTCALLBACKA: the parent is asked with TTN_NEEDTEXT.
    bool AddTool(HWND control, const char* text);
    void Activate(bool active);
    // The control does not watch the tools' messages itself: they are handed to it.
    void RelayEvent(const MSG* message);
    HWND WindowFromPoint(POINT screen) const;

    HWND m_hWnd = nullptr;
};

}  // namespace ui
