#pragma once
// Texts of the settings window. Its captions have no built-in text: without a
// [Form2Menu] section they come from the first lines of the file.

#include "core/TextTable.h"

inline constexpr TextRef kSetupNodeSetting{"[Form2Menu]", 0, "", false};
inline constexpr TextRef kSetupNodeCodeFile{"[Form2Menu]", 1, "", false};
inline constexpr TextRef kSetupNodeHelp{"[Form2Menu]", 2, "", false};
inline constexpr TextRef kSetupOkCaption{"[Form2Menu]", 3, "", false};
inline constexpr TextRef kSetupCancelCaption{"[Form2Menu]", 4, "", false};
inline constexpr TextRef kSetupPortLabel{"[Form2Menu]", 5, "", false};
inline constexpr TextRef kSetupBaudRateLabel{"[Form2Menu]", 6, "", false};
inline constexpr TextRef kSetupMcuTypeLabel{"[Form2Menu]", 7, "", false};
inline constexpr TextRef kSetupResetLabel{"[Form2Menu]", 8, "", false};
inline constexpr TextRef kSetupCopyCodeLabel{"[Form2Menu]", 9, "", false};
inline constexpr TextRef kSetupReloadCaption{"[Form2Menu]", 10, "", false};
inline constexpr TextRef kSetupCaption{"[Form2Menu]", 11, "", false};
inline constexpr TextRef kSetupLanguageLabel{"[Form2Menu]", 12, "", false};

// The six help lines; the program version follows the line at offset 4.
inline constexpr TextRef kHelpLine0{"[Help]", 0, "", false};
inline constexpr TextRef kHelpLine1{"[Help]", 1, "", false};
inline constexpr TextRef kHelpLine2{"[Help]", 2, "", false};
inline constexpr TextRef kHelpLine3{"[Help]", 3, "", false};
inline constexpr TextRef kHelpVersionLine{"[Help]", 4, "", false};
inline constexpr TextRef kHelpLine5{"[Help]", 5, "", false};
inline constexpr const char* kProgramVersion = "1.0.1.28";

// The name of the file's language, the one entry of the language box.
inline constexpr TextRef kLanguageName{"[Language]", 0, "", false};

inline constexpr TextRef kSetupTexts[] = {
    kSetupNodeSetting,   kSetupNodeCodeFile,  kSetupNodeHelp,      kSetupOkCaption,
    kSetupCancelCaption, kSetupPortLabel,     kSetupBaudRateLabel, kSetupMcuTypeLabel,
    kSetupResetLabel,    kSetupCopyCodeLabel, kSetupReloadCaption, kSetupCaption,
    kSetupLanguageLabel, kHelpLine0,          kHelpLine1,          kHelpLine2,
    kHelpLine3,          kHelpVersionLine,    kHelpLine5,          kLanguageName,
};
