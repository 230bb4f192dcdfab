// The Fleet dialog: every installed aircraft with the scale of its model file and the scale
// it was installed with; sets one scale on the model files of the selected rows, or sets
// them back as installed. The file work (reading the cells when the dialog opens, a run) is
// done on a worker thread of the dialog, one model file after the other, while the dialog
// stays responsive.
#pragma once

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "fleet.h"
#include "sizing.h"

class CFleetDlg : public CSizingDlg {
public:
    explicit CFleetDlg(HWND parent);
    ~CFleetDlg() override = default;

    std::string m_aircraftFolder;  // set by the caller
    // After the dialog: the model files a run changed, by their identity as the Fleet
    // opened (platform::FileIdentity).
    std::set<std::string> m_changedModels;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void StartReading();
    static DWORD WINAPI ReadWorker(void* dialog);
    void OnCellsRead(const std::vector<std::size_t>& rows, const FleetCells& cells);
    void FinishReading();
    void StartRun(bool restore);
    static DWORD WINAPI RunWorker(void* dialog);
    void OnTaskDone(std::size_t index, const FleetResult& result);
    bool StartWorker(LPTHREAD_START_ROUTINE work);
    void WaitForWorker();
    bool OnWorkerMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void FinishRun();
    void ShowReading();
    void ShowProgress();
    void ShowRunning(bool running);
    void EnableCommands();
    void SortBy(int column, bool ascending);
    void CopySelection();
    std::vector<std::size_t> SelectedRows() const;
    void SetStatus(const std::string& text);
    HWND List() const;

    HICON m_hIcon;
    std::vector<FleetRow> m_rows;
    int m_sortColumn = 0;
    bool m_sortAscending = true;

    // The worker, if one is under way, and what it reads: the paths of the rows while the
    // cells are read, the tasks during a run, and m_stop; everything else is the dialog's.
    HANDLE m_worker = nullptr;
    std::atomic<bool> m_stop{false};
    bool m_reading = false;
    bool m_closing = false;  // closed during the reading: it goes when the readers have stopped
    std::vector<std::string> m_modelPaths;
    std::size_t m_cellsRead = 0;

    // The run under way, if any: its tasks, the next one, and its tallies of model files.
    bool m_running = false;
    bool m_restore = false;
    std::uint16_t m_newScale = 0;
    std::vector<FleetTask> m_tasks;
    std::size_t m_next = 0;
    DWORD m_lastPaint = 0;
    int m_updated = 0, m_unchanged = 0, m_failed = 0, m_skipped = 0;
};
