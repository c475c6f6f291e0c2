#pragma once
#include <string>

// Hands a web address to the desktop's default browser. Failures are ignored:
// there is nothing the program could do about them.
void OpenUrl(const std::string& address);
