#include "firmware/ProgrammingRun.h"

#include "core/SharedState.h"

ProgrammingRunState ReadProgrammingRun(const SharedState& s) {
    const uint8_t result = s.FlashResult.load();
    if (result == 0xFF) return ProgrammingRunState::Finished;
    if (result != 0) return ProgrammingRunState::Failed;
    if (s.LinkMode.load() > 10) return ProgrammingRunState::Reset;
    if (ReadBootTicks(s) > 10) {
        return s.Boot.ResetSentAfterVerify.load() ? ProgrammingRunState::Reset
                                                  : ProgrammingRunState::Silent;
    }
    return ProgrammingRunState::Running;
}

bool AskBeforeNextRun(const SharedState& s) {
    return s.Boot.LastRunUnfinished.load();
}
