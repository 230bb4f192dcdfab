// The application object of Vorbixw and its command line.
#pragma once

#include <string>

#include "ui/app.h"

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
