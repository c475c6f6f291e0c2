#pragma once
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "core/AlcoholInformation.h"
#include "core/ResultsGrid.h"

struct SharedState;

// The name a results file is saved under: ".csv" is appended unless the chosen
// name contains ".csv" or ".xls" (case-sensitive).
std::string ResultsFileName(const std::string& chosen);

// The lines of a results file (without line ends), as SaveResultsFile writes them.
std::vector<std::string> ResultsFileLines(const ResultsGrid& grid, const TAlcoholInformation& info,
                                          const std::tm& savedAt);

// How a save ended: written, left undone because the user kept the existing
// file, or failed (Failure says why, in words).
struct ResultsSave {
    enum class Outcome { Saved, Declined, Failed };
    Outcome Result = Outcome::Failed;
    std::string Failure;
    explicit operator bool() const { return Result == Outcome::Saved; }
};

// Save button after the dialog: name rule, overwrite question (Yes/No/Cancel)
// for an existing file (a folder of the name fails at once), write. The file is
// replaced only once the new content is complete: a failed write leaves an
// existing file as it was and is reported with the beep and the file-error box.
ResultsSave SaveResultsFile(SharedState& s, const std::string& chosenName, const ResultsGrid& grid,
                            const std::tm& savedAt);

// Open button after the dialog: a missing file is reported with the beep and a
// box; otherwise the file is read into grid and DeviceInfo.
void OpenResultsFile(SharedState& s, const std::string& chosenName, ResultsGrid& grid);

// Reads a results file into grid and DeviceInfo, logging the header lines.
// Always reports success to the caller.
bool ReadResultsFile(SharedState& s, const std::string& fileName, ResultsGrid& grid);
