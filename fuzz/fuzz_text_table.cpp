// The language file: decoding (byte-order marks for UTF-8 and UTF-16, UTF-8 or
// Windows-1252 without one, three kinds of line end) and every text the program
// looks up in it, plus lookups of the sections the file itself names.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFiles.h"
#include "app/AppTexts.h"
#include "config/SetupTexts.h"
#include "core/TextTable.h"
#include "core/Windows1252.h"
#include "firmware/FirmwareTexts.h"
#include "link/LinkTexts.h"
#include "results/ResultsTexts.h"
#include "results/ViewTexts.h"
#include "search/SearchTexts.h"

namespace {

// A text shown in a window: valid UTF-8 on one line.
void CheckShown(const std::string& text) {
    FUZZ_CHECK(IsValidUtf8(text));
    FUZZ_CHECK(text.find_first_of("\r\n") == std::string::npos);
}

template <size_t N>
void LookUpAll(const TextTable& table, const TextRef (&refs)[N]) {
    for (const TextRef& ref : refs) CheckShown(Text(table, ref));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Scratch().Write("settings/languages.ini", data, size);

    TextTable table;
    const bool loaded = LoadTextTable(table, Scratch().Root());
    FUZZ_CHECK(loaded && table.Exists);
    for (const std::string& line : table.Lines) CheckShown(line);

    LookUpAll(table, kAppTexts);
    LookUpAll(table, kFirmwareTexts);
    LookUpAll(table, kSetupTexts);
    LookUpAll(table, kLinkTexts);
    LookUpAll(table, kResultsTexts);
    LookUpAll(table, kViewTexts);
    LookUpAll(table, kSearchTexts);

    // Sections the file names (its first 16 lines in brackets), read at offsets
    // before, in and past them.
    int headers = 0;
    for (size_t i = 0; i < table.Lines.size() && headers < 16; ++i) {
        const std::string& header = table.Lines[i];
        if (header.empty() || header.front() != '[') continue;
        ++headers;
        for (int offset : {-1, 0, 1, 1000}) {
            CheckShown(SectionText(table, header, offset, "fallback"));
            CheckShown(SectionText(table, header, offset));
        }
    }
    return 0;
}
