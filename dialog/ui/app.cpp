#include "app.h"

#include <commctrl.h>

#include <cstdlib>

#include "dialog.h"

namespace ui {
namespace {
Application* g_application = nullptr;
}

Application::Application() { g_application = this; }

Application::~Application() {
    if (g_application == this) g_application = nullptr;
}

Application* Application::Current() { return g_application; }

int Application::Run(HINSTANCE instance) {
    m_instance = instance;
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        std::string full(path, length);
        std::string::size_type slash = full.find_last_of("\\/");
        std::string::size_type dot = full.find_last_of('.');
        bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
        std::string::size_type nameStart = slash == std::string::npos ? 0 : slash + 1;
        m_appName = full.substr(nameStart, (hasExtension ? dot : full.size()) - nameStart);
        m_helpFilePath = (hasExtension ? full.substr(0, dot) : full) + ".HLP";
    }
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    InitInstance();
    return 0;
}

void Application::SetRegistryKey(const char* key) { m_registryKey = key != nullptr ? key : ""; }

void Application::ParseCommandLine(CommandLineInfo& info) {
    // The C runtime has split the command line by its usual rules.
    for (int i = 1; i < __argc; ++i) {
        const char* param = __argv[i];
        BOOL flag = param[0] == '-' || param[0] == '/';
        info.ParseParam(flag ? param + 1 : param, flag, i + 1 == __argc);
    }
}

void Application::WinHelp(DWORD_PTR data, UINT command) {
    if (!::WinHelpA(MainWindow(), m_helpFilePath.c_str(), command, data) && command != HELP_QUIT) HelpFailed();
}

bool Application::HasHelpFile() const {
    DWORD attributes = m_helpFilePath.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(m_helpFilePath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void Application::HelpFailed() const {
    MessageBoxA(MainWindow(), "Failed to launch help.", m_appName.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace ui
