#pragma once
// What the search needs to close a programming run and to decide on the next
// one. The run itself reports through FlashResult, LinkMode and BootTicks; this
// reads them together with the run's own safeguards.

#include <cstdint>

struct SharedState;

enum class ProgrammingRunState {
    Running,   // no outcome yet, and the bootloader has answered lately
    Finished,  // FlashResult 0xFF
    Reset,     // the device has reset into its new firmware: LinkMode 11, or the
               // reset request went out after a matching verify and the
               // bootloader has been silent since (its acknowledgement was lost)
    Failed,    // FlashResult holds the failing step (or 0x44: the start was refused)
    Silent,    // more than 10 search passes without an accepted reply
};

// Judged at a search pass of a programming run, in the order the closing checks
// them: the result first, then the reset, then the silence.
ProgrammingRunState ReadProgrammingRun(const SharedState& s);

// True when a run has been started in this program run and has not ended well
// (it failed, was refused at the start, or fell silent). A device still in its
// bootloader after that is flashed again only once the user has agreed.
bool AskBeforeNextRun(const SharedState& s);
