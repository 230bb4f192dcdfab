// The application object: one per program, constructed before WinMain runs. It names the
// program after its executable, derives the help file's path, parses the command line and
// runs InitInstance, which shows the main dialog.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

// Receives the command-line arguments one at a time, from the first after the program
// name: a flag (first character '-' or '/') without that character.
class CommandLineInfo {
public:
    virtual ~CommandLineInfo() = default;
    virtual void ParseParam(const char* param, BOOL flag, BOOL last) = 0;
};

class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* Current();

    // Runs the program: called from WinMain.
    int Run(HINSTANCE instance);
    // The program's whole use; the program ends when it returns.
    virtual BOOL InitInstance() = 0;

    // HKEY_CURRENT_USER\Software\<key>\<application name> would hold settings; nothing is
    // stored there.
    void SetRegistryKey(const char* key);
    void ParseCommandLine(CommandLineInfo& info);
    // Asks Windows Help for the program's help file, for the main window; a box says so
    // when the help system cannot be started.
    void WinHelp(DWORD_PTR data, UINT command);
    // True when the help file lies beside the program.
    bool HasHelpFile() const;
    // The box that says help could not be started.
    void HelpFailed() const;

    HINSTANCE m_instance = nullptr;
    std::string m_appName;       // the executable's name without its extension
    std::string m_helpFilePath;  // the executable's path with the extension .HLP
    std::string m_registryKey;
};

}  // namespace ui
