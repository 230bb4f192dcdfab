#include "driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace gui {
namespace {

BOOL CALLBACK Collect(HWND window, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
    return TRUE;
}

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A deadline times VORBIX_GUI_PATIENCE (a whole number, 1 where it is not set): a program
// run under an emulator is slow at everything.
DWORD Patient(DWORD milliseconds) {
    static const DWORD factor = [] {
        char text[16] = "";
        DWORD length = GetEnvironmentVariableA("VORBIX_GUI_PATIENCE", text, sizeof text);
        DWORD value = length > 0 && length < sizeof text ? std::strtoul(text, nullptr, 10) : 1;
        return value > 0 ? value : 1;
    }();
    return milliseconds * factor;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds) {
    DWORD start = GetTickCount();
    milliseconds = Patient(milliseconds);
    while (!condition()) {
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(10);
    }
    return true;
}

bool Program::Start(const std::string& program, const std::string& arguments, const std::string& directory) {
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> text(commandLine.begin(), commandLine.end());
    text.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process = info.hProcess;
    id = info.dwProcessId;
    return WaitUntil([&] {
        for (HWND window : TopLevelWindows())
            if (ClassOf(window) == "#32770" && IsWindowVisible(window)) {
                std::string caption = Text(window);
                if (caption == "Vorbix" || (caption.size() > 9 && caption.rfind(" - Vorbix") == caption.size() - 9)) {
                    main = window;
                    return true;
                }
            }
        return false;
    });
}

std::vector<HWND> AllTopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> Program::TopLevelWindows() const {
    std::vector<HWND> windows = AllTopLevelWindows();
    std::erase_if(windows, [&](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner != id;
    });
    return windows;
}

HWND Program::FindDialog(const std::string& caption, const std::vector<HWND>& except) const {
    for (HWND window : TopLevelWindows())
        if (IsWindowVisible(window) && ClassOf(window) == "#32770" && Text(window) == caption &&
            std::find(except.begin(), except.end(), window) == except.end())
            return window;
    return nullptr;
}

bool Program::HasWindow(const std::string& caption, std::vector<HWND> except) const {
    return FindDialog(caption, except) != nullptr;
}

HWND Program::WaitForWindow(const std::string& caption, std::vector<HWND> except) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDialog(caption, except)) != nullptr; });
    return found;
}

void Program::Close() {
    if (process == nullptr) return;
    // Whatever is open on top of the main dialog goes first, then the dialog itself.
    for (int round = 0; round < 5 && WaitForSingleObject(process, 0) == WAIT_TIMEOUT; ++round) {
        for (HWND window : TopLevelWindows())
            if (window != main && ClassOf(window) == "#32770" && IsWindowVisible(window))
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        if (main != nullptr) PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        WaitForSingleObject(process, 2000);
    }
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    process = nullptr;
}

Program::~Program() { Close(); }

std::string Text(HWND window) {
    char text[1024] = "";
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, Patient(10000),
                        &length);
    return std::string(text, std::min<std::size_t>(length, sizeof text - 1));
}

std::wstring ListText(HWND list, int index) {
    // The wide form: an ANSI LB_GETTEXT across processes comes back as UTF-16 under Wine.
    wchar_t text[512] = L"";
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

RECT ClientRect(HWND dialog, int id) {
    RECT r;
    GetWindowRect(Item(dialog, id), &r);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Command(HWND dialog, int id, WORD code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(dialog, id)));
}

void PostCommand(HWND dialog, int id, WORD code) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(dialog, id)));
}

void SetText(HWND window, const std::string& text) {
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

Box ReadAndCloseBox(HWND box) {
    Box seen;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) != "Static") continue;
        // A box without an icon may still have the icon's control, holding none.
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child) &&
            SendMessageA(child, STM_GETICON, 0, 0) != 0)
            seen.hasIcon = true;
        std::string text = Text(child);
        if (text.size() > seen.text.size()) seen.text = text;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return seen;
}

std::vector<std::pair<int, std::string>> ToolTexts(const Program& program, HWND dialog) {
    std::vector<std::pair<int, std::string>> texts;
    HWND tip = nullptr;
    for (HWND window : program.TopLevelWindows())
        if (ClassOf(window) == TOOLTIPS_CLASSA && GetWindow(window, GW_OWNER) == dialog) tip = window;
    if (tip == nullptr) return texts;
    // The tool records are read in the program's own memory, where the control writes them.
    struct Remote {
        TOOLINFOA tool;
        char text[128];
    };
    Remote* remote = static_cast<Remote*>(
        VirtualAllocEx(program.process, nullptr, sizeof(Remote), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (remote == nullptr) return texts;
    LRESULT count = SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        Remote local{};
        local.tool.cbSize = TTTOOLINFOA_V2_SIZE;
        local.tool.lpszText = remote->text;
        WriteProcessMemory(program.process, remote, &local, sizeof local, nullptr);
        if (!SendMessageA(tip, TTM_ENUMTOOLSA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&remote->tool)))
            continue;
        ReadProcessMemory(program.process, remote, &local, sizeof local, nullptr);
        HWND control = reinterpret_cast<HWND>(local.tool.uId);
        if (local.tool.lpszText == LPSTR_TEXTCALLBACKA) {
            texts.emplace_back(GetDlgCtrlID(control), "<callback>");
            continue;
        }
        local.tool.lpszText = remote->text;
        std::memset(local.text, 0, sizeof local.text);
        WriteProcessMemory(program.process, remote, &local, sizeof local, nullptr);
        SendMessageA(tip, TTM_GETTEXTA, sizeof local.text, reinterpret_cast<LPARAM>(&remote->tool));
        ReadProcessMemory(program.process, remote, &local, sizeof local, nullptr);
        local.text[sizeof local.text - 1] = '\0';
        texts.emplace_back(GetDlgCtrlID(control), local.text);
    }
    VirtualFreeEx(program.process, remote, 0, MEM_RELEASE);
    return texts;
}

struct ListView::Remote {
    union {
        LVITEMW item;
        LVCOLUMNW column;
    };
    wchar_t text[260];
};

ListView::ListView(const Program& program, HWND list)
    : process_(program.process),
      list_(list),
      remote_(static_cast<Remote*>(
          VirtualAllocEx(process_, nullptr, sizeof(Remote), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}

ListView::~ListView() { VirtualFreeEx(process_, remote_, 0, MEM_RELEASE); }

int ListView::Count() const { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListView::Exchange(UINT message, WPARAM index, Remote local) const {
    WriteProcessMemory(process_, remote_, &local, sizeof local, nullptr);
    SendMessageW(list_, message, index, reinterpret_cast<LPARAM>(remote_));
    ReadProcessMemory(process_, remote_, &local, sizeof local, nullptr);
    local.text[259] = L'\0';
    std::wstring wide(local.text);
    return std::string(wide.begin(), wide.end());
}

std::string ListView::Cell(int item, int column) const {
    Remote local{};
    local.item.iSubItem = column;
    local.item.pszText = remote_->text;
    local.item.cchTextMax = 260;
    return Exchange(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), local);
}

std::string ListView::Heading(int column) const {
    Remote local{};
    local.column.mask = LVCF_TEXT;
    local.column.pszText = remote_->text;
    local.column.cchTextMax = 260;
    return Exchange(LVM_GETCOLUMNW, static_cast<WPARAM>(column), local);
}

std::vector<std::string> ListView::Rows(int columns) const {
    std::vector<std::string> rows;
    for (int item = 0, count = Count(); item < count; ++item) {
        std::string row;
        for (int column = 0; column < columns; ++column) row += (column ? "|" : "") + Cell(item, column);
        rows.push_back(row);
    }
    return rows;
}

void ListView::Select(int item, bool selected) const {
    Remote local{};
    local.item.stateMask = LVIS_SELECTED;
    local.item.state = selected ? LVIS_SELECTED : 0;
    Exchange(LVM_SETITEMSTATE, static_cast<WPARAM>(item), local);
}

int ListView::SelectedCount() const { return static_cast<int>(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0)); }

void ListView::ClickHeading(int column) const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    // The middle of the item: near its edges a press starts a drag of the divider.
    int x = static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)) / 2;
    for (int i = 0; i < column; ++i) x += static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, i, 0));
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5));
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(x, 5));
}

void PressKeys(const std::vector<WORD>& keys) {
    std::vector<INPUT> inputs;
    for (int up = 0; up < 2; ++up)
        for (std::size_t i = 0; i < keys.size(); ++i) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = up ? keys[keys.size() - 1 - i] : keys[i];
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(input);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void ClickAt(POINT screen) {
    // Absolute moves are in 65536ths of the screen, rounded up to reach the pixel.
    auto scaled = [](LONG at, int metric) {
        LONG size = GetSystemMetrics(metric);
        return static_cast<LONG>((static_cast<long long>(at) * 65536 + size - 1) / size);
    };
    INPUT inputs[3] = {};
    const DWORD flags[3] = {MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dx = scaled(screen.x, SM_CXSCREEN);
        inputs[i].mi.dy = scaled(screen.y, SM_CYSCREEN);
        inputs[i].mi.dwFlags = flags[i];
    }
    SendInput(3, inputs, sizeof(INPUT));
}

}  // namespace gui
