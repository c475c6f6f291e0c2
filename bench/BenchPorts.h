#pragma once
// Ports that do nothing, for benchmarks that measure the core alone.

#include <string>
#include <vector>

#include "core/Comm.h"
#include "core/Ui.h"

class NullUi : public Ui {
public:
    explicit NullUi(Answer answer = Answer::No) : answer_(answer) {}
    void LogLine(const std::string&) override {}
    void SetLogLines(const std::vector<std::string>&) override {}
    void SetProgress(uint8_t) override {}
    void SetMainButtons(bool) override {}
    void Beep() override {}
    void MessageBox(const std::string&) override {}
    Answer Question(const std::string&, bool) override { return answer_; }
    void ServiceLine(const std::string&) override {}
    void SetServiceValue(const std::string&, const std::string&) override {}
    void ClearResultsGrid() override {}
    void SetResultsGrid(ResultsGrid) override {}
    void SetResultsButtons(bool) override {}
    void ShowResultsWindow() override {}

private:
    Answer answer_;
};

// A port that takes every write (or, when closed, none) and never receives.
class NullComm : public Comm {
public:
    explicit NullComm(bool open = true) : open_(open) {}
    void SetReceiveHandler(ReceiveHandler) override {}
    bool OpenCommon(const std::string&, int32_t) override { return open_; }
    void StopComm() override {}
    bool WriteCommData(const uint8_t*, uint16_t count) override { return open_ && count > 0; }

private:
    bool open_;
};
