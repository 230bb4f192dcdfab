// The application object of Vorbixw, its command line and the About box.
#pragma once

#include <string>

#include "ui/app.h"
#include "ui/dialog.h"

// The last argument that is not a flag names the model file; flags are ignored.
class CScaleCommandLineInfo : public ui::CommandLineInfo {
public:
    void ParseParam(const char* param, BOOL flag, BOOL last) override;
    std::string m_strModelFile;
};

class CScaleApp : public ui::Application {
public:
    // Shows the main dialog; the program ends when it closes.
    BOOL InitInstance() override;
};

class CAboutDlg : public ui::Dialog {
public:
    CAboutDlg();
};
