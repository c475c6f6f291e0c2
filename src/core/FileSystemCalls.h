#pragma once
// The few calls of the operating system that WriteFileSafely needs, one
// implementation per system: FileSystemCallsPosix.cpp (Linux, macOS) and
// FileSystemCallsWin32.cpp. Every call reports the system's error code; none
// throws.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace file_system {

// An open file: a descriptor on POSIX, a HANDLE on Windows. Closed when it ends.
class File {
  public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
    File& operator=(File&& other) noexcept;
    ~File();

    bool IsOpen() const { return handle_ != kNone; }
    std::intptr_t Handle() const { return handle_; }
    void Adopt(std::intptr_t handle);

    // Closes the file; some file systems report a failed write only here.
    std::error_code Close();

  private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;
};

enum class Kind { Missing, Folder, RegularFile, OtherFile };

// What a file that is about to be written carries.
struct Facts {
    Kind kind = Kind::Missing;
    bool readOnly = false;        // write-protected by its mode bits or attribute
    std::error_code mayNotWrite;  // set when this user may not write it
    bool severalNames = false;    // more than one hard link
    std::uint32_t mode = 0;       // POSIX permission bits
    std::uint32_t owner = 0;      // POSIX user and group
    std::uint32_t group = 0;
};

// The file a name finally stands for: symbolic links followed to their end. A
// link to nothing gives the name it points to.
std::error_code FollowLinks(const std::filesystem::path& name, std::filesystem::path& final);

// What final is. A missing file is no error (its kind is Missing).
std::error_code Inspect(const std::filesystem::path& final, Facts& facts);

// Creates a new file of a unique name in final's folder, open for writing,
// with the permissions and owner of facts when final exists. ownerKept is false
// when the owner could not be given to the new file.
std::error_code CreateBeside(const std::filesystem::path& final, const Facts& facts, File& file,
                             std::filesystem::path& created, bool& ownerKept);

// True when the error says that the folder does not let this user add a file.
bool RefusedByFolder(const std::error_code& error);

// Opens an existing file to read and write it (special: a device or pipe, to
// write only, without waiting for a reader).
std::error_code OpenExisting(const std::filesystem::path& final, bool special, File& file);

std::error_code ReadAll(File& file, std::string& content);
std::error_code Rewind(File& file);
std::error_code WriteAll(File& file, std::string_view data);
std::error_code SetSize(File& file, std::uint64_t size);

// Reserves room for a file of size bytes, so that a later write cannot run out
// of it. No error when the file system cannot reserve room in advance.
std::error_code Reserve(File& file, std::uint64_t size);

// Writes the file's data through to the disk.
std::error_code Flush(File& file);

// Moves replacement over final in one step (final need not exist).
std::error_code Replace(const std::filesystem::path& replacement,
                        const std::filesystem::path& final);

// Removes a file this writer created; errors are of no use here.
void Remove(const std::filesystem::path& name);

// Writes a folder's entries through to the disk (after a file was moved into it).
void FlushFolder(const std::filesystem::path& folder);

// A unique file name beside final: its name, a random part and ".saving".
std::filesystem::path TemporaryName(const std::filesystem::path& final, unsigned attempt);

}  // namespace file_system
