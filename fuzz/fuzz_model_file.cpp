// The installed model.ini: the flash layouts of the device types, read as lines
// and told apart by their model codes and names.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "config/ModelTable.h"
#include "core/Windows1252.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Scratch().Write("settings/model.ini", data, size);

    std::vector<std::string> table = {"left over from an earlier load"};
    FUZZ_CHECK(LoadModelTable(table, Scratch().Root()));
    for (const std::string& line : table) {
        FUZZ_CHECK(IsValidUtf8(line));
        const int type = ModelTypeOf(line);
        FUZZ_CHECK(type >= 0 && type <= 3);
    }
    return 0;
}
