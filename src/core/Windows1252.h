#pragma once
// The Windows-1252 ("ANSI") code page, in both directions. The configuration files
// of the original installations were written in it, and settings.ini is still
// written in it so that those installations keep reading their own files.

#include <cstdint>
#include <string>
#include <string_view>

// Unicode code point of one Windows-1252 byte. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081 … as Windows does.
char32_t Windows1252ToUnicode(uint8_t byte);

// Windows-1252 bytes as UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);

// UTF-8 text as Windows-1252 bytes; characters the code page cannot hold (and
// malformed UTF-8) become '?'.
std::string Utf8ToWindows1252(std::string_view utf8);

// Appends code point cp to out as UTF-8 (surrogates and values above U+10FFFF
// become U+FFFD).
void AppendUtf8(std::string& out, char32_t cp);

// True when bytes is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);
