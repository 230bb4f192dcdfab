// The About box: the program's name, version and icon.
#pragma once

#include "ui/dialog.h"

class CAboutDlg : public ui::Dialog {
public:
    CAboutDlg();
};
