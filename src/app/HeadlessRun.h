#pragma once
// The headless front end's work on the core: find the breathalyser, then print
// its information or download its records into a results file.

#include <string>

struct SharedState;
class ConsoleUi;
class PortLister;
class Clock;

struct HeadlessOptions {
    enum class Command { Download, Info };
    Command Action = Command::Download;
    std::string Output = "Brevalon-Results";  // the results file name as a user would choose it
    int TimeoutSeconds = 30;                  // how long to search for a device
};

// Exit codes of the headless front end.
enum HeadlessExit : int {
    ExitOk = 0,
    ExitUsage = 2,
    ExitNoDevice = 3,
    ExitDownloadFailed = 4,
    ExitFileNotWritten = 5,
    ExitConfiguration = 6,
};

// Runs one command against the first breathalyser found; returns an exit code.
// Errors are written to err as one clear line each.
int RunHeadless(SharedState& s, ConsoleUi& ui, PortLister& ports, Clock& clock,
                const HeadlessOptions& options, std::ostream& err);
