#include "about_dlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg() : ui::Dialog(IDD_ABOUTBOX, nullptr) {}
