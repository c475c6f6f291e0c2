#pragma once
// A Ui for tests: records every call in order and answers questions from a script.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/Ui.h"

class RecordingUi : public Ui {
public:
    // One recorded call: its kind ("log", "logset", "progress", "buttons", "beep",
    // "box", "question", "service", "value", "grid-clear", "grid", "results-buttons",
    // "results-show", and of the settings window's Code File page "code-clear",
    // "code-line", "code-progress", "mcu") and its text.
    struct Event {
        std::string kind;
        std::string text;
    };

    void LogLine(const std::string& text) override;
    void SetLogLines(const std::vector<std::string>& lines) override;
    void SetProgress(uint8_t value) override;
    void SetMainButtons(bool enabled) override;
    void Beep() override;
    void MessageBox(const std::string& text) override;
    Answer Question(const std::string& text, bool withCancel) override;
    void ServiceLine(const std::string& text) override;
    void SetServiceValue(const std::string& control, const std::string& text) override;
    void ClearResultsGrid() override;
    void SetResultsGrid(ResultsGrid grid) override;
    void SetResultsButtons(bool enabled) override;
    void ShowResultsWindow() override;
    void ClearCodeFileList() override;
    void AddCodeFileLine(const std::string& text) override;
    void SetCodeFileProgress(uint8_t value) override;
    void SetMcuTypeText(const std::string& text) override;

    // The Code File list as the effects so far leave it.
    std::vector<std::string> CodeFileList() const;

    // Answers for the next questions, in order; Answer::No when the script is empty.
    void ScriptAnswers(std::vector<Answer> answers);

    std::vector<Event> Events() const;
    std::vector<std::string> Of(const std::string& kind) const;  // texts of one kind
    std::vector<std::string> Log() const { return Of("log"); }
    std::vector<std::string> Service() const { return Of("service"); }
    std::vector<int> Progress() const;
    std::string Value(const std::string& control) const;  // last value set, "" if none
    bool MainButtons() const;
    ResultsGrid Grid() const;
    int GridCount() const;  // how many grids were set
    void Clear();

    // Waits until pred() over the events holds or the timeout passes.
    bool WaitFor(const std::function<bool(const std::vector<Event>&)>& pred, int timeoutMs = 5000) const;
    bool WaitForLog(const std::string& text, int timeoutMs = 5000) const;

private:
    void Add(std::string kind, std::string text);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Event> events_;
    std::deque<Answer> answers_;
    std::map<std::string, std::string> values_;
    bool buttons_ = false;
    ResultsGrid grid_ = ResultsGrid::Empty();
    int gridCount_ = 0;
};
