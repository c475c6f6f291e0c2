// The per-user settings.ini: the flash step switches and the MCU type, taken by
// position below [FLASHSUG].

#include <cstddef>
#include <cstdint>

#include "FuzzFiles.h"
#include "bench/BenchPorts.h"
#include "config/Settings.h"
#include "core/SharedState.h"
#include "core/Windows1252.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Scratch().Write("settings.ini", data, size);

    NullUi ui;
    NullComm comm;
    SharedState s(ui, comm);
    s.DebugMode.store(true);
    FUZZ_CHECK(LoadSettings(s, Scratch().Root()));
    FUZZ_CHECK(!s.DebugMode.load());
    FUZZ_CHECK(IsValidUtf8(s.Flash.McuType));
    return 0;
}
