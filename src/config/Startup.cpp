#include "config/Startup.h"

#include "config/ModelTable.h"
#include "config/Settings.h"
#include "core/TextTable.h"

StartupResult LoadConfiguration(SharedState& s, const ProgramPaths& paths) {
    StartupResult result{};
    s.FirmwareFetched.store(false);
    LoadSettings(s, paths.DataFolder);
    result.LanguageLoaded = LoadTextTable(s.Texts, paths.ProgramFolder, &result.LanguageFailure);
    result.ModelLoaded = LoadModelTable(s.ModelTable, paths.ProgramFolder, &result.ModelFailure);
    ResetPortState(s);
    s.LinkMode.store(0);
    s.SearchTrigger.store(0xFF);  // no search pass until the start-up delay has run
    return result;
}
