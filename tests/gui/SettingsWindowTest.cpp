#include "config/SetupUnit.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTreeWidget>

#include "gui/GuiTestSupport.h"
#include "gui/WindowFixture.h"

namespace {

class SettingsWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        InstallFiles();
        ASSERT_TRUE(LoadTextTable(s.Texts, paths.ProgramFolder));
    }

    // Which of the three pages can be seen.
    static std::vector<bool> Shown(const TForm2& form) {
        return {form.Page1_DefaultSetup->isVisibleTo(&form),
                form.Page2_UpdateCode->isVisibleTo(&form), form.Page3_Help->isVisibleTo(&form)};
    }

    static void ClickNode(TForm2& form, int node) {
        QTreeWidgetItem* item = form.TreeView1->topLevelItem(node);
        ClickAt(form.TreeView1->viewport(), form.TreeView1->visualItemRect(item).center());
    }

    static void ClickBelowNodes(TForm2& form) {
        const QRect last = form.TreeView1->visualItemRect(form.TreeView1->topLevelItem(2));
        ClickAt(form.TreeView1->viewport(), QPoint(last.center().x(), last.bottom() + 40));
    }
};

TEST_F(SettingsWindowTest, CaptionsComeFromTheForm2MenuSection) {
    TForm2 form(s, ports);
    EXPECT_EQ(form.windowTitle(), "Options");
    EXPECT_EQ(form.TreeView1->topLevelItem(0)->text(0), "General");
    EXPECT_EQ(form.TreeView1->topLevelItem(1)->text(0), "Firmware");
    EXPECT_EQ(form.TreeView1->topLevelItem(2)->text(0), "About");
    EXPECT_EQ(form.Button1->text(), "Fine");
    EXPECT_EQ(form.Button2->text(), "Back");
    EXPECT_EQ(form.Label3->text(), "Port");
    EXPECT_EQ(form.Label2->text(), "Speed");
    EXPECT_EQ(form.Label4->text(), "Chip");
    EXPECT_EQ(form.Label5->text(), "Reset Mode");
    EXPECT_EQ(form.Label1->text(), "Copy Code");
    EXPECT_EQ(form.Button3->text(), "Load");
    EXPECT_EQ(form.Label6->text(), "Tongue");
    EXPECT_EQ(form.Edit1->text(), "C:");
    EXPECT_FALSE(form.Button4->isVisibleTo(&form));
    EXPECT_EQ(form.ListBox1->count(), 0);
}

TEST_F(SettingsWindowTest, HelpTextCarriesTheProgramVersion) {
    TForm2 form(s, ports);
    EXPECT_EQ(form.Memo1->toPlainText(),
              "help zero\nhelp one\nhelp two\nhelp three\nVersion 1.0.1.28\nhelp five");
}

// Help lines wider than the memo, the last one the widest, as in the shipped file.
std::string LanguageWithLongHelpLines() {
    std::string text = kTestLanguage;
    const std::string from = "[Help]\n";
    const auto begin = text.find(from);
    const auto end = text.find("[MAINWEBSITE]");
    text.replace(begin, end - begin,
                 "[Help]\n"
                 "H0=The data manager finds the breathalyser by itself when it is connected.\n"
                 "H1=Download Previous Results reads the test results stored in the device.\n"
                 "H2=Check for Updates and Install brings the firmware of the device up to date.\n"
                 "H3=Reload on the Code File page loads a firmware code file by hand.\n"
                 "H4=Software Version: \n"
                 "H5=Support: https://home.test/a-rather-long-address-of-the-support-page.html\n");
    return text;
}

TEST_F(SettingsWindowTest, HelpPageOpensAtTheStartOfEveryLineWithTheVersionLineInView) {
    InstallFiles(LanguageWithLongHelpLines());
    ASSERT_TRUE(LoadTextTable(s.Texts, paths.ProgramFolder));
    TForm2 form(s, ports);
    form.show();
    ClickNode(form, 2);
    QPlainTextEdit* memo = form.Memo1;
    ASSERT_TRUE(PollUntil([&] { return memo->isVisible(); }));
    QCoreApplication::processEvents();

    // The lines are wider than the memo, so the bar can scroll; it stands at the left.
    EXPECT_GT(memo->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(memo->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(memo->verticalScrollBar()->value(), 0);
    EXPECT_EQ(memo->textCursor().position(), 0);

    // The first character of the first line and the whole version line lie inside
    // the visible part of the memo.
    const QRect visible = memo->viewport()->rect();
    QTextCursor at(memo->document());
    EXPECT_TRUE(visible.contains(memo->cursorRect(at).center()));
    const QTextBlock version = memo->document()->findBlockByNumber(4);
    ASSERT_EQ(version.text(), "Software Version: 1.0.1.28");
    at.setPosition(version.position());
    EXPECT_TRUE(visible.contains(memo->cursorRect(at).center()));
    at.setPosition(version.position() + version.length() - 1);
    EXPECT_TRUE(visible.contains(memo->cursorRect(at).center()));
}

TEST_F(SettingsWindowTest, PortBoxListsTheMachinesPortsAndLanguageBoxTheFilesLanguage) {
    ports.names = {"/dev/ttyUSB0", "/dev/ttyACM1"};
    TForm2 form(s, ports);
    ASSERT_EQ(form.ComboBox_COMPORT->count(), 2);
    EXPECT_EQ(form.ComboBox_COMPORT->itemText(0), "/dev/ttyUSB0");
    EXPECT_EQ(form.ComboBox_COMPORT->itemText(1), "/dev/ttyACM1");
    ASSERT_EQ(form.ComboBox_Language->count(), 1);
    EXPECT_EQ(form.ComboBox_Language->itemText(0), "Testish");
    EXPECT_EQ(form.ComboBox_Language->currentText(), "Testish");
}

TEST_F(SettingsWindowTest, WithoutSerialPortsThePortBoxIsEmpty) {
    TForm2 form(s, ports);
    EXPECT_EQ(form.ComboBox_COMPORT->count(), 0);
}

TEST_F(SettingsWindowTest, AtCreationTheGeneralPageLiesOnTop) {
    TForm2 form(s, ports);
    EXPECT_EQ(form.VisiblePage(), 0);
}

TEST_F(SettingsWindowTest, TreeClicksShowExactlyOnePage) {
    TForm2 form(s, ports);
    form.show();
    ClickNode(form, 1);
    EXPECT_EQ(Shown(form), (std::vector<bool>{false, true, false}));
    ClickNode(form, 0);
    EXPECT_EQ(Shown(form), (std::vector<bool>{true, false, false}));
    ClickNode(form, 2);
    EXPECT_EQ(Shown(form), (std::vector<bool>{false, false, true}));
    ClickNode(form, 1);
    EXPECT_EQ(form.VisiblePage(), 1);
}

TEST_F(SettingsWindowTest, ARightClickSelectsANodeButKeepsThePage) {
    TForm2 form(s, ports);
    form.show();
    ClickNode(form, 2);
    QTreeWidgetItem* codeFile = form.TreeView1->topLevelItem(1);
    ClickAt(form.TreeView1->viewport(), form.TreeView1->visualItemRect(codeFile).center(),
            Qt::RightButton);
    EXPECT_EQ(form.TreeView1->currentItem(), codeFile);
    EXPECT_EQ(Shown(form), (std::vector<bool>{false, false, true}));
}

TEST_F(SettingsWindowTest, AClickWithNoNodeSelectedShowsHelp) {
    TForm2 form(s, ports);
    form.show();
    ClickNode(form, 0);
    form.TreeView1->clearSelection();
    ClickBelowNodes(form);
    EXPECT_EQ(Shown(form), (std::vector<bool>{false, false, true}));
}

TEST_F(SettingsWindowTest, OkAndCancelOnlyHideTheWindow) {
    TForm2 form(s, ports);
    for (QPushButton* button : {form.Button1, form.Button2}) {
        form.show();
        form.ComboBox_BAUDRATE->setCurrentIndex(3);
        button->click();
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.ComboBox_BAUDRATE->currentText(), "19200");  // kept while hidden
    }
}

}  // namespace
