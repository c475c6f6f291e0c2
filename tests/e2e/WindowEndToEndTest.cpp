// The windows and the device machinery on a real serial port: brevsim serves a
// virtual breathalyser on a pseudo-terminal, the program opens it through the
// Qt serial component, finds the device, and downloads every record into the
// results window.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/MainUnit.h"
#include "config/Startup.h"
#include "e2e/Brevsim.h"
#include "gui/GuiTestSupport.h"
#include "gui/WindowFixture.h"
#include "link/ReceiveRing.h"
#include "platform/QtComm.h"
#include "platform/QtPortLister.h"
#include "platform/gui/QtUi.h"
#include "results/ViewUnit.h"
#include "search/SearchThreads.h"

namespace {

class WindowEndToEnd : public WindowFixture {
protected:
    WindowEndToEnd() {
        // The installed language and model files, as the program ships them.
        for (const char* name : {"languages.ini", "model.ini"})
            std::filesystem::copy_file(std::filesystem::path(BREV_SOURCE_DIR) / "settings" / name,
                                       paths.ProgramFolder / "settings" / name);
    }
    ~WindowEndToEnd() override {
        bridge.Shutdown();
        if (form1) form1->StopSearch();
        serial.Shutdown();
    }

    QtComm serial;
    QtUi bridge{"Brevalon® Data Manager"};
    SharedState state{bridge, serial};
    std::unique_ptr<QtPortLister> ports;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TViewForm> viewForm;
    std::vector<QString> boxes;
    BoxAnswerer answerer{[this](QMessageBox& box) {
        boxes.push_back(box.text());
        box.reject();
    }};
};

TEST_F(WindowEndToEnd, TheDeviceOnAPseudoTerminalIsFoundAndItsFiftyRecordsDownloaded) {
    Brevsim sim({"--records", "50", "--set", "5"});
    ASSERT_FALSE(sim.Port().isEmpty());
    serial.SetReceiveHandler(
        [this](const uint8_t* buffer, size_t length) { Comm1ReceiveData(state, buffer, length); });
    ports = std::make_unique<QtPortLister>(std::vector<std::string>{sim.Port().toStdString()});
    form1 = std::make_unique<TForm1>(state, *ports, paths);
    viewForm = std::make_unique<TViewForm>(state);
    bridge.Attach(form1.get(), viewForm.get());
    ASSERT_FALSE(form1->TerminateRequested());

    form1->BootDelayTimerTimer();
    ASSERT_TRUE(PollUntil(
        [&] {
            form1->SearchDeviceTask->Trigger();
            return form1->btnDownload->isEnabled() &&
                   form1->Memo1->toPlainText().contains("Breathalyser successfully connected.");
        },
        20000));

    form1->btnDownload->click();
    ASSERT_TRUE(PollUntil([&] { return viewForm->isVisible(); }, 30000));
    EXPECT_EQ(viewForm->Grid().RowCount(), 51);  // the title row and fifty records
    EXPECT_TRUE(form1->Memo1->toPlainText().contains("Total Number of Records: 50"));
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
