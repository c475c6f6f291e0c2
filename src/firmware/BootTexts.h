#pragma once
// Texts of a programming run through the bootloader. A + in a comment means the
// program writes a value directly after the text, without a blank.

#include "core/TextTable.h"

inline constexpr TextRef kFileSizeText{"[RAZHint]", 0, "File Size:"};  // + bytes
inline constexpr TextRef kBytesText{"[RAZHint]", 1, "Bytes"};
inline constexpr TextRef kStartEraseUserText{"[RAZHint]", 3, "Start to erase user information..."};
inline constexpr TextRef kStartEraseMainText{"[RAZHint]", 4, "Start to erase main flash..."};
inline constexpr TextRef kStartVerifyBlankText{"[RAZHint]", 5, "Start to verify blank flash..."};
inline constexpr TextRef kErrorCodeText{"[RAZHint]", 6, "Error Code!"};
inline constexpr TextRef kStartWriteText{"[RAZHint]", 7, "Start to write code..."};
inline constexpr TextRef kStartVerifyText{"[RAZHint]", 8, "Start to verify code..."};
inline constexpr TextRef kStartReadText{"[RAZHint]", 9, "Start to read code..."};
inline constexpr TextRef kEraseUserDoneText{"[RAZHint]", 10,
                                            "Successful erase the user information!"};
inline constexpr TextRef kEraseMainDoneText{"[RAZHint]", 11, "Successful erase main flash!"};
inline constexpr TextRef kBlankDoneText{"[RAZHint]", 12, "Successful check the blank flash!"};
inline constexpr TextRef kBlankFailedText{"[RAZHint]", 13,
                                          "Failed to check the blank flash,Error ID:"};  // + hex
inline constexpr TextRef kWriteDoneText{"[RAZHint]", 14, "Successful write code!"};
inline constexpr TextRef kFileChecksumText{"[RAZHint]", 15,
                                           "The CRC-16 checksum of  code file is "};  // + hex
inline constexpr TextRef kDeviceChecksumText{"[RAZHint]", 16,
                                             "The CRC-16 checksum of MCU is "};  // + hex
inline constexpr TextRef kChecksumMismatchText{"[RAZHint]", 17, "CRC-16 Error!"};
inline constexpr TextRef kVerifyDoneText{"[RAZHint]", 18, "Successful verify all code!"};
inline constexpr TextRef kDeviceResetText{"[RAZHint]", 19, "Device reset."};
inline constexpr TextRef kReadDoneText{"[RAZHint]", 20, "Successful read code!"};
inline constexpr TextRef kUnknownDeviceTypeText{"[RAZHint]", 22,
                                                "Undefine Device Type:"};  // + device type
inline constexpr TextRef kBootVersionText{"[RAZHint]", 24,
                                          "Version of startup code and Date:"};  // + text
inline constexpr TextRef kDeviceNumberText{"[RAZHint]", 25, "Device NO.:"};      // + text
inline constexpr TextRef kBootTxErrorText{"[RAZHint]", 26, "Tx error!"};
inline constexpr TextRef kBootChecksumErrorText{"[RAZHint]", 27, "Tx CRC error!"};  // + sum

inline constexpr TextRef kInvalidModelText{"[Warning]", 19, "Invalid Brevalon Model!"};
inline constexpr TextRef kFirmwareMissingText{"[Warning]", 40, "The firmware update is missing!"};

inline constexpr TextRef kBootTexts[] = {
    kFileSizeText,          kBytesText,         kStartEraseUserText,  kStartEraseMainText,
    kStartVerifyBlankText,  kErrorCodeText,     kStartWriteText,      kStartVerifyText,
    kStartReadText,         kEraseUserDoneText, kEraseMainDoneText,   kBlankDoneText,
    kBlankFailedText,       kWriteDoneText,     kFileChecksumText,    kDeviceChecksumText,
    kChecksumMismatchText,  kVerifyDoneText,    kDeviceResetText,     kReadDoneText,
    kUnknownDeviceTypeText, kBootVersionText,   kDeviceNumberText,    kBootTxErrorText,
    kBootChecksumErrorText, kInvalidModelText,  kFirmwareMissingText,
};
