#pragma once
// The settings window: a tree of three pages (general serial settings, the
// firmware code file, help). Its choices are shown only; OK and Cancel both
// just hide it. The Code File page is where the firmware code file reader
// shows the current firmware.

#include <QWidget>

#include "core/SharedState.h"
#include "core/SystemPorts.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class TForm2 : public QWidget {
    Q_OBJECT
public:
    // Builds the window (hidden) and runs FormCreate.
    TForm2(SharedState& s, PortLister& ports, QWidget* parent = nullptr);

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
