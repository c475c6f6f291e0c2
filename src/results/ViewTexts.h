#pragma once
// Captions of the results window. They have no built-in text: without a
// [ViewFormMenu] section they come from the first lines of the file.

#include "core/TextTable.h"

inline constexpr TextRef kViewOpenCaption{"[ViewFormMenu]", 0, "", false};
inline constexpr TextRef kViewSaveCaption{"[ViewFormMenu]", 1, "", false};
inline constexpr TextRef kViewCaption{"[ViewFormMenu]", 2, "", false};

inline constexpr TextRef kViewTexts[] = {kViewOpenCaption, kViewSaveCaption, kViewCaption};
