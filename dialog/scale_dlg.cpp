#include "scale_dlg.h"

#include <commdlg.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "about_dlg.h"
#include "aircraft_dlg.h"
#include "engine.h"
#include "fleet_dlg.h"
#include "resource.h"
#include "ui/app.h"

static_assert(ID_HELP == ui::kHelpCommand, "F1 arrives as the help button's command");

CScaleDlg::CScaleDlg(HWND parent)
    : CSizingDlg(IDD_SCALE_DIALOG, parent),
      m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
    AddSizingControl(IDC_AIRCRAFT, SIZING_MOVE_X);
    AddSizingControl(IDC_MDL, SIZING_MOVE_X);
    AddSizingControl(IDC_UPDATE, SIZING_MOVE_X);
    AddSizingControl(IDOK, SIZING_MOVE_X);
    AddSizingControl(ID_HELP, SIZING_MOVE_X);
    AddSizingControl(IDC_STATUS, SIZING_SIZE_X | SIZING_MOVE_Y);
    AddSizingControl(IDC_NEW_SCALE, SIZING_SIZE_X);
    AddSizingControl(IDC_SCALE, SIZING_SIZE_X);
    AddSizingControl(IDC_FLEET, SIZING_MOVE_Y);
}

BOOL CScaleDlg::OnInitDialog() {
    CSizingDlg::OnInitDialog();
    // The application's main window: owner of the other dialogs, target of F1.
    ui::SetMainWindow(m_hWnd);
    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    if (menu != nullptr) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_OPEN_AIRCRAFT, "&Open Aircraft...");
        AppendMenuA(menu, MF_STRING, IDM_OPEN_MDL, "Open &Mdl...");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, "A&bout...");
    }
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    bool secondReadFailed = false;
    m_pszSimulatorFolder = ReadSimulatorPath(&secondReadFailed);
    if (secondReadFailed) SetStatus("WARNING:%lx Cannot acquire CFS directory.", GetLastError());
    EnableWindow(GetDlgItem(IDC_UPDATE), FALSE);

    m_toolTip.Create(m_hWnd, 0);
    m_toolTip.AddTool(GetDlgItem(IDC_AIRCRAFT), "Open an Aircraft");
    m_toolTip.AddTool(GetDlgItem(IDC_MDL), "Open an Mdl file");
    m_toolTip.AddTool(GetDlgItem(IDC_UPDATE), "Update the Mdl file");
    m_toolTip.AddTool(GetDlgItem(ID_HELP), "Open the Vorbix Help File");
    m_toolTip.AddTool(GetDlgItem(IDOK), "Quit Vorbix");
    m_toolTip.AddTool(GetDlgItem(IDC_SCALE), "Existing scale value");
    m_toolTip.AddTool(GetDlgItem(IDC_FLEET), "Set the scale of many aircraft at once");
    m_toolTip.Activate(true);

    if (m_strStartupFile.empty()) return TRUE;
    // No status text for this load: the title, the scale and Update show it.
    ChooseModel(m_strStartupFile);
    LoadModel(m_pszModelPath);
    return FALSE;
}

BOOL CScaleDlg::PreTranslateMessage(MSG* message) {
    // The tooltip control learns of the pointer over the controls from a copy of each
    // message, addressed to the window under the pointer.
    MSG copy = *message;
    copy.hwnd = m_toolTip.WindowFromPoint(message->pt);
    POINT point = message->pt;
    if (message->message >= WM_MOUSEFIRST && message->message <= 0x0209 && copy.hwnd != nullptr)
        ScreenToClient(copy.hwnd, &point);
    copy.lParam = MAKELPARAM(point.x, point.y);
    m_toolTip.RelayEvent(&copy);
    return CSizingDlg::PreTranslateMessage(message);
}

bool CScaleDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
            case IDC_AIRCRAFT: OnAircraft(); return true;
            case IDC_MDL: OnMdl(); return true;
            case IDC_FLEET: OnFleet(); return true;
            case IDC_UPDATE: OnUpdate(); return true;
            case ID_HELP: OnHelp(); return true;
            default: break;
        }
    }
    return CSizingDlg::OnCommand(id, code, control);
}

bool CScaleDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_SYSCOMMAND:
            if (!OnSysCommand(static_cast<UINT>(wParam))) break;
            result = 0;
            return true;
        case WM_PAINT:
            if (!OnPaint()) break;
            result = 0;
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<LRESULT>(m_hIcon);
            return true;
        case WM_DESTROY:
            // An open help window closes with the program.
            m_help.Close();
            if (ui::Application::Current()->HasHelpFile()) ui::Application::Current()->WinHelp(0, HELP_QUIT);
            break;
        default:
            break;
    }
    return CSizingDlg::OnMessage(message, wParam, lParam, result);
}

bool CScaleDlg::OnSysCommand(UINT id) {
    switch (id & 0xFFF0) {
        case IDM_OPEN_AIRCRAFT: OnAircraft(); return true;
        case IDM_OPEN_MDL: OnMdl(); return true;
        case IDM_ABOUTBOX: {
            CAboutDlg about;
            about.DoModal();
            return true;
        }
        default: return false;
    }
}

bool CScaleDlg::OnPaint() {
    if (!IsIconic(m_hWnd)) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &paint);
    return true;
}

const char* CScaleDlg::NameOf(const std::string& path) {
    std::string::size_type slash = path.find_last_of('\\');
    return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

void CScaleDlg::ChooseModel(const std::string& path) {
    m_pszModelPath = path;
    m_pszModelName = NameOf(m_pszModelPath);
}

bool CScaleDlg::LoadModel(const std::string& path) {
    std::uint16_t scale = 0;
    if (!vorbix::ReadModelScale(path.c_str(), &scale)) return false;
    m_nScale = scale;
    m_loadedModelPath = path;
    SetDlgItemTextA(m_hWnd, IDC_SCALE, std::to_string(m_nScale).c_str());
    SetTitle("%s - Vorbix", NameOf(m_loadedModelPath));
    HWND newScale = GetDlgItem(IDC_NEW_SCALE);
    SetWindowTextA(newScale, "");
    SetFocus(newScale);
    SendMessageA(newScale, EM_SETSEL, 0, -1);
    EnableWindow(GetDlgItem(IDC_UPDATE), TRUE);
    return true;
}

void CScaleDlg::ReportLoad(bool loaded) {
    if (loaded)
        SetStatus("Loaded: %s", m_pszModelName);
    else
        SetStatus("ERROR:%lx Load(%s) failed.", GetLastError(), m_pszModelName);
}

bool CScaleDlg::HasSimulator() const {
    if (!m_pszSimulatorFolder)
        ShowMessage(0, "ERROR:2 Cannot locate Combat Flight Simulator.\nYou will have to open a MDL file directly.");
    return m_pszSimulatorFolder.has_value();
}

void CScaleDlg::OnFleet() {
    if (!HasSimulator()) return;
    CFleetDlg dialog(nullptr);
    dialog.m_aircraftFolder = *m_pszSimulatorFolder + "\\Aircraft";
    // Known by what it is, as the Fleet knows its model files, and before the Fleet opens:
    // the file may be gone afterwards.
    const std::string loadedModel = m_loadedModelPath.empty() ? "" : platform::FileIdentity(m_loadedModelPath.c_str());
    dialog.DoModal();
    // The model shown was changed by the Fleet: its scale as the file now holds it.
    if (loadedModel.empty() || dialog.m_changedModels.count(loadedModel) == 0) return;
    std::uint16_t scale = 0;
    if (!vorbix::ReadModelScale(m_loadedModelPath.c_str(), &scale)) return;
    m_nScale = scale;
    SetDlgItemTextA(m_hWnd, IDC_SCALE, std::to_string(m_nScale).c_str());
}

void CScaleDlg::OnAircraft() {
    if (!HasSimulator()) return;
    // Room for "\Aircraft" and more: the walk works in this text.
    std::vector<char> aircraftFolder(m_pszSimulatorFolder->size() + 260, '\0');
    std::snprintf(aircraftFolder.data(), aircraftFolder.size(), "%s\\Aircraft", m_pszSimulatorFolder->c_str());
    CAircraftDlg dialog(nullptr);
    dialog.m_aircraftFolder = aircraftFolder.data();
    if (dialog.DoModal() != IDOK) return;
    char path[260];
    std::snprintf(path, sizeof path, "%s%s%s", aircraftFolder.data(), dialog.m_entry.containerName,
                  dialog.m_entry.modelPath);
    ChooseModel(path);
    ReportLoad(LoadModel(m_pszModelPath));
}

void CScaleDlg::OnMdl() {
    char file[260] = "";
    OPENFILENAMEA open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = m_hWnd;
    open.lpstrFilter = "Model Files (*.mdl)\0*.mdl\0All Files (*.*)\0*.*\0";
    open.lpstrFile = file;
    open.nMaxFile = sizeof file;
    // The folder the file is picked in becomes the current directory, where the engine
    // makes its working copy.
    open.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetOpenFileNameA(&open)) return;
    ChooseModel(file);
    ReportLoad(LoadModel(m_pszModelPath));
}

void CScaleDlg::OnUpdate() {
    char text[260] = "";
    GetDlgItemTextA(m_hWnd, IDC_NEW_SCALE, text, sizeof text);
    int scale = 0;
    HWND newScale = GetDlgItem(IDC_NEW_SCALE);
    if (std::sscanf(text, "%d", &scale) != 1 || scale < 0 || scale > 16) {
        ShowMessage(MB_ICONHAND, "ERROR:57 Invalid scale.\nPlease enter a value between 0 and 16.");
        SetFocus(newScale);
        SendMessageA(newScale, EM_SETSEL, 0, -1);
        return;
    }
    m_nNewScale = static_cast<std::uint16_t>(scale);
    const std::string model = m_loadedModelPath;
    if (!vorbix::UpdateModelFile(model.c_str(), m_nNewScale, vorbix::TransactionMode::Dialog())) {
        SetStatus("ERROR:%lx Update failed.", GetLastError());
        return;
    }
    SetStatus("Updated: %s", NameOf(model));
    if (!LoadModel(model)) SetStatus("ERROR:%lx Reload(%s) failed.", GetLastError(), NameOf(model));
}

void CScaleDlg::OnHelp() {
    ui::Application* application = ui::Application::Current();
    if (application->HasHelpFile())
        application->WinHelp(0, HELP_CONTENTS);
    else if (!m_help.Show())
        application->HelpFailed();
}

void CScaleDlg::SetStatus(const char* format, ...) {
    va_list args;
    va_start(args, format);
    SetDlgItemTextA(m_hWnd, IDC_STATUS, FormatText(format, args).c_str());
    va_end(args);
}

void CScaleDlg::SetTitle(const char* format, ...) {
    va_list args;
    va_start(args, format);
    SetWindowTextA(m_hWnd, FormatText(format, args).c_str());
    va_end(args);
}
