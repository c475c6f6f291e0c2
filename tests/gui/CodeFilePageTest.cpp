// The settings window's Code File page: the load at creation, Reload through
// the (replaced) file dialog, and the page's controls fed through the GUI
// bridge in the order the reader made its effects.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <memory>

#include "config/SetupUnit.h"
#include "core/SharedState.h"
#include "firmware/CodeFileMake.h"
#include "firmware/FirmwareFileIo.h"
#include "gui/GuiTestSupport.h"
#include "gui/WindowFixture.h"
#include "platform/gui/QtUi.h"

namespace {

std::string MadeFile(const char* model, const char* family, const char* version) {
    std::vector<std::string> lines;
    std::string error;
    MakeCodeFile({model, version, "1.000", "page test", family},
                 BinaryImage({0x10, 0x20, 0x30}, 0x08003000), lines, error);
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    return text;
}

class CodeFilePage : public WindowFixture {
  protected:
    void SetUp() override {
        InstallFiles();
        ASSERT_TRUE(LoadTextTable(bridged.Texts, paths.ProgramFolder));
        bridged.Firmware = InstalledFirmwarePlaces(paths);
    }
    std::unique_ptr<TForm2> Make() {
        auto form = std::make_unique<TForm2>(bridged, ports);
        bridge.AttachSettings(form.get());
        PollUntil([] { return false; }, 50);  // deliver the creation's effects
        return form;
    }
    static std::vector<std::string> List(const TForm2& form) {
        std::vector<std::string> items;
        for (int i = 0; i < form.ListBox1->count(); ++i)
            items.push_back(form.ListBox1->item(i)->text().toStdString());
        return items;
    }
    void Put(const std::filesystem::path& path, const std::string& text) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    QtUi bridge{"test"};
    SharedState bridged{bridge, comm};
};

TEST_F(CodeFilePage, AtCreationTheZetFirmwareHeaderAndFamilyAreShown) {
    Put(paths.ProgramFolder / "settings" / "SUGdefaultscf_ZET.txt",
        MadeFile("Q7302", "MSP430", "2.01.006"));
    auto form = Make();
    EXPECT_EQ(List(*form), (std::vector<std::string>{"Model:ZET", "Firmware Version:2.01.006",
                                                     "Minimum Hardware:1.000", "Note:page test"}));
    EXPECT_EQ(form->ComboBox_MCUTYPE->currentText(), "MSP430");
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    EXPECT_EQ(form->Edit1->text(), "C:");
}

TEST_F(CodeFilePage, ReloadLoadsTheChosenFileAndFilesIt) {
    auto form = Make();
    EXPECT_TRUE(List(*form).empty());
    const auto chosen = paths.ProgramFolder.parent_path() / "chosen" / "kovan.txt";
    Put(chosen, MadeFile("Q7303", "STM32", "3.00.001"));
    form->OpenDialog1 = [&] { return Utf8FromPath(chosen); };
    form->Button3->click();
    PollUntil([&] { return form->ListBox1->count() == 5; });
    EXPECT_EQ(List(*form),
              (std::vector<std::string>{"Model:KOVAN", "Firmware Version:3.00.001",
                                        "Minimum Hardware:1.000", "Note:page test",
                                        "The Copy Code file had been loaded successful!"}));
    EXPECT_EQ(form->Edit1->text().toStdString(), Utf8FromPath(chosen));
    EXPECT_EQ(form->ComboBox_MCUTYPE->currentText(), "STM32");
    EXPECT_TRUE(std::filesystem::exists(paths.DataFolder / "SUGdefaultscf_KOVAN.txt"));
}

TEST_F(CodeFilePage, ReloadOfARejectedFileKeepsThePathAndListsTheFailure) {
    Put(paths.ProgramFolder / "settings" / "SUGdefaultscf_ZET.txt",
        MadeFile("Q7302", "MSP430", "2.01.006"));
    auto form = Make();
    const auto chosen = paths.ProgramFolder.parent_path() / "broken.txt";
    Put(chosen, "Model:Q7302\r\nonly two lines\r\n");
    form->OpenDialog1 = [&] { return Utf8FromPath(chosen); };
    form->Button3->click();
    PollUntil([&] { return form->ListBox1->count() == 1; });
    EXPECT_EQ(List(*form), std::vector<std::string>{"Failed to load the copy code file!"});
    EXPECT_EQ(form->ComboBox_MCUTYPE->currentText(), "MSP430");  // the firmware in force stays
}

TEST_F(CodeFilePage, ReloadCancelledChangesNothing) {
    auto form = Make();
    form->OpenDialog1 = [] { return std::string(); };
    form->Button3->click();
    PollUntil([] { return false; }, 50);
    EXPECT_EQ(form->Edit1->text(), "C:");
    EXPECT_EQ(form->ListBox1->count(), 0);
}

}  // namespace
