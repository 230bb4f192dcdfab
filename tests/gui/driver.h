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

// A list view of the program, read and changed through memory in the program's process,
// as its messages that carry pointers are not copied between processes.
class ListView {
public:
    ListView(const Program& program, HWND list);
    ~ListView();
    ListView(const ListView&) = delete;
    ListView& operator=(const ListView&) = delete;

    int Count() const;
    std::string Cell(int item, int column) const;
    std::string Heading(int column) const;
    // Each row's cells joined by '|', in list order.
    std::vector<std::string> Rows(int columns) const;
    // Selects or deselects one item, or every item for -1.
    void Select(int item, bool selected = true) const;
    int SelectedCount() const;
    // Mouse down and up on a column's header item, as a click.
    void ClickHeading(int column) const;

private:
    struct Remote;
    // Writes local into the program's record, sends message with it, returns the text read back.
    std::string Exchange(UINT message, WPARAM index, Remote local) const;
    HANDLE process_;
    HWND list_;
    Remote* remote_;
};

// Real key strokes to the foreground window: keys pressed in order, released in reverse.
void PressKeys(const std::vector<WORD>& keys);
// A real click of the left mouse button at a point of the screen.
void ClickAt(POINT screen);

}  // namespace gui
