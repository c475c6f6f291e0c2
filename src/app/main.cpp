// The program entry: the composition root. It creates the shared state and the
// platform services, the four windows in their fixed order, runs the message
// loop, and at exit stops the threads in order: search (with the dispatcher it
// runs), then the serial I/O.

#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "DemoDevice.h"
#include "SimComm.h"
#include "app/MainUnit.h"
#include "core/SharedState.h"
#include "config/SetupUnit.h"
#include "link/ReceiveRing.h"
#include "platform/DemoFirmware.h"
#include "platform/PlatformPaths.h"
#include "platform/QtComm.h"
#include "platform/QtPortLister.h"
#include "platform/QtSelfUpdate.h"
#include "platform/QtWebAccess.h"
#include "platform/gui/QtUi.h"
#include "results/ViewUnit.h"
#include "results/WatchUnit.h"

namespace {

constexpr const char* kApplicationTitle = "Brevalon® Data Manager";

struct Options {
    std::vector<std::string> Ports;  // empty: every serial port of the machine
    bool Demo = false;
};

Options ParseOptions(const QApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kApplicationTitle));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Search only this serial port (may be given several times)."),
        QStringLiteral("NAME"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Connect a virtual breathalyser with stored results instead of a "
                       "real one."));
    parser.addOption(portOption);
    parser.addOption(demoOption);
    parser.process(app);

    Options options;
    for (const QString& port : parser.values(portOption)) options.Ports.push_back(port.toStdString());
    options.Demo = parser.isSet(demoOption);
    return options;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    const Options options = ParseOptions(app);

    QtUi ui(kApplicationTitle);

    // The serial component: a real port, or in demo mode a virtual breathalyser
    // on the only candidate port.
    std::unique_ptr<QtComm> serial;
    std::unique_ptr<SimComm> demo;
    std::vector<std::string> ports = options.Ports;
    Comm* comm = nullptr;
    if (options.Demo) {
        demo = std::make_unique<SimComm>();
        AddDemoDevice(*demo);
        ports = {kDemoPortName};
        comm = demo.get();
    } else {
        serial = std::make_unique<QtComm>();
        comm = serial.get();
    }

    SharedState s(ui, *comm);
    comm->SetReceiveHandler(
        [&s](const uint8_t* buffer, size_t length) { Comm1ReceiveData(s, buffer, length); });
    QtPortLister portLister(ports);

    // Firmware: the demo has a store and a list of its own (its addresses are
    // files, so it asks the system nothing about the network), and checks for
    // no program update; the real program uses the installed places.
    const ProgramPaths paths = PlatformPaths();
    s.Firmware = options.Demo ? PrepareDemoFirmware(paths) : InstalledFirmwarePlaces(paths);
    QtWebAccess::Options webOptions;
    webOptions.AskSystemForConnection = !options.Demo;
    QtWebAccess web(webOptions);
    s.web = &web;
    std::unique_ptr<QtSelfUpdate> selfUpdate;
    if (!options.Demo) selfUpdate = std::make_unique<QtSelfUpdate>();

    auto Form1 = std::make_unique<TForm1>(s, portLister, paths, selfUpdate.get());
    auto ViewForm = std::make_unique<TViewForm>(s);
    ui.Attach(Form1.get(), ViewForm.get());
    auto Form2 = std::make_unique<TForm2>(s, portLister);
    auto WatchForm = std::make_unique<TWatchForm>();
    Form1->SetSettingsWindow(Form2.get());
    ui.AttachSettings(Form2.get());

    int exitCode = 1;
    if (!Form1->TerminateRequested()) {
        Form1->show();
        Form1->raise();
        Form1->activateWindow();
        exitCode = QApplication::exec();
    }

    // Orderly stop: no box may keep a worker waiting, then search and
    // dispatcher, then the serial I/O.
    ui.Shutdown();
    Form1->StopSearch();
    s.web = nullptr;
    if (serial) serial->Shutdown();
    if (demo) demo->StopComm();
    return exitCode;
}
