#include "tooltip.h"

namespace ui {

ToolTip::~ToolTip() {
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

bool ToolTip::Create(HWND parent, DWORD style) {
    m_hWnd = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    return m_hWnd != nullptr;
}

bool ToolTip::AddTool(HWND control, const char* text) {
    // The size that comctl32 5 knows; later versions accept it too.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    return SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

void ToolTip::Activate(bool active) { SendMessageA(m_hWnd, TTM_ACTIVATE, active, 0); }

void ToolTip::RelayEvent(const MSG* message) {
    if (m_hWnd != nullptr) SendMessageA(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message));
}

HWND ToolTip::WindowFromPoint(POINT screen) const {
    // TTM_WINDOWFROMPOINT takes a POINT by address.
    return reinterpret_cast<HWND>(SendMessageA(m_hWnd, TTM_WINDOWFROMPOINT, 0, reinterpret_cast<LPARAM>(&screen)));
}

}  // namespace ui
