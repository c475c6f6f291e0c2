#pragma once
// The headless front end's firmware commands: check a code file, make one from
// a code image, and fetch the firmware files the list names.

#include <ostream>
#include <string>
#include <vector>

struct SharedState;

// Exit codes of the firmware commands (beside those of HeadlessRun.h).
enum FirmwareExit : int {
    ExitFetchFailed = 7,       // the web download run failed
    ExitCodeFileRejected = 8,  // the code file (or the image to make one from) is not sound
};

// "codefile check FILE": prints the header, the model type, the family with its
// offset and both sums; 0 when the file is accepted, ExitCodeFileRejected with
// the reason on err otherwise (2 when it cannot be read at all).
int RunCodeFileCheck(const std::string& file, std::ostream& out, std::ostream& err);

// "codefile make ...": args are the words after "make". Writes the code file
// (replacing an existing one only with --force); 0 when written.
int RunCodeFileMake(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text of the codefile commands.
extern const char* const kCodeFileUsage;

// "firmware fetch": runs the web download with s's firmware places and
// network; log lines through s.ui. 0 when every file was fetched and filed.
int RunFirmwareFetch(SharedState& s);
