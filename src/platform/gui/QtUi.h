#pragma once
// The Ui port on Qt. Every effect is posted to one receiver on the GUI thread,
// so effects of one thread arrive in the order they were made. Message boxes and
// questions run at once on the GUI thread; asked from a worker they are posted
// the same way and block only that worker until the user has answered. Progress
// values, which come in floods during a download, are coalesced: a progress
// effect that follows another one still waiting, with no other effect between
// them, replaces that one's value; any other effect in between keeps both.

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/Ui.h"
#include "platform/gui/UiTarget.h"

class QtUi : public Ui {
public:
    // Create on the GUI thread; title is the title of every message box.
    explicit QtUi(std::string title);
    ~QtUi() override;

    // The windows that receive the effects (GUI thread). Effects that arrive
    // while a window is not attached are dropped.
    void Attach(MainWindowTarget* mainWindow, ResultsWindowTarget* resultsWindow);
    void AttachSettings(SettingsWindowTarget* settingsWindow);

    // At exit, before the worker threads are stopped (GUI thread): every box a
    // worker waits for, or asks for later, is answered at once (No, or Cancel
    // where offered) so no thread stays blocked on the GUI, and the windows are
    // detached.
    void Shutdown();

    const std::string& Title() const { return title_; }

    // Runs fn on the GUI thread after every effect posted before it.
    void Post(std::function<void()> fn);

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

private:
    bool OnGuiThread() const;
    // Shows a box on the GUI thread and returns its answer; from a worker it
    // waits for the GUI thread, or returns ifClosing once Shutdown has run.
    Answer RunBox(std::function<Answer()> show, Answer ifClosing);
    Answer ShowBox(const std::string& text, bool question, bool withCancel);

    const std::string title_;
    QObject receiver_;
    MainWindowTarget* main_ = nullptr;        // GUI thread only
    ResultsWindowTarget* results_ = nullptr;  // GUI thread only
    SettingsWindowTarget* settings_ = nullptr;  // GUI thread only

    // The value of a progress effect, until it has been shown.
    struct PendingProgress {
        int value = 0;
        bool shown = false;
    };
    // Posts fn under postLock_; the effect last posted is then not a progress.
    void PostLocked(std::function<void()> fn);

    std::mutex postLock_;  // the order of posting, and lastProgress_
    // The progress effect posted last, when nothing has been posted after it.
    std::shared_ptr<PendingProgress> lastProgress_;

    std::mutex boxLock_;
    std::condition_variable boxDone_;
    bool closing_ = false;  // guarded by boxLock_
};
