#pragma once
// The Ui of the headless front end: log lines go to one stream (standard output),
// progress and messages to another (standard error). The overwrite question is
// answered from the --force option; every other question is answered No.

#include <condition_variable>
#include <mutex>
#include <ostream>

#include "core/Ui.h"

class ConsoleUi : public Ui {
public:
    // With a terminal on err the progress is one bar redrawn in place; otherwise
    // (a log file, a pipe) it is a line at every tenth.
    ConsoleUi(std::ostream& out, std::ostream& err, bool answerYes = false, bool terminal = false)
        : out_(out), err_(err), answerYes_(answerYes), terminal_(terminal) {}

    void LogLine(const std::string& text) override;
    void SetLogLines(const std::vector<std::string>& lines) override;
    void SetProgress(uint8_t value) override;
    void SetMainButtons(bool) override {}
    void Beep() override {}
    void MessageBox(const std::string& text) override;
    Answer Question(const std::string& text, bool withCancel) override;
    void ServiceLine(const std::string&) override {}
    void SetServiceValue(const std::string&, const std::string&) override {}
    void ClearResultsGrid() override;
    void SetResultsGrid(ResultsGrid grid) override;
    void SetResultsButtons(bool) override {}
    void ShowResultsWindow() override;

    // The grid of the last finished download, once the results are shown.
    bool WaitForResults(int timeoutMs, ResultsGrid& grid);
    bool ResultsShown() const;

private:
    void EndProgressLine();

    std::ostream& out_;
    std::ostream& err_;
    const bool answerYes_;
    const bool terminal_;
    mutable std::mutex mutex_;
    std::condition_variable shown_;
    ResultsGrid grid_ = ResultsGrid::Empty();
    bool resultsShown_ = false;
    int progress_ = -1;  // -1: no progress line open
};
