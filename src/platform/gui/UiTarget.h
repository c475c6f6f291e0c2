#pragma once
// The windows as the GUI bridge (QtUi) sees them. Every call arrives on the GUI
// thread, in the order the core made it.

#include <string>
#include <vector>

#include "core/ResultsGrid.h"

class QWidget;

// The main window: log memo, progress bar, the two main buttons and the hidden
// service area.
class MainWindowTarget {
public:
    virtual ~MainWindowTarget() = default;
    virtual void AppendLogLine(const std::string& text) = 0;
    virtual void ReplaceLogLines(const std::vector<std::string>& lines) = 0;
    virtual void ShowProgress(int value) = 0;
    virtual void EnableMainButtons(bool enabled) = 0;
    virtual void AppendServiceLine(const std::string& text) = 0;
    virtual void StoreServiceValue(const std::string& control, const std::string& text) = 0;
    // The window that owns message boxes.
    virtual QWidget* DialogOwner() = 0;
};

// The results window: its grid, its Open/Save buttons and its visibility.
class ResultsWindowTarget {
public:
    virtual ~ResultsWindowTarget() = default;
    virtual void ClearGrid() = 0;  // 2 rows x 2 columns, rows 0-1 of columns 0-1 empty
    virtual void ShowGrid(ResultsGrid grid) = 0;
    virtual void EnableResultsButtons(bool enabled) = 0;
    virtual void ShowResults() = 0;
};

// The settings window's Code File page: the firmware header list, the reading
// progress bar and the MCU type box.
class SettingsWindowTarget {
public:
    virtual ~SettingsWindowTarget() = default;
    virtual void ClearCodeFileList() = 0;
    virtual void AddCodeFileLine(const std::string& text) = 0;
    virtual void ShowCodeFileProgress(int value) = 0;
    virtual void ShowMcuType(const std::string& text) = 0;
};
