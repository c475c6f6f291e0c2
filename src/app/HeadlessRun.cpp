#include "app/HeadlessRun.h"

#include <chrono>
#include <ostream>
#include <string>
#include <thread>

#include "core/Comm.h"
#include "app/ConsoleUi.h"
#include "core/SharedState.h"
#include "core/SystemPorts.h"
#include "link/Download.h"
#include "link/FrameCodec.h"
#include "results/ResultsFile.h"
#include "search/SearchThreads.h"

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// Passes of the search run once a second, as in the window program; between
// them the caller's condition is polled, and a device reported gone drops the
// link at once rather than at the next pass.
template <typename Done>
bool RunPassesUntil(SearchThreads& search, SteadyClock::time_point deadline, Done done) {
    auto nextPass = SteadyClock::now();
    for (;;) {
        search.DropLostDevice();
        if (done()) return true;
        const auto now = SteadyClock::now();
        if (now >= deadline) return false;
        if (now >= nextPass) {
            search.SearchMainTask();
            nextPass = now + 1s;
            continue;
        }
        std::this_thread::sleep_for(std::min<SteadyClock::duration>(20ms, nextPass - now));
    }
}

// An open operation ends by itself or through the watchdog (about 11 s without
// progress), so this wait has a bound of its own; the extra minute only guards
// against a bug.
constexpr auto kOperationLimit = 10min;

}  // namespace

int RunHeadless(SharedState& s, ConsoleUi& ui, PortLister& ports, Clock& clock,
                const HeadlessOptions& options, std::ostream& err) {
    SearchThreads search(s, ports);
    const auto searchDeadline = SteadyClock::now() + std::chrono::seconds(options.TimeoutSeconds);
    if (!RunPassesUntil(search, searchDeadline, [&] { return s.Connected.load() == 1; })) {
        err << "No breathalyser found within " << options.TimeoutSeconds << " s.\n";
        search.Stop();
        return ExitNoDevice;
    }

    int code = ExitOk;
    if (options.Action == HeadlessOptions::Command::Info) {
        // The device information request on its own: with the operation marked as
        // a single awaited reply, the report is printed and acknowledged and no
        // download follows.
        s.OperationState.store(0xFF);
        s.OperationTicks.store(0);
        const uint8_t request[] = {0x11};
        SendFrame(s, 0x81, request, false);
        RunPassesUntil(search, SteadyClock::now() + kOperationLimit,
                       [&] { return s.OperationState.load() == 0 || s.Connected.load() == 0; });
        if (s.Connected.load() == 0) {
            err << "The breathalyser stopped answering.\n";
            code = ExitDownloadFailed;
        }
    } else {
        btnDownloadClick(s);
        RunPassesUntil(search, SteadyClock::now() + kOperationLimit, [&] {
            return ui.ResultsShown() || s.OperationState.load() == 0 || s.Connected.load() == 0;
        });
        ResultsGrid grid;
        // The results follow the end of the operation closely; give them a
        // moment, but only while the link lives: dropping it ends the dispatcher
        // first, so whatever it was going to show has been shown by now.
        const bool resultsMayFollow = s.Connected.load() == 1 && s.ProgressCount.load() > 0;
        const bool gotResults = ui.WaitForResults(resultsMayFollow ? 5000 : 0, grid);
        const auto info = s.InfoSnapshot();
        if (gotResults) {
            const ResultsSave saved = SaveResultsFile(s, options.Output, grid, clock.Now());
            const std::string name = ResultsFileName(options.Output);
            if (saved) {
                err << "Saved " << grid.RowCount() - 1 << " records to " << name << ".\n";
            } else {
                // Declined: the overwrite question was answered No, which only
                // happens without --force.
                if (saved.Result == ResultsSave::Outcome::Declined)
                    err << "The results were not saved to " << name
                        << " (it exists; use --force to overwrite).\n";
                else
                    err << "The results were not saved to " << name << ": " << saved.Failure
                        << ".\n";
                code = ExitFileNotWritten;
            }
        } else if (s.Connected.load() == 0) {
            err << "The breathalyser stopped answering; the download is incomplete.\n";
            code = ExitDownloadFailed;
        } else if (info.Model != "KOVAN") {
            err << "Downloading records needs a KOVAN breathalyser (this one is "
                << (info.Model.empty() ? std::string("unknown") : info.Model) << ").\n";
            code = ExitDownloadFailed;
        } else if (info.TotalNumRec == 0) {
            err << "The breathalyser holds no records; nothing was saved.\n";
        } else {
            err << "The download did not complete.\n";
            code = ExitDownloadFailed;
        }
    }
    search.Stop();
    s.comm.StopComm();
    return code;
}
