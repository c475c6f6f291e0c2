#include "config/SetupUnit.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "config/SetupTexts.h"
#include "core/TextTable.h"
#include "firmware/FirmwareFileIo.h"
#include "firmware/FirmwareStore.h"

namespace {

constexpr int kClientWidth = 520;
constexpr int kClientHeight = 320;
constexpr int kTreeWidth = 121;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items, const QString& text) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);  // the box's text is kept apart from its items
    box->addItems(items);
    box->setEditText(text);
    return box;
}

}  // namespace

TForm2::TForm2(SharedState& s, PortLister& ports, QWidget* parent)
    : QWidget(parent), s_(s), ports_(ports) {
    OpenDialog1 = [this] {
        // No filter: code files come with any extension.
        return QFileDialog::getOpenFileName(this).toStdString();
    };
    BuildComponents();
    FormCreate();
}

void TForm2::BuildComponents() {
    setObjectName("Form2");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Settings"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName("TreeView1");
    TreeView1->setHeaderHidden(true);
    TreeView1->setRootIsDecorated(false);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const char* node : {"Setting", "Code File", "Help"})
        new QTreeWidgetItem(TreeView1, QStringList{QString::fromLatin1(node)});
    TreeView1->setGeometry(0, 0, kTreeWidth, kClientHeight);
    TreeView1->viewport()->installEventFilter(this);

    const QRect pageRect(kTreeWidth + 6, 4, kClientWidth - kTreeWidth - 12, kClientHeight - 48);
    auto makePage = [&](const char* name) {
        auto* page = new QGroupBox(this);
        page->setObjectName(name);
        page->setGeometry(pageRect);
        page->setAutoFillBackground(true);  // the page on top hides the others
        return page;
    };

    // Help page.
    Page3_Help = makePage("Page3_Help");
    Memo1 = new QPlainTextEdit(Page3_Help);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    (new QVBoxLayout(Page3_Help))->addWidget(Memo1);

    // Code File page.
    Page2_UpdateCode = makePage("Page2_UpdateCode");
    Label1 = new QLabel(QStringLiteral("Load the Copy Code"), Page2_UpdateCode);
    Label1->setObjectName("Label1");
    Edit1 = new QLineEdit(QStringLiteral("C:"), Page2_UpdateCode);
    Edit1->setObjectName("Edit1");
    Button3 = new QPushButton(QStringLiteral("Reload"), Page2_UpdateCode);
    Button3->setObjectName("Button3");
    ListBox1 = new QListWidget(Page2_UpdateCode);
    ListBox1->setObjectName("ListBox1");
    ProgressBar1 = new QProgressBar(Page2_UpdateCode);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    auto* codeLayout = new QGridLayout(Page2_UpdateCode);
    codeLayout->addWidget(Label1, 0, 0, 1, 2);
    codeLayout->addWidget(Edit1, 1, 0);
    codeLayout->addWidget(Button3, 1, 1);
    codeLayout->addWidget(ListBox1, 2, 0, 1, 2);
    codeLayout->addWidget(ProgressBar1, 3, 0, 1, 2);
    connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);

    // General page.
    Page1_DefaultSetup = makePage("Page1_DefaultSetup");
    const QString automatic = QStringLiteral("Automatic");
    Label3 = new QLabel(QStringLiteral("COM Port"), Page1_DefaultSetup);
    ComboBox_COMPORT = Combo(Page1_DefaultSetup, "ComboBox_COMPORT", {automatic}, automatic);
    Label2 = new QLabel(QStringLiteral("Baud Rate"), Page1_DefaultSetup);
    ComboBox_BAUDRATE = Combo(Page1_DefaultSetup, "ComboBox_BAUDRATE",
                              {automatic, "115200", "57600", "19200", "9600"}, automatic);
    Label4 = new QLabel(QStringLiteral("MCU Type"), Page1_DefaultSetup);
    ComboBox_MCUTYPE =
        Combo(Page1_DefaultSetup, "ComboBox_MCUTYPE", {"STM32", "MSP430", "AT24"}, "STM32");
    Label5 = new QLabel(QStringLiteral("Automatic Reset"), Page1_DefaultSetup);
    ComboBox_REST =
        Combo(Page1_DefaultSetup, "ComboBox_REST", {automatic, "Manually"}, automatic);
    Label6 = new QLabel(QStringLiteral("Language"), Page1_DefaultSetup);
    ComboBox_Language = Combo(Page1_DefaultSetup, "ComboBox_Language", {}, "English");
    auto* generalLayout = new QGridLayout(Page1_DefaultSetup);
    int row = 0;
    for (auto [label, box] : {std::pair<QLabel*, QComboBox*>{Label3, ComboBox_COMPORT},
                              {Label2, ComboBox_BAUDRATE},
                              {Label4, ComboBox_MCUTYPE},
                              {Label5, ComboBox_REST},
                              {Label6, ComboBox_Language}}) {
        generalLayout->addWidget(label, row, 0);
        generalLayout->addWidget(box, row, 1);
        ++row;
    }
    generalLayout->setRowStretch(row, 1);
    Label2->setObjectName("Label2");
    Label3->setObjectName("Label3");
    Label4->setObjectName("Label4");
    Label5->setObjectName("Label5");
    Label6->setObjectName("Label6");
    Page1_DefaultSetup->raise();  // at creation all three pages are up, the general one on top

    const int buttonTop = kClientHeight - 36;
    Button4 = new QPushButton(QStringLiteral("Check to update"), this);
    Button4->setObjectName("Button4");
    Button4->setGeometry(kTreeWidth + 6, buttonTop, 100, 28);
    Button4->hide();  // the program's own update check; out of the user's reach
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(kClientWidth - 190, buttonTop, 85, 28);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(kClientWidth - 95, buttonTop, 85, 28);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
}

void TForm2::FormCreate() {
    const TextTable& t = s_.Texts;
    TreeView1->topLevelItem(0)->setText(0, Q(Text(t, kSetupNodeSetting)));
    TreeView1->topLevelItem(1)->setText(0, Q(Text(t, kSetupNodeCodeFile)));
    TreeView1->topLevelItem(2)->setText(0, Q(Text(t, kSetupNodeHelp)));
    Button1->setText(Q(Text(t, kSetupOkCaption)));
    Button2->setText(Q(Text(t, kSetupCancelCaption)));
    Label3->setText(Q(Text(t, kSetupPortLabel)));
    Label2->setText(Q(Text(t, kSetupBaudRateLabel)));
    Label4->setText(Q(Text(t, kSetupMcuTypeLabel)));
    Label5->setText(Q(Text(t, kSetupResetLabel)));
    Label1->setText(Q(Text(t, kSetupCopyCodeLabel)));
    Button3->setText(Q(Text(t, kSetupReloadCaption)));
    setWindowTitle(Q(Text(t, kSetupCaption)));
    Label6->setText(Q(Text(t, kSetupLanguageLabel)));

    Memo1->clear();
    const TextRef help[] = {kHelpLine0,       kHelpLine1, kHelpLine2,
                            kHelpLine3,       kHelpVersionLine, kHelpLine5};
    for (const TextRef& line : help) {
        std::string text = Text(t, line);
        if (line.Offset == kHelpVersionLine.Offset) text += kProgramVersion;
        Memo1->appendPlainText(Q(text));
    }
    // Appending leaves the cursor at the end of the last line, the widest one, and
    // the memo would open scrolled to it; the help is read from its start.
    Memo1->moveCursor(QTextCursor::Start);

    const QString portText = ComboBox_COMPORT->currentText();
    ComboBox_COMPORT->clear();
    for (const std::string& port : ports_.GetComPortList()) ComboBox_COMPORT->addItem(Q(port));
    ComboBox_COMPORT->setEditText(portText);

    const QString language = Q(Text(t, kLanguageName));
    ComboBox_Language->clear();
    ComboBox_Language->addItem(language);
    ComboBox_Language->setEditText(language);

    LoadFirmwareAtCreation(s_);
}

int TForm2::VisiblePage() const {
    if (Page1_DefaultSetup->isVisibleTo(this) && Page2_UpdateCode->isVisibleTo(this) &&
        Page3_Help->isVisibleTo(this)) {
        // All three are up: the last child in stacking order lies on top.
        for (auto it = children().crbegin(); it != children().crend(); ++it) {
            if (*it == Page1_DefaultSetup) return 0;
            if (*it == Page2_UpdateCode) return 1;
            if (*it == Page3_Help) return 2;
        }
    }
    if (Page1_DefaultSetup->isVisibleTo(this)) return 0;
    if (Page2_UpdateCode->isVisibleTo(this)) return 1;
    return 2;
}

void TForm2::ShowPage(int page) {
    Page1_DefaultSetup->setVisible(page == 0);
    Page2_UpdateCode->setVisible(page == 1);
    Page3_Help->setVisible(page == 2);
}

void TForm2::TreeView1Click() {
    const QList<QTreeWidgetItem*> selected = TreeView1->selectedItems();
    int index = -1;
    if (!selected.isEmpty()) {
        QTreeWidgetItem* node = selected.first();
        index = node->parent() ? node->parent()->indexOfChild(node)
                               : TreeView1->indexOfTopLevelItem(node);
    }
    ShowPage(index == 0 ? 0 : index == 1 ? 1 : 2);
}

void TForm2::TreeView1DblClick() { TreeView1Click(); }

void TForm2::Button1Click() { hide(); }

void TForm2::Button2Click() { hide(); }

void TForm2::Button3Click() {
    const std::string name = OpenDialog1 ? OpenDialog1() : std::string();
    if (name.empty()) return;
    ReloadCopyCode(s_, PathFromUtf8(name),
                   [this](const std::string& path) { Edit1->setText(Q(path)); });
}

void TForm2::ClearCodeFileList() { ListBox1->clear(); }

void TForm2::AddCodeFileLine(const std::string& text) { ListBox1->addItem(Q(text)); }

void TForm2::ShowCodeFileProgress(int value) { ProgressBar1->setValue(std::clamp(value, 0, 100)); }

void TForm2::ShowMcuType(const std::string& text) { ComboBox_MCUTYPE->setEditText(Q(text)); }

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == TreeView1->viewport() &&
        (type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick)) {
        // Only now is it a mouse event. A right-click only selects the node; the
        // page changes on a left click.
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            if (type == QEvent::MouseButtonRelease)
                TreeView1Click();
            else
                TreeView1DblClick();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm2::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FormHide();
}
