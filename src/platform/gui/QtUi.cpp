#include "platform/gui/QtUi.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <memory>
#include <utility>

QtUi::QtUi(std::string title) : title_(std::move(title)) {}

QtUi::~QtUi() = default;

void QtUi::Attach(MainWindowTarget* mainWindow, ResultsWindowTarget* resultsWindow) {
    main_ = mainWindow;
    results_ = resultsWindow;
}

void QtUi::AttachSettings(SettingsWindowTarget* settingsWindow) { settings_ = settingsWindow; }

void QtUi::Shutdown() {
    {
        std::lock_guard lock(boxLock_);
        closing_ = true;
    }
    boxDone_.notify_all();
    main_ = nullptr;
    results_ = nullptr;
    settings_ = nullptr;
}

bool QtUi::OnGuiThread() const { return QThread::currentThread() == receiver_.thread(); }

void QtUi::Post(std::function<void()> fn) {
    std::lock_guard lock(postLock_);
    PostLocked(std::move(fn));
}

void QtUi::PostLocked(std::function<void()> fn) {
    QMetaObject::invokeMethod(&receiver_, std::move(fn), Qt::QueuedConnection);
    lastProgress_.reset();
}

void QtUi::LogLine(const std::string& text) {
    Post([this, text] {
        if (main_) main_->AppendLogLine(text);
    });
}

void QtUi::SetLogLines(const std::vector<std::string>& lines) {
    Post([this, lines] {
        if (main_) main_->ReplaceLogLines(lines);
    });
}

void QtUi::SetProgress(uint8_t value) {
    std::lock_guard lock(postLock_);
    // Directly after a progress effect that has not been shown yet: it shows
    // this value instead, in its own place, which is also this one's place.
    if (lastProgress_ && !lastProgress_->shown) {
        lastProgress_->value = value;
        return;
    }
    auto pending = std::make_shared<PendingProgress>();
    pending->value = value;
    PostLocked([this, pending] {
        int shown;
        {
            // Marked shown under the lock: a value set after this posts anew.
            std::lock_guard lock(postLock_);
            pending->shown = true;
            shown = pending->value;
        }
        if (main_) main_->ShowProgress(shown);
    });
    lastProgress_ = std::move(pending);
}

void QtUi::SetMainButtons(bool enabled) {
    Post([this, enabled] {
        if (main_) main_->EnableMainButtons(enabled);
    });
}

void QtUi::Beep() {
    Post([] { QApplication::beep(); });
}

void QtUi::MessageBox(const std::string& text) {
    RunBox([this, text] { return ShowBox(text, false, false); }, Answer::Cancel);
}

Answer QtUi::Question(const std::string& text, bool withCancel) {
    return RunBox([this, text, withCancel] { return ShowBox(text, true, withCancel); },
                  withCancel ? Answer::Cancel : Answer::No);
}

void QtUi::ServiceLine(const std::string& text) {
    Post([this, text] {
        if (main_) main_->AppendServiceLine(text);
    });
}

void QtUi::SetServiceValue(const std::string& control, const std::string& text) {
    Post([this, control, text] {
        if (main_) main_->StoreServiceValue(control, text);
    });
}

void QtUi::ClearResultsGrid() {
    Post([this] {
        if (results_) results_->ClearGrid();
    });
}

void QtUi::SetResultsGrid(ResultsGrid grid) {
    auto shared = std::make_shared<ResultsGrid>(std::move(grid));
    Post([this, shared] {
        if (results_) results_->ShowGrid(std::move(*shared));
    });
}

void QtUi::SetResultsButtons(bool enabled) {
    Post([this, enabled] {
        if (results_) results_->EnableResultsButtons(enabled);
    });
}

void QtUi::ShowResultsWindow() {
    Post([this] {
        if (results_) results_->ShowResults();
    });
}

void QtUi::ClearCodeFileList() {
    Post([this] {
        if (settings_) settings_->ClearCodeFileList();
    });
}

void QtUi::AddCodeFileLine(const std::string& text) {
    Post([this, text] {
        if (settings_) settings_->AddCodeFileLine(text);
    });
}

void QtUi::SetCodeFileProgress(uint8_t value) {
    Post([this, value] {
        if (settings_) settings_->ShowCodeFileProgress(value);
    });
}

void QtUi::SetMcuTypeText(const std::string& text) {
    Post([this, text] {
        if (settings_) settings_->ShowMcuType(text);
    });
}

Answer QtUi::RunBox(std::function<Answer()> show, Answer ifClosing) {
    if (OnGuiThread()) {
        // Effects queued before the box (a beep, log lines) happen before it shows.
        QCoreApplication::sendPostedEvents(&receiver_, QEvent::MetaCall);
        return show();
    }

    // A plain blocking queued call would keep a worker blocked for good when the
    // program ends while its box is pending; this wait also ends at Shutdown.
    struct Pending {
        bool done = false;
        Answer answer = Answer::No;
    };
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard lock(boxLock_);
        if (closing_) return ifClosing;
    }
    Post([this, pending, show = std::move(show), ifClosing] {
        bool closing;
        {
            std::lock_guard lock(boxLock_);
            closing = closing_;
        }
        const Answer answer = closing ? ifClosing : show();
        {
            std::lock_guard lock(boxLock_);
            pending->answer = answer;
            pending->done = true;
        }
        boxDone_.notify_all();
    });
    std::unique_lock lock(boxLock_);
    boxDone_.wait(lock, [&] { return pending->done || closing_; });
    return pending->done ? pending->answer : ifClosing;
}

Answer QtUi::ShowBox(const std::string& text, bool question, bool withCancel) {
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (question) {
        buttons = QMessageBox::Yes | QMessageBox::No;
        if (withCancel) buttons |= QMessageBox::Cancel;
    }
    QWidget* owner = main_ ? main_->DialogOwner() : nullptr;
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title_),
                    QString::fromStdString(text), buttons, owner);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        default:  // closed without a button
            return withCancel ? Answer::Cancel : Answer::No;
    }
}
