#pragma once
// The file readers take paths, so a fuzz target writes each input to a file in a
// scratch folder of its own process first (one folder per process, so parallel
// fuzzing jobs never share one). The folder is removed when the process ends.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

class ScratchFolder {
public:
    ScratchFolder() : root_(Base() / ("brev-fuzz-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(root_ / "settings");
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Root() const { return root_; }

    // Replaces the file at root/name with the bytes and returns its full path.
    std::filesystem::path Write(const std::filesystem::path& name, const uint8_t* data,
                                size_t size) const {
        const std::filesystem::path path = root_ / name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return path;
    }

private:
    // A folder in memory where there is one: writing a file on every input to a
    // disk folder makes the disk, not the code, the limit.
    static std::filesystem::path Base() {
        std::error_code ec;
        if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
        return std::filesystem::temp_directory_path();
    }

    std::filesystem::path root_;
};

inline const ScratchFolder& Scratch() {
    static const ScratchFolder folder;
    return folder;
}

// Stops the run with a finding when a property of the result does not hold.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
