#pragma once
// Every effect the program has on its windows goes through this port. The core
// calls it from any thread; the window implementation carries each call to the
// GUI thread in the order it was made. MessageBox and Question block the caller
// until the user has answered.

#include <cstdint>
#include <string>
#include <vector>

#include "core/ResultsGrid.h"

enum class Answer { Yes, No, Cancel };

class Ui {
public:
    virtual ~Ui() = default;

    // Main window log, progress bar and the two main buttons.
    virtual void LogLine(const std::string& text) = 0;
    virtual void SetLogLines(const std::vector<std::string>& lines) = 0;
    virtual void SetProgress(uint8_t value) = 0;
    virtual void SetMainButtons(bool enabled) = 0;

    // The default system beep, a box with an OK button, and a confirmation box
    // (Yes/No, or Yes/No/Cancel when withCancel is set).
    virtual void Beep() = 0;
    virtual void MessageBox(const std::string& text) = 0;
    virtual Answer Question(const std::string& text, bool withCancel) = 0;

    // Hidden service area of the main window: its memo and the texts of its
    // named controls (edit boxes, combo boxes, labels, the delete progress bar).
    virtual void ServiceLine(const std::string& text) = 0;
    virtual void SetServiceValue(const std::string& control, const std::string& text) = 0;

    // Results window.
    virtual void ClearResultsGrid() = 0;  // 2 rows x 2 columns, rows 0-1 of columns 0-1 empty
    virtual void SetResultsGrid(ResultsGrid grid) = 0;
    virtual void SetResultsButtons(bool enabled) = 0;
    virtual void ShowResultsWindow() = 0;

    // The settings window's Code File page: the firmware header list
    // (ListBox1), the reading progress (ProgressBar1, 0-100) and the text of the
    // MCU type box (ComboBox_MCUTYPE). A front end without a settings window
    // leaves them out.
    virtual void ClearCodeFileList() {}
    virtual void AddCodeFileLine(const std::string& text) { (void)text; }
    virtual void SetCodeFileProgress(uint8_t value) { (void)value; }
    virtual void SetMcuTypeText(const std::string& text) { (void)text; }
};
