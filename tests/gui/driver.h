// Drives a running Vorbixw.exe from another process: finds its windows, sends them
// commands and reads texts and rectangles back. Every wait is for a window or a text to
// appear, with a deadline.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace gui {

class Program {
public:
    // Starts the program in directory with the command line's arguments and waits for its
    // main dialog.
    bool Start(const std::string& program, const std::string& arguments, const std::string& directory);
    ~Program();
    // Closes the program's boxes and dialogs and waits for it to end.
    void Close();

    HWND main = nullptr;
    DWORD id = 0;
    HANDLE process = nullptr;

    // A visible top-level window of the program with this caption, other than those given.
    HWND WaitForWindow(const std::string& caption, std::vector<HWND> except = {}) const;
    // The program's message box: a dialog with the caption "Vorbix" that is not the main one.
    HWND WaitForBox() const { return WaitForWindow("Vorbix", {main}); }
    bool HasWindow(const std::string& caption, std::vector<HWND> except = {}) const;
    std::vector<HWND> TopLevelWindows() const;

private:
    HWND FindDialog(const std::string& caption, const std::vector<HWND>& except) const;
};

// Every top-level window on the desktop, of any process.
std::vector<HWND> AllTopLevelWindows();

// Waits until condition holds or the deadline passes; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds = 20000);

std::string Text(HWND window);
std::wstring ListText(HWND list, int index);
HWND Item(HWND dialog, int id);
RECT ClientRect(HWND dialog, int id);  // a control's rectangle in its dialog's client area
// Runs a command at once and returns when it is done: only for commands that open no
// modal window.
void Command(HWND dialog, int id, WORD code = BN_CLICKED);
// Queues a command that opens a modal window; wait for that window afterwards.
void PostCommand(HWND dialog, int id, WORD code = BN_CLICKED);
void SetText(HWND window, const std::string& text);

struct Box {
    std::string text;
    bool hasIcon = false;
};
// Reads a message box and presses its OK button.
Box ReadAndCloseBox(HWND box);

// The texts of the tooltip control that belongs to dialog, by the id of each control.
std::vector<std::pair<int, std::string>> ToolTexts(const Program& program, HWND dialog);

}  // namespace gui
