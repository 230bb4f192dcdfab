// The program's own help: a resizable window beside the dialogs with the help text, for
// where no help file lies beside the program (today's Windows has no viewer for one).
#pragma once

#include "sizing.h"

class CHelpDlg : public CSizingDlg {
public:
    CHelpDlg();
    ~CHelpDlg() override = default;

    // Opens the window, or brings it to the front when it is open; false when it could not
    // be created.
    bool Show();
    void Close();

protected:
    BOOL OnInitDialog() override;
};
