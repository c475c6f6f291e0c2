#include "gui/QtGuiEnvironment.h"

namespace {
[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtGuiEnvironment);
}  // namespace
