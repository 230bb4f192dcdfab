// The Open Aircraft dialog: the installed aircraft by title, read afresh from the aircraft
// folder each time it opens; hands the chosen entry back in m_entry.
#pragma once

#include "catalog.h"
#include "sizing.h"
#include "ui/tooltip.h"

class CAircraftDlg : public CSizingDlg {
public:
    explicit CAircraftDlg(HWND parent);
    ~CAircraftDlg() override = default;

    char* m_aircraftFolder = nullptr;  // set by the caller; the walk may cut a trailing backslash
    AircraftEntry m_entry{};           // after IDOK: the chosen entry (all zero after an internal error)

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* message) override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void OnCancel() override;

private:
    void OnSelchangeAircraftList();
    void OnChangeAircraftName();
    void OnOpenSelected();
    void ShowEntryDetails(int index);
    bool InCatalog(LRESULT index) const { return index >= 0 && index < g_aircraftCatalog.count; }

    HICON m_hIcon;
    ui::ToolTip m_toolTip;
    bool m_showingEntry = false;  // the name edit is being set from the clicked entry
};
