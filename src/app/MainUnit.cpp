#include "app/MainUnit.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QScrollBar>
#include <QTextCursor>
#include <QToolButton>
#include <algorithm>

#include "app/AppTexts.h"
#include "core/ServiceArea.h"
#include "config/Startup.h"
#include "core/Ui.h"
#include "core/TextTable.h"
#include "firmware/FirmwareStore.h"
#include "link/Download.h"
#include "platform/gui/OpenUrl.h"
#include "search/SearchThreads.h"

namespace {

constexpr int kClientWidth = 744;
constexpr int kClientHeight = 421;
constexpr int kTitleHeight = 73;
constexpr int kButtonAreaHeight = 39;
constexpr int kProgressHeight = 29;

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::vector<std::string> ItemList(std::span<const std::string_view> items) {
    return {items.begin(), items.end()};
}

}  // namespace

// The pictures live in a resource file of a static library; naming its loader
// keeps the linker from dropping it.
static void LoadPictures() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(brevalon);
        return true;
    }();
    (void)loaded;
}

std::string TServiceArea::Value(const std::string& control) const {
    const auto it = Values.find(control);
    return it == Values.end() ? std::string() : it->second;
}

TServiceArea DesignServiceArea() {
    TServiceArea area;
    auto& v = area.Values;
    auto& items = area.Items;

    // Factory panel.
    v["EditBrAC"] = "2300";
    v["ComboBoxUnit"] = "Per mille";
    items["ComboBoxUnit"] = ItemList(kUnitItems);
    v["EditFlowThreshold"] = "1000";
    v["ComboBoxBrightness"] = "4";
    items["ComboBoxBrightness"] = ItemList(kBrightnessItems);
    v["ComboBoxKeytone"] = "ON";
    items["ComboBoxKeytone"] = ItemList(kKeytoneItems);
    v["ComboBoxLanguage"] = "English";
    items["ComboBoxLanguage"] = ItemList(kLanguageItems);
    v["EditFactoryPassword"] = "8888";
    v["EditPrintOver"] = "0.35";
    v["ComboBox1"] = "OPEN";
    items["ComboBox1"] = ItemList(kStandardItems);
    v["EditSlope"] = "100";
    v["EditBlowThreshold"] = "200";
    v["ComboBox2"] = "UK (England)";
    items["ComboBox2"] = ItemList(kCountryItems);
    v["ComboBoxPrintSetting"] = "Print All";
    items["ComboBoxPrintSetting"] = ItemList(kPrintSettingItems);
    v["ComboBoxDisplayPrior"] = "Y/N Alcohol";
    items["ComboBoxDisplayPrior"] = ItemList(kDisplayPriorItems);
    v["EditPassword"] = "0000";
    v["WriteDefault"] = "Write  Default";
    v["ReadDefault"] = "Read Default";
    v["Button2"] = "Read Status";

    // Delete panel.
    v["EditDelStart"] = "1";
    v["EditDeleteEnd"] = "0";
    v["btn_WatchRecord"] = "Watch Record";
    v["btn_DeleteRecord"] = "Delete Record";
    v["btn_DeleteAll"] = "Delete All";
    v["ProgressBarDelete"] = "0";

    // Serial-number panel.
    v["ModelSN"] = "A000000000";
    v["SensorSN"] = "A000000000";
    v["BitBtn1"] = "Read";
    v["BitBtn2"] = "Write";
    v["Button3"] = "Restore Factory Default";

    // "Default" page: radio settings.
    v["ComboBoxRFFreq"] = "905MHz";
    items["ComboBoxRFFreq"] = ItemList(kRFFreqItems);
    v["ComboBoxRFChannel"] = RFChannelItem(15);
    auto& channels = items["ComboBoxRFChannel"];
    for (unsigned i = 0; i <= 30; ++i) channels.push_back(RFChannelItem(i));
    v["RFadr1"] = "20";
    v["RFadr2"] = "10";
    v["RFadr3"] = "10";
    v["RFadr4"] = "00";

    // "User" page.
    v["EditGreen"] = "0.00";
    v["EditGreenH"] = "0.29";
    v["EditYellow"] = "0.30";
    v["EditYellowH"] = "0.49";
    v["EditRed"] = "0.50";
    v["EditRedH"] = "9.00";
    v["SensorSN2"] = "A000000000";
    v["EditLogo1"] = "BREVALON";
    v["EditLogo2"] = "";
    v["btn_UpdateLED"] = "Update";
    v["EnterFactory"] = "Read";
    v["WriteRFInfor"] = "Write";
    v["Label_Station"] = "Station";
    v["Label_Location"] = "Location";
    v["Label_TestLocation"] = "Test Location";
    v["Label_NameofTester"] = "Name of Tester";
    for (const char* edit : {"Edit_Print1", "Edit_Print2", "Edit_Print3", "Edit_Print4"}) v[edit] = "";
    v["Btn_PrintInfoRead"] = "Read";
    v["Btn_PrintInfoWrite"] = "Write";

    // "Status" page.
    v["LabelModelName"] = "Model name:";
    v["LabelSoftwareVersion"] = "Software Version:";
    v["LabelHardwareVersion"] = "Hardware Version:";
    v["LabelCalDate"] = "Calibration Date:";
    v["LabelCalError"] = "Calibration Error:";
    v["LabelBolwError"] = "Blow Error:";
    v["LabelMemorySatus"] = "Memory Status";
    v["LabelVoltage"] = "Voltage";
    v["LabelPressure"] = "Pressure:";
    v["LabelTemperature"] = "Temperature:";
    v["Button1"] = "Read";
    v["btn_PrintService"] = "Print Service";
    return area;
}

TForm1::TForm1(SharedState& s, PortLister& ports, const ProgramPaths& paths,
               SelfUpdate* selfUpdate, QWidget* parent)
    : QWidget(parent),
      s_(s),
      ports_(ports),
      paths_(paths),
      auAutoUpgrader1(selfUpdate),
      service_(DesignServiceArea()) {
    openUrl_ = [](const std::string& address) { OpenUrl(address); };
    LoadPictures();
    BuildComponents();
    FormCreate();
}

TForm1::~TForm1() {
    if (auAutoUpgrader1) auAutoUpgrader1->SetEvents(nullptr);
    StopSearch();
}

void TForm1::BuildComponents() {
    setObjectName("Form1");
    // A tool-window border would keep the program off the task bar on Linux
    // desktops; a normal window with only minimise and close looks the same.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Brevalon® Data Manager"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setFixedSize(kClientWidth, kClientHeight);
    move(200, 100);

    TitileArea = new QWidget(this);
    TitileArea->setObjectName("TitileArea");
    TitileArea->setGeometry(0, 0, kClientWidth, kTitleHeight);

    SpeedButton1 = new QToolButton(TitileArea);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    SpeedButton1->setIcon(QIcon(QStringLiteral(":/brevalon/settings.png")));
    SpeedButton1->setIconSize(QSize(48, 48));
    SpeedButton1->setGeometry(0, 1, 69, 71);
    SpeedButton1->setCursor(Qt::PointingHandCursor);

    SpeedButton2 = new QToolButton(TitileArea);
    SpeedButton2->setObjectName("SpeedButton2");
    SpeedButton2->setAutoRaise(true);
    SpeedButton2->setIcon(QIcon(QStringLiteral(":/brevalon/support.png")));
    SpeedButton2->setIconSize(QSize(48, 48));
    SpeedButton2->setGeometry(kClientWidth - 73, 1, 73, 71);
    SpeedButton2->setCursor(Qt::PointingHandCursor);

    Image1 = new QLabel(TitileArea);
    Image1->setObjectName("Image1");
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(QPixmap(QStringLiteral(":/brevalon/logo.png")));
    Image1->setGeometry(69, 0, kClientWidth - 69 - 73, kTitleHeight);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);

    const int infoHeight = kClientHeight - kTitleHeight - kButtonAreaHeight;
    InformationArea = new QWidget(this);
    InformationArea->setObjectName("InformationArea");
    InformationArea->setGeometry(0, kTitleHeight, kClientWidth, infoHeight);

    Memo1 = new QPlainTextEdit(InformationArea);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setGeometry(0, 0, kClientWidth, infoHeight - kProgressHeight);

    ProgressBar1 = new QProgressBar(InformationArea);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(0, infoHeight - kProgressHeight, kClientWidth, kProgressHeight);

    btnArea = new QGroupBox(this);
    btnArea->setObjectName("btnArea");
    btnArea->setGeometry(0, kClientHeight - kButtonAreaHeight, kClientWidth, kButtonAreaHeight);

    btnUpdate = new QPushButton(QStringLiteral("Check for Updates and Install"), btnArea);
    btnUpdate->setObjectName("btnUpdate");
    btnUpdate->setGeometry(75, 4, 200, 32);
    btnUpdate->setEnabled(false);
    // The update conversation comes with the firmware update; until then the
    // button has no action.

    btnDownload = new QPushButton(QStringLiteral("Download Previous Results"), btnArea);
    btnDownload->setObjectName("btnDownload");
    btnDownload->setGeometry(452, 4, 200, 32);
    btnDownload->setEnabled(false);
    connect(btnDownload, &QPushButton::clicked, this, &TForm1::btnDownloadClick);

    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    BootDelayTimer = new QTimer(this);
    BootDelayTimer->setSingleShot(true);
    connect(BootDelayTimer, &QTimer::timeout, this, &TForm1::BootDelayTimerTimer);
}

void TForm1::FormCreate() {
    // The program's own update check; it runs in the background and never
    // holds up the start.
    if (auAutoUpgrader1) {
        auAutoUpgrader1->SetEvents(this);
        auAutoUpgrader1->CheckUpdate(true);
    }
    s_.FirmwareFetched.store(false);

    const StartupResult loaded = LoadConfiguration(s_, paths_);
    if (loaded.LanguageLoaded) {
        ApplyMenuTexts();
    } else {
        s_.ui.Beep();
        s_.ui.MessageBox(kLanguageFileMissing);
        terminateRequested_ = true;
    }
    if (!loaded.ModelLoaded) {
        s_.ui.Beep();
        s_.ui.MessageBox(kModelFileMissing);
        terminateRequested_ = true;
    }
    if (terminateRequested_) close();

    btnUpdate->setEnabled(false);
    btnDownload->setEnabled(false);
    BootDelayTimer->start(1500);
}

void TForm1::ApplyMenuTexts() {
    setWindowTitle(Q(Text(s_.Texts, kMainCaption)));
    btnUpdate->setText(Q(Text(s_.Texts, kUpdateButtonCaption)));
    btnDownload->setText(Q(Text(s_.Texts, kDownloadButtonCaption)));
}

void TForm1::BootDelayTimerTimer() {
    BootDelayTimer->stop();
    s_.SearchTrigger.store(0);
    SearchDeviceTask = std::make_unique<SearchThreads>(s_, ports_);
    SearchDeviceTask->Start();
    Timer1->start();
    // Runs on the GUI thread; the window keeps repainting meanwhile but takes
    // no clicks until the downloads are over.
    if (!s_.FirmwareFetched.load()) s_.FirmwareFetched.store(UpdateBrevalonfirmwareFromWebsite(s_));
}

void TForm1::Timer1Timer() {
    if (SearchDeviceTask) SearchDeviceTask->Trigger();
}

void TForm1::btnDownloadClick() { ::btnDownloadClick(s_); }

void TForm1::SpeedButton1Click() {
    if (!form2_) return;
    form2_->move(x() + 50, y() + 20);
    form2_->show();
    form2_->raise();
    form2_->activateWindow();
}

void TForm1::Image1Click() { openUrl_(Text(s_.Texts, kHomePageAddress)); }

void TForm1::SpeedButton2Click() { openUrl_(Text(s_.Texts, kSupportPageAddress)); }

void TForm1::auAutoUpgrader1NoUpdateAvailable() {
    s_.ui.Beep();
    s_.ui.MessageBox(kNoUpdate);
}

void TForm1::UpdateAvailable(const UpdateInformation& info) {
    std::string text = kUpdateOffered;
    text.replace(text.find("%s"), 2, info.Version);
    text.replace(text.find("%s"), 2, info.Date);
    if (s_.ui.Question(text, false) == Answer::Yes) openUrl_(info.Download);
}

void TForm1::SetUrlOpener(std::function<void(const std::string&)> opener) {
    openUrl_ = std::move(opener);
}

void TForm1::StopSearch() {
    if (Timer1) Timer1->stop();
    if (BootDelayTimer) BootDelayTimer->stop();
    if (SearchDeviceTask) {
        SearchDeviceTask->Stop();
        SearchDeviceTask.reset();
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Image1Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::AppendLogLine(const std::string& text) {
    // Counted by hand: an empty document cannot tell "no line" from "one empty
    // line", and appendPlainText would fold a leading empty line into the next.
    QTextCursor cursor(Memo1->document());
    cursor.movePosition(QTextCursor::End);
    if (logLineCount_ > 0) cursor.insertBlock();
    cursor.insertText(Q(text));
    ++logLineCount_;
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TForm1::ReplaceLogLines(const std::vector<std::string>& lines) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(lines.size()));
    for (const auto& line : lines) list.append(Q(line));
    Memo1->setPlainText(list.join(QLatin1Char('\n')));
    logLineCount_ = static_cast<int>(lines.size());
}

void TForm1::ShowProgress(int value) {
    // The search steps up to 101; the bar stops at its maximum.
    ProgressBar1->setValue(std::clamp(value, 0, 100));
}

void TForm1::EnableMainButtons(bool enabled) {
    btnUpdate->setEnabled(enabled);
    btnDownload->setEnabled(enabled);
}

void TForm1::AppendServiceLine(const std::string& text) { service_.MemoLines.push_back(text); }

void TForm1::StoreServiceValue(const std::string& control, const std::string& text) {
    service_.Values[control] = text;
}
