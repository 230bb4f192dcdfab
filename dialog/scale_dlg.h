// The main dialog of Vorbixw: one model file at a time, its scale shown and set.
#pragma once

#include <optional>
#include <string>

#include "help_dlg.h"
#include "sizing.h"
#include "ui/tooltip.h"

class CScaleDlg : public CSizingDlg {
public:
    explicit CScaleDlg(HWND parent);
    ~CScaleDlg() override = default;

    std::string m_strStartupFile;  // from the command line; empty when none

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* message) override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnAircraft();
    void OnFleet();
    // False, with the box that says so, when the simulator's folder is not known.
    bool HasSimulator() const;
    void OnMdl();
    void OnUpdate();
    void OnHelp();
    bool OnSysCommand(UINT id);
    bool OnPaint();

    // The new current file: the status line names it whether or not it loads.
    void ChooseModel(const std::string& path);
    bool LoadModel(const std::string& path);
    void ReportLoad(bool loaded);
    void SetStatus(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
    void SetTitle(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
    static const char* NameOf(const std::string& path);

    std::optional<std::string> m_pszSimulatorFolder;
    std::string m_pszModelPath;   // the file last chosen; empty until one is
    const char* m_pszModelName = "";
    // The file the dialog shows, loaded last with success: what Update writes. After a
    // failed load it is not the file last chosen.
    std::string m_loadedModelPath;
    std::uint16_t m_nScale = 0;
    std::uint16_t m_nNewScale = 0;
    HICON m_hIcon;
    ui::ToolTip m_toolTip;
    CHelpDlg m_help;  // the program's own help, where no help file exists
};
