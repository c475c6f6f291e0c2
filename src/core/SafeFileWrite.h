#pragma once
// Writing a whole file so that it replaces an older one only when complete.
//
// The content goes to a new file of a unique name beside the file it is meant
// for, with that file's permissions and owner, and is flushed to the disk; only
// then is it moved over the old file in one step. A write that fails part-way
// (a full disk, a lost drive) removes its own temporary file and leaves the old
// file as it was.
//
// What the name stands for is respected:
// - A symbolic link is followed to the file it finally names, and that file is
//   replaced; the links stay as they are. A link to no file yet creates it.
// - A folder of the name, a read-only file and a file the user may not write are
//   refused with their reason; nothing is changed.
// - Devices and pipes (/dev/null, a FIFO) have no content to keep and are
//   written into directly.
// - When the new file cannot be made beside the old one (a folder the user may
//   not write), or the replacement could not keep what the old file carries (its
//   other names, i.e. hard links, or its owner), the content is written into the
//   existing file instead: the old content is read first, room for the new one
//   is reserved, and when writing still fails the old content is written back.
//   Only the end of the process in the middle of that write can leave a mix.

#include <filesystem>
#include <string>
#include <string_view>

struct FileWriteResult {
    bool Written = false;
    bool InPlace = false;  // written into the existing file (see above)
    std::string Failure;   // why it was not written, in words; empty when written
    explicit operator bool() const { return Written; }
};

// Makes content the whole content of the file that target names.
FileWriteResult WriteFileSafely(const std::filesystem::path& target, std::string_view content);

// The texts of the failures this writer finds itself; every other failure is
// described by the system's message for its error.
inline constexpr std::string_view kFailureFolder = "A folder has this name";
inline constexpr std::string_view kFailureReadOnly = "The file is read-only";
