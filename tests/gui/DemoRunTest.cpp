// The windows, the bridge and the device machinery together, with a virtual
// breathalyser on the only candidate port: what the demo mode runs.

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>

#include "SimComm.h"
#include "SimRecords.h"
#include "app/MainUnit.h"
#include "gui/GuiTestSupport.h"
#include "gui/WindowFixture.h"
#include "link/ReceiveRing.h"
#include "platform/gui/QtUi.h"
#include "results/ViewUnit.h"
#include "search/SearchThreads.h"

namespace {

class DemoRunTest : public WindowFixture {
protected:
    DemoRunTest() {
        InstallFiles();
        SimDeviceConfig device;
        device.Records = GenerateRecords(7, 12);
        sim.AddDevice("SIM1", device);
        sim.SetReceiveHandler(
            [this](const uint8_t* buffer, size_t length) { Comm1ReceiveData(state, buffer, length); });
        ports.names = {"SIM1"};
        form1 = std::make_unique<TForm1>(state, ports, paths);
        viewForm = std::make_unique<TViewForm>(state);
        bridge.Attach(form1.get(), viewForm.get());
    }
    ~DemoRunTest() override {
        bridge.Shutdown();
        if (form1) form1->StopSearch();
        sim.StopComm();
    }

    // Runs search passes until the connection is reported and the main buttons are on.
    bool Connect() {
        form1->BootDelayTimerTimer();
        return PollUntil(
            [&] {
                form1->SearchDeviceTask->Trigger();
                return form1->btnDownload->isEnabled() &&
                       form1->Memo1->toPlainText().contains("Breathalyser successfully connected.");
            },
            10000);
    }

    SimComm sim;
    QtUi bridge{"Brevalon® Data Manager"};
    SharedState state{bridge, sim};
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TViewForm> viewForm;
    // A box would stop the run; it is noted and closed instead.
    std::vector<QString> boxes;
    BoxAnswerer answerer{[this](QMessageBox& box) {
        boxes.push_back(box.text());
        box.reject();
    }};
};

TEST_F(DemoRunTest, TheSearchConnectsTheVirtualBreathalyserAndTheDownloadFillsTheResults) {
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(form1->btnUpdate->isEnabled());

    form1->btnDownload->click();
    ASSERT_TRUE(PollUntil([&] { return viewForm->isVisible(); }, 10000));
    EXPECT_EQ(viewForm->Grid().RowCount(), 13);  // title row and one row per record
    EXPECT_TRUE(viewForm->Button1->isEnabled());
    EXPECT_TRUE(viewForm->Button2->isEnabled());
    EXPECT_TRUE(boxes.empty()) << boxes.front().toStdString();
}

}  // namespace
