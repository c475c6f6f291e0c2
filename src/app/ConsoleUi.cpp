#include "app/ConsoleUi.h"

#include <chrono>

void ConsoleUi::EndProgressLine() {
    if (progress_ >= 0 && terminal_) err_ << '\n' << std::flush;
    progress_ = -1;
}

void ConsoleUi::LogLine(const std::string& text) {
    std::lock_guard lock(mutex_);
    EndProgressLine();
    out_ << text << '\n' << std::flush;
}

void ConsoleUi::SetLogLines(const std::vector<std::string>& lines) {
    std::lock_guard lock(mutex_);
    EndProgressLine();
    for (const auto& line : lines) out_ << line << '\n';
    out_ << std::flush;
}

void ConsoleUi::SetProgress(uint8_t value) {
    std::lock_guard lock(mutex_);
    if (value == 0) {
        EndProgressLine();
        return;
    }
    if (value == progress_) return;
    if (!terminal_) {
        if (progress_ < 0 || value / 10 != progress_ / 10)
            err_ << static_cast<int>(value) << "%\n" << std::flush;
        progress_ = value;
        return;
    }
    progress_ = value;
    const int filled = value * 30 / 100;
    err_ << "\r[" << std::string(filled, '#') << std::string(30 - filled, '.') << "] "
         << static_cast<int>(value) << "%" << std::flush;
}

void ConsoleUi::MessageBox(const std::string& text) {
    std::lock_guard lock(mutex_);
    EndProgressLine();
    err_ << text << '\n' << std::flush;
}

Answer ConsoleUi::Question(const std::string& text, bool) {
    std::lock_guard lock(mutex_);
    EndProgressLine();
    err_ << text << (answerYes_ ? " -> yes (--force)" : " -> no") << '\n' << std::flush;
    return answerYes_ ? Answer::Yes : Answer::No;
}

void ConsoleUi::ClearResultsGrid() {
    std::lock_guard lock(mutex_);
    grid_ = ResultsGrid::Empty();
    resultsShown_ = false;
}

void ConsoleUi::SetResultsGrid(ResultsGrid grid) {
    std::lock_guard lock(mutex_);
    grid_ = std::move(grid);
}

void ConsoleUi::ShowResultsWindow() {
    {
        std::lock_guard lock(mutex_);
        resultsShown_ = true;
    }
    shown_.notify_all();
}

bool ConsoleUi::WaitForResults(int timeoutMs, ResultsGrid& grid) {
    std::unique_lock lock(mutex_);
    if (!shown_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return resultsShown_; }))
        return false;
    grid = grid_;
    return true;
}

bool ConsoleUi::ResultsShown() const {
    std::lock_guard lock(mutex_);
    return resultsShown_;
}
