// The resizable dialog base of both working dialogs, and the owner-less message box.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/dialog.h"

// How a registered control follows a change of the client area by dx, dy.
constexpr UINT SIZING_MOVE_X = 0x0001;  // moves dx right
constexpr UINT SIZING_MOVE_Y = 0x0002;  // moves dy down
constexpr UINT SIZING_SIZE_X = 0x0004;  // its right side moves dx; no move in x then
constexpr UINT SIZING_SIZE_Y = 0x0008;  // its bottom side moves dy; no move in y then

class CSizingDlg : public ui::Dialog {
public:
    CSizingDlg(UINT templateId, HWND parent);
    ~CSizingDlg() override = default;

    // Called from the derived dialog's constructor; flags 0 record nothing.
    void AddSizingControl(UINT id, UINT flags);

    SIZE m_minTrackSize{0, 0};    // outer size as created; 0, 0 = not set
    SIZE m_lastClientSize{0, 0};  // client size at the last size change; 0, 0 = none
    std::vector<std::uint32_t> m_sizingControls;  // flags << 16 | control id

protected:
    void OnCreate(int width, int height) override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnSize(UINT type, int width, int height);
};

// printf-style text in a 260-byte buffer, cut at 259 characters, as every text the
// dialog program formats.
std::string FormatText(const char* format, va_list args);
std::string FormatText(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(gnu_printf, 1, 2)))
#endif
    ;

// printf-style text, cut at 259 characters, in a box with the caption "Vorbix" and no
// owner, so the calling dialog stays usable while it is up.
void ShowMessage(UINT style, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(gnu_printf, 2, 3)))
#endif
    ;
