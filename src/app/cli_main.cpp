// brevalon-cli: the headless front end. Finds the breathalyser on the serial
// ports (or the named ones, or the built-in virtual one), then prints its
// information or downloads its records into a results file.

#include <QCoreApplication>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "DemoDevice.h"
#include "SimComm.h"
#include "app/AppTexts.h"
#include "app/ConsoleUi.h"
#include "app/FirmwareCommands.h"
#include "app/HeadlessRun.h"
#include "core/SharedState.h"
#include "config/Startup.h"
#include "link/ReceiveRing.h"
#include "platform/DemoFirmware.h"
#include "platform/PlatformPaths.h"
#include "platform/QtComm.h"
#include "platform/QtPortLister.h"
#include "platform/QtWebAccess.h"
#include "platform/SystemClock.h"

namespace {

const char* kUsage =
    "Usage: brevalon-cli [options] download [-o FILE] [--force]\n"
    "       brevalon-cli [options] info\n"
    "       brevalon-cli [--demo] firmware fetch\n"
    "       brevalon-cli codefile check FILE\n"
    "       brevalon-cli codefile make ... (codefile --help tells more)\n"
    "\n"
    "Finds a Brevalon breathalyser on the serial ports and downloads its stored test\n"
    "results into a results file (default Brevalon-Results.csv), or prints its\n"
    "device information.\n"
    "\n"
    "Options:\n"
    "  --port NAME     try only this serial port (may be given more than once)\n"
    "  --demo          use the built-in virtual breathalyser instead of serial ports\n"
    "  --timeout SECS  give up when no breathalyser answers within SECS (default 30)\n"
    "  -o FILE         results file name (.csv is added unless it has .csv or .xls)\n"
    "  --force         overwrite an existing results file\n"
    "\n"
    "firmware fetch downloads the firmware code files that settings/website.ini\n"
    "names into the firmware store (with --demo: the demo files into the demo store).\n"
    "\n"
    "Log lines go to standard output, progress and errors to standard error.\n"
    "Exit codes: 0 done, 2 usage, 3 no breathalyser found, 4 download failed,\n"
    "5 results file not written, 6 installation files missing, 7 firmware fetch\n"
    "failed, 8 code file rejected.\n";

// Ports that are only the names given, for --demo.
struct NamedPorts : PortLister {
    std::vector<std::string> names;
    std::vector<std::string> GetComPortList() override { return names; }
};

bool StandardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

int Usage(const std::string& problem) {
    if (!problem.empty()) std::cerr << "brevalon-cli: " << problem << "\n\n";
    std::cerr << kUsage;
    return ExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    HeadlessOptions options;
    std::vector<std::string> ports;
    bool demo = false;
    bool force = false;
    bool haveCommand = false;
    bool fetch = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) return nullptr;
            (void)what;
            return argv[++i];
        };
        if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return ExitOk;
        } else if (arg == "--port") {
            const char* v = value("--port");
            if (!v) return Usage("--port needs a port name");
            ports.emplace_back(v);
        } else if (arg == "--demo") {
            demo = true;
        } else if (arg == "--timeout") {
            const char* v = value("--timeout");
            char* end = nullptr;
            const long secs = v ? std::strtol(v, &end, 10) : -1;
            if (!v || *end != '\0' || secs < 1 || secs > 86400)
                return Usage("--timeout needs a number of seconds from 1 to 86400");
            options.TimeoutSeconds = static_cast<int>(secs);
        } else if (arg == "-o" || arg == "--output") {
            const char* v = value("-o");
            if (!v || !*v) return Usage("-o needs a file name");
            options.Output = v;
        } else if (arg == "--force") {
            force = true;
        } else if (!haveCommand && arg == "download") {
            options.Action = HeadlessOptions::Command::Download;
            haveCommand = true;
        } else if (!haveCommand && arg == "info") {
            options.Action = HeadlessOptions::Command::Info;
            haveCommand = true;
        } else if (!haveCommand && arg == "codefile") {
            // The code file commands need no device and no installation.
            const std::vector<std::string> rest(argv + i + 1, argv + argc);
            if (rest.empty() || rest[0] == "--help" || rest[0] == "-h") {
                std::cout << kCodeFileUsage;
                return rest.empty() ? ExitUsage : ExitOk;
            }
            if (rest[0] == "check" && rest.size() == 2)
                return RunCodeFileCheck(rest[1], std::cout, std::cerr);
            if (rest[0] == "make")
                return RunCodeFileMake({rest.begin() + 1, rest.end()}, std::cout, std::cerr);
            std::cerr << "brevalon-cli: unknown codefile command\n\n" << kCodeFileUsage;
            return ExitUsage;
        } else if (!haveCommand && arg == "firmware") {
            if (i + 1 >= argc || std::string(argv[i + 1]) != "fetch")
                return Usage("firmware needs the word fetch");
            ++i;
            fetch = true;
            haveCommand = true;
        } else {
            return Usage("unknown argument '" + arg + "'");
        }
    }
    if (!haveCommand) return Usage("no command given");

    ConsoleUi ui(std::cout, std::cerr, force, StandardErrorIsTerminal());
    std::unique_ptr<Comm> comm;
    SimComm* simComm = nullptr;
    if (demo) {
        auto sim = std::make_unique<SimComm>();
        AddDemoDevice(*sim);
        simComm = sim.get();
        comm = std::move(sim);
    } else {
        comm = std::make_unique<QtComm>();
    }
    SharedState s(ui, *comm);
    comm->SetReceiveHandler(
        [&s](const uint8_t* buffer, size_t length) { Comm1ReceiveData(s, buffer, length); });

    const ProgramPaths paths = PlatformPaths();
    const StartupResult loaded = LoadConfiguration(s, paths);
    if (!loaded.LanguageLoaded || !loaded.ModelLoaded) {
        if (!loaded.LanguageLoaded) std::cerr << kLanguageFileMissing << '\n';
        if (!loaded.ModelLoaded) std::cerr << kModelFileMissing << '\n';
        return ExitConfiguration;
    }
    // The demo fetches its own files into its own store; it needs no network
    // state, since its addresses are files.
    s.Firmware = demo ? PrepareDemoFirmware(paths) : InstalledFirmwarePlaces(paths);
    QtWebAccess::Options webOptions;
    webOptions.AskSystemForConnection = !demo;
    QtWebAccess web(webOptions);
    s.web = &web;
    if (fetch) {
        const int code = RunFirmwareFetch(s);
        comm->StopComm();
        return code;
    }

    NamedPorts demoPorts;
    QtPortLister systemPorts(ports);
    PortLister* lister = &systemPorts;
    if (simComm) {
        demoPorts.names = simComm->PortNames();
        lister = &demoPorts;
    }

    SystemClock clock;
    const int code = RunHeadless(s, ui, *lister, clock, options, std::cerr);
    comm->StopComm();
    if (auto* qt = dynamic_cast<QtComm*>(comm.get())) qt->Shutdown();
    return code;
}
