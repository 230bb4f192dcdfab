#include "shell.h"

#include "scale_dlg.h"

void CScaleCommandLineInfo::ParseParam(const char* param, BOOL flag, BOOL) {
    if (!flag) m_strModelFile = param;
}

BOOL CScaleApp::InitInstance() {
    SetRegistryKey("quarnel");
    CScaleCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    CScaleDlg dialog(nullptr);
    dialog.m_strStartupFile = commandLine.m_strModelFile;
    dialog.DoModal();
    ui::SetMainWindow(nullptr);
    return FALSE;
}
