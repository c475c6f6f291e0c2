#include "core/Paths.h"

std::filesystem::path DataFolderFrom(const char* localAppData,
                                     const std::filesystem::path& platformDefault) {
    // Earlier versions took an unset LOCALAPPDATA as empty and so wrote to
    // "\BrevRec\" at the root of the current drive. Off Windows the variable is
    // normally unset and that root is not the user's to write, so the system's
    // per-user data location is used instead.
    if (localAppData == nullptr || *localAppData == '\0') return platformDefault;
    return std::filesystem::path(localAppData) / "BrevRec";
}
