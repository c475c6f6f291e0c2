#pragma once
// The main window: title strip with the settings button, the logo and the
// support button; the log memo and progress bar; the two main buttons. It also
// carries the hidden service area, kept as data because it is never shown, and
// owns the search thread once the start-up delay has run.

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/SelfUpdate.h"
#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "platform/gui/UiTarget.h"

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class SearchThreads;

// The service area of the main window: the texts of its named controls (edit
// boxes, combo boxes, labels, buttons, the delete progress bar), the item lists
// of its combo boxes and the lines of its service memo. The report handlers
// write into it; nothing shows it.
struct TServiceArea {
    std::map<std::string, std::string> Values;
    std::map<std::string, std::vector<std::string>> Items;
    std::vector<std::string> MemoLines;

    // The control's text, "" for a control the area does not have.
    std::string Value(const std::string& control) const;
};

// The service area with its design values.
TServiceArea DesignServiceArea();

class TForm1 : public QWidget, public MainWindowTarget, public SelfUpdateEvents {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate: configuration loaded from paths,
    // messages through s.ui, the program's own update check started on
    // selfUpdate (none when it is nullptr). The window is not shown.
    TForm1(SharedState& s, PortLister& ports, const ProgramPaths& paths,
           SelfUpdate* selfUpdate = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    // The settings window that SpeedButton1 places and shows.
    void SetSettingsWindow(QWidget* form2) { form2_ = form2; }

    // True when FormCreate found the language or the model file missing: the
    // program must end once the other windows have been created.
    bool TerminateRequested() const { return terminateRequested_; }

    // Stops both timers and the search thread, which releases the dispatcher
    // thread it runs. Called at exit, before the serial port is shut down.
    void StopSearch();

    // The address opener of the logo and the support button (the default
    // browser unless replaced, e.g. by a test).
    void SetUrlOpener(std::function<void(const std::string&)> opener);

    const TServiceArea& ServiceArea() const { return service_; }

    // MainWindowTarget: the Ui effects, on the GUI thread.
    void AppendLogLine(const std::string& text) override;
    void ReplaceLogLines(const std::vector<std::string>& lines) override;
    void ShowProgress(int value) override;
    void EnableMainButtons(bool enabled) override;
    void AppendServiceLine(const std::string& text) override;
    void StoreServiceValue(const std::string& control, const std::string& text) override;
    QWidget* DialogOwner() override { return this; }

    // SelfUpdateEvents: the end of the program's own update check.
    void NoUpdateAvailable() override { auAutoUpgrader1NoUpdateAvailable(); }
    void UpdateAvailable(const UpdateInformation& info) override;

    // Components.
    QWidget* TitileArea = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLabel* Image1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QWidget* InformationArea = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QGroupBox* btnArea = nullptr;
    QPushButton* btnUpdate = nullptr;
    QPushButton* btnDownload = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* BootDelayTimer = nullptr;

    std::unique_ptr<SearchThreads> SearchDeviceTask;

    // Handlers.
    void FormCreate();
    void ApplyMenuTexts();
    void BootDelayTimerTimer();
    void Timer1Timer();
    void btnDownloadClick();
    void SpeedButton1Click();
    void Image1Click();
    void SpeedButton2Click();
    void auAutoUpgrader1NoUpdateAvailable();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildComponents();

    SharedState& s_;
    PortLister& ports_;
    const ProgramPaths paths_;
    SelfUpdate* auAutoUpgrader1 = nullptr;
    QWidget* form2_ = nullptr;
    bool terminateRequested_ = false;
    int logLineCount_ = 0;
    TServiceArea service_;
    std::function<void(const std::string&)> openUrl_;
};
