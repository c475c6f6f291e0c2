#pragma once
// The program's own update check. An information file on the update host
// names the newest program version; the check compares it with this program's
// version and raises one of two events. Nothing is installed by itself: a newer
// version is only offered as a download address.
//
// Information file (plain text, lines as in every configuration file of the
// program, see docs/update-information.md):
//   [BrevalonDataManager]
//   Version=1.0.2.25
//   Date=01/21/2017
//   Download=https://updates.brevalon.example/Brevalon/BrevalonDataManager.exe

#include <string>
#include <vector>

// The version this program compares against ("version control by number").
inline constexpr const char* kSelfUpdateVersion = "1.0.2.24";
inline constexpr const char* kSelfUpdateDate = "01/21/2017";
// The information file on the update host.
inline constexpr const char* kUpdateInformationUrl =
    "http://updates.brevalon.example:8087/Brevalon/updatebrevalon.inf";

struct UpdateInformation {
    std::string Version;   // dotted numbers, 1 to 4 parts
    std::string Date;      // MM/DD/YYYY
    std::string Download;  // http or https address of the new program
};

// Reads an information file. False when it does not have the layout above (a
// missing header, a missing or misspelt key, a version that is not a number,
// a date that is not MM/DD/YYYY, a download address that is not http or https).
bool ParseUpdateInformation(const std::vector<std::string>& lines, UpdateInformation& info);

// Compares two dotted version numbers part by part (missing parts count 0):
// negative, 0 or positive. Both must be valid version numbers.
int CompareVersionNumbers(const std::string& a, const std::string& b);
bool IsVersionNumber(const std::string& text);

// What a finished check tells the main window. Called on the GUI thread.
class SelfUpdateEvents {
  public:
    virtual ~SelfUpdateEvents() = default;
    virtual void NoUpdateAvailable() = 0;
    virtual void UpdateAvailable(const UpdateInformation& info) = 0;
};

class SelfUpdate {
  public:
    virtual ~SelfUpdate() = default;
    // The receiver of the events (nullptr: none).
    virtual void SetEvents(SelfUpdateEvents* events) = 0;
    // Starts one check and returns at once. When it ends: no newer version ->
    // NoUpdateAvailable; a newer one -> UpdateAvailable; the host unreachable
    // or the file not valid -> no event at all. checkOnly is kept for the
    // callers' sake: this program never installs anything by itself, so both
    // modes only check.
    virtual void CheckUpdate(bool checkOnly) = 0;
};
