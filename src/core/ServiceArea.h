#pragma once
// Design values of the main window's hidden service area that the program reads:
// the item lists of its combo boxes. The reports name the device's language and
// unit from these lists, and so does the results file.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::array<std::string_view, 1> kLanguageItems = {"English"};
inline constexpr std::array<std::string_view, 4> kUnitItems = {"mg/L", "ug/100ml", "%", "Per mille"};
inline constexpr std::array<std::string_view, 10> kBrightnessItems = {"1", "2", "3", "4", "5",
                                                                      "6", "7", "8", "9", "10"};
inline constexpr std::array<std::string_view, 2> kKeytoneItems = {"ON", "OFF"};
inline constexpr std::array<std::string_view, 2> kDisplayPriorItems = {"Alcoholicity", "Y/N Alcohol"};
inline constexpr std::array<std::string_view, 3> kPrintSettingItems = {"Print All", "Print Limit",
                                                                       "No Print"};
inline constexpr std::array<std::string_view, 4> kRFFreqItems = {"433MHz", "868MHz", "905MHz", "2.4GHz"};
inline constexpr std::array<std::string_view, 4> kStandardItems = {"EN16280", "US", "AS3547", "OPEN"};
inline constexpr std::array<std::string_view, 54> kCountryItems = {
    "UK (England)", "UK (NI)", "UK (Scot)\t", "UK (Wales)", "USA", "Australia (Low)",
    "Australia (Norm)", "Austria (Low)", "Austria (Norm)", "Belgium", "Canada", "Croatia (Low)",
    "Croatia (Norm)", "Cyprus", "Czech Rep", "Denmark", "Estonia", "Finland", "France (Low)",
    "France (Norm)", "Germany (Low)", "Germany (Norm)", "Greece (Low)", "Greece (Norm)", "Hungary",
    "Iceland", "Ireland (Low)", "Ireland (Norm)", "Italy (Low)", "Italy (Norm)", "Luxemb'g (Low)",
    "Luxemb'g (Norm)", "Malta", "NL (Low)", "NL (Norm)", "Norway", "NZ (Low)", "NZ (Norm)", "Other",
    "Poland", "Portugal (Low)", "Portugal (Norm)", "Romania", "Russia", "Slovakia",
    "Slovenia (Low)", "Slovenia (Norm)", "Spain (Low)", "Spain (Norm)", "Sweden", "Swiss (Low)",
    "Swiss (Norm)", "Turkey", "UAE"};

// The entry at index, or the index in decimal when the list has no such entry,
// so that every byte a device reports has a readable text.
inline std::string ItemOrIndex(std::span<const std::string_view> items, unsigned index) {
    if (index < items.size()) return std::string(items[index]);
    return std::to_string(index);
}

inline std::string LanguageName(uint8_t language) { return ItemOrIndex(kLanguageItems, language); }
inline std::string UnitName(uint8_t unit) { return ItemOrIndex(kUnitItems, unit); }

// 31 radio channels, 80 to 110; all but the last carry a trailing tab, as designed.
inline std::string RFChannelItem(unsigned index) {
    if (index > 30) return std::to_string(index + 80);
    std::string item = "CH-NO" + std::to_string(80 + index);
    if (index < 30) item += '\t';
    return item;
}
