#include "support/RecordingUi.h"

#include <chrono>

void RecordingUi::Add(std::string kind, std::string text) {
    {
        std::lock_guard lock(mutex_);
        events_.push_back({std::move(kind), std::move(text)});
    }
    changed_.notify_all();
}

void RecordingUi::LogLine(const std::string& text) { Add("log", text); }

void RecordingUi::SetLogLines(const std::vector<std::string>& lines) {
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) joined += (i ? "\n" : "") + lines[i];
    Add("logset", joined);
}

void RecordingUi::SetProgress(uint8_t value) { Add("progress", std::to_string(value)); }

void RecordingUi::SetMainButtons(bool enabled) {
    {
        std::lock_guard lock(mutex_);
        buttons_ = enabled;
    }
    Add("buttons", enabled ? "on" : "off");
}

void RecordingUi::Beep() { Add("beep", ""); }
void RecordingUi::MessageBox(const std::string& text) { Add("box", text); }

Answer RecordingUi::Question(const std::string& text, bool withCancel) {
    Answer a = Answer::No;
    {
        std::lock_guard lock(mutex_);
        if (!answers_.empty()) {
            a = answers_.front();
            answers_.pop_front();
        }
    }
    Add(withCancel ? "question3" : "question", text);
    return a;
}

void RecordingUi::ServiceLine(const std::string& text) { Add("service", text); }

void RecordingUi::SetServiceValue(const std::string& control, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        values_[control] = text;
    }
    Add("value", control + "=" + text);
}

void RecordingUi::ClearResultsGrid() {
    {
        std::lock_guard lock(mutex_);
        grid_ = ResultsGrid::Empty();
    }
    Add("grid-clear", "");
}

void RecordingUi::SetResultsGrid(ResultsGrid grid) {
    const auto rows = grid.RowCount();
    {
        std::lock_guard lock(mutex_);
        grid_ = std::move(grid);
        ++gridCount_;
    }
    Add("grid", std::to_string(rows));
}

void RecordingUi::SetResultsButtons(bool enabled) { Add("results-buttons", enabled ? "on" : "off"); }
void RecordingUi::ShowResultsWindow() { Add("results-show", ""); }

void RecordingUi::ClearCodeFileList() { Add("code-clear", ""); }
void RecordingUi::AddCodeFileLine(const std::string& text) { Add("code-line", text); }
void RecordingUi::SetCodeFileProgress(uint8_t value) { Add("code-progress", std::to_string(value)); }
void RecordingUi::SetMcuTypeText(const std::string& text) { Add("mcu", text); }

std::vector<std::string> RecordingUi::CodeFileList() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> list;
    for (const auto& e : events_) {
        if (e.kind == "code-clear") list.clear();
        if (e.kind == "code-line") list.push_back(e.text);
    }
    return list;
}

void RecordingUi::ScriptAnswers(std::vector<Answer> answers) {
    std::lock_guard lock(mutex_);
    answers_.assign(answers.begin(), answers.end());
}

std::vector<RecordingUi::Event> RecordingUi::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<std::string> RecordingUi::Of(const std::string& kind) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& e : events_)
        if (e.kind == kind) out.push_back(e.text);
    return out;
}

std::vector<int> RecordingUi::Progress() const {
    std::vector<int> out;
    for (const auto& t : Of("progress")) out.push_back(std::stoi(t));
    return out;
}

std::string RecordingUi::Value(const std::string& control) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(control);
    return it == values_.end() ? std::string() : it->second;
}

bool RecordingUi::MainButtons() const {
    std::lock_guard lock(mutex_);
    return buttons_;
}

ResultsGrid RecordingUi::Grid() const {
    std::lock_guard lock(mutex_);
    return grid_;
}

int RecordingUi::GridCount() const {
    std::lock_guard lock(mutex_);
    return gridCount_;
}

void RecordingUi::Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

bool RecordingUi::WaitFor(const std::function<bool(const std::vector<Event>&)>& pred,
                          int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return pred(events_); });
}

bool RecordingUi::WaitForLog(const std::string& text, int timeoutMs) const {
    return WaitFor(
        [&](const std::vector<Event>& ev) {
            for (const auto& e : ev)
                if (e.kind == "log" && e.text == text) return true;
            return false;
        },
        timeoutMs);
}
