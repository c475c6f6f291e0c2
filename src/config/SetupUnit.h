#pragma once
// The settings window: a tree of three pages (general serial settings, the
// firmware code file, help). Its choices are shown only; OK and Cancel both
// just hide it. The Code File page is where the firmware code file reader
// shows the current firmware.

#include <QWidget>
#include <functional>
#include <string>

#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "platform/gui/UiTarget.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class TForm2 : public QWidget, public SettingsWindowTarget {
    Q_OBJECT
public:
    // Builds the window (hidden) and runs FormCreate, whose last step loads the
    // firmware of model type 2 (its effects on the Code File page arrive
    // through s.ui once the window is attached to it).
    TForm2(SharedState& s, PortLister& ports, QWidget* parent = nullptr);

    // The file dialog of Reload: the chosen file name (UTF-8), or "" when the
    // user cancels. Replaceable, e.g. by a test that names the file itself.
    std::function<std::string()> OpenDialog1;

    // SettingsWindowTarget: the Code File page's Ui effects, on the GUI thread.
    void ClearCodeFileList() override;
    void AddCodeFileLine(const std::string& text) override;
    void ShowCodeFileProgress(int value) override;
    void ShowMcuType(const std::string& text) override;

    // The page that lies on top: 0 general, 1 Code File, 2 help.
    int VisiblePage() const;

    QTreeWidget* TreeView1 = nullptr;
    QGroupBox* Page1_DefaultSetup = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* ComboBox_COMPORT = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox_BAUDRATE = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboBox_MCUTYPE = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* ComboBox_REST = nullptr;
    QLabel* Label6 = nullptr;
    QComboBox* ComboBox_Language = nullptr;
    QGroupBox* Page2_UpdateCode = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button3 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QGroupBox* Page3_Help = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    void FormCreate();
    void TreeView1Click();
    void TreeView1DblClick();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void FormHide() {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildComponents();
    void ShowPage(int page);

    SharedState& s_;
    PortLister& ports_;
};
