// The file system calls of WriteFileSafely on Windows.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <vector>

#include "core/FileSystemCalls.h"

namespace fs = std::filesystem;

namespace file_system {

namespace {

constexpr unsigned kNameAttempts = 100;

std::error_code LastError() {
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
}

HANDLE HandleOf(const File& file) {
    return reinterpret_cast<HANDLE>(file.Handle());
}

void AdoptHandle(File& file, HANDLE handle) {
    file.Adopt(reinterpret_cast<std::intptr_t>(handle));
}

}  // namespace

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = kNone;
    }
    return *this;
}

File::~File() {
    Close();
}

void File::Adopt(std::intptr_t handle) {
    Close();
    handle_ = handle;
}

std::error_code File::Close() {
    if (handle_ == kNone) return {};
    const HANDLE handle = reinterpret_cast<HANDLE>(handle_);
    handle_ = kNone;
    if (!::CloseHandle(handle)) return LastError();
    return {};
}

std::error_code FollowLinks(const fs::path& name, fs::path& final) {
    // Opening the name follows every link and junction; the system then tells
    // the path of what was opened.
    const HANDLE handle = ::CreateFileW(
        name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            final = name;  // nothing there yet (or a link to nothing): the name to create
            return {};
        }
        return std::error_code(static_cast<int>(error), std::system_category());
    }
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            const std::error_code error = LastError();
            ::CloseHandle(handle);
            return error;
        }
        if (length < buffer.size()) {
            final = fs::path(std::wstring(buffer.data(), length));
            break;
        }
        buffer.resize(length + 1);
    }
    ::CloseHandle(handle);
    return {};
}

std::error_code Inspect(const fs::path& final, Facts& facts) {
    facts = Facts();
    const DWORD attributes = ::GetFileAttributesW(final.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
        return std::error_code(static_cast<int>(error), std::system_category());
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        facts.kind = Kind::Folder;
        return {};
    }
    facts.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;

    const HANDLE handle = ::CreateFileW(final.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    facts.kind = ::GetFileType(handle) == FILE_TYPE_DISK ? Kind::RegularFile : Kind::OtherFile;
    BY_HANDLE_FILE_INFORMATION information{};
    if (facts.kind == Kind::RegularFile && ::GetFileInformationByHandle(handle, &information))
        facts.severalNames = information.nNumberOfLinks > 1;
    ::CloseHandle(handle);

    if (facts.kind == Kind::RegularFile && !facts.readOnly) {
        // The access rights: opening for writing (without changing anything) tells.
        const HANDLE writable = ::CreateFileW(
            final.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, 0, nullptr);
        if (writable == INVALID_HANDLE_VALUE)
            facts.mayNotWrite = LastError();
        else
            ::CloseHandle(writable);
    }
    return {};
}

std::error_code CreateBeside(const fs::path& final, const Facts&, File& file, fs::path& created,
                             bool& ownerKept) {
    // ReplaceFileW gives the replacement the old file's attributes, security and
    // owner, so nothing is set here.
    ownerKept = true;
    for (unsigned attempt = 0;; ++attempt) {
        const fs::path name = TemporaryName(final, attempt);
        const HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            AdoptHandle(file, handle);
            created = name;
            return {};
        }
        const DWORD error = ::GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) ||
            attempt + 1 == kNameAttempts)
            return std::error_code(static_cast<int>(error), std::system_category());
    }
}

bool RefusedByFolder(const std::error_code& error) {
    return error.category() == std::system_category() && error.value() == ERROR_ACCESS_DENIED;
}

std::error_code OpenExisting(const fs::path& final, bool special, File& file) {
    const DWORD access = special ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
    const HANDLE handle = ::CreateFileW(final.c_str(), access, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    AdoptHandle(file, handle);
    return {};
}

std::error_code ReadAll(File& file, std::string& content) {
    content.clear();
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(HandleOf(file), buffer, sizeof buffer, &got, nullptr)) return LastError();
        if (got == 0) return {};
        content.append(buffer, got);
    }
}

std::error_code Rewind(File& file) {
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(HandleOf(file), start, nullptr, FILE_BEGIN)) return LastError();
    return {};
}

std::error_code WriteAll(File& file, std::string_view data) {
    while (!data.empty()) {
        const DWORD part = static_cast<DWORD>(std::min<size_t>(data.size(), 1u << 30));
        DWORD put = 0;
        if (!::WriteFile(HandleOf(file), data.data(), part, &put, nullptr)) return LastError();
        if (put == 0) return std::error_code(ERROR_WRITE_FAULT, std::system_category());
        data.remove_prefix(put);
    }
    return {};
}

std::error_code SetSize(File& file, std::uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFileInformationByHandle(HandleOf(file), FileEndOfFileInfo, &end, sizeof end))
        return LastError();
    return {};
}

std::error_code Reserve(File& file, std::uint64_t size) {
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFileInformationByHandle(HandleOf(file), FileAllocationInfo, &room, sizeof room)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED) return {};
        return std::error_code(static_cast<int>(error), std::system_category());
    }
    return {};
}

std::error_code Flush(File& file) {
    if (!::FlushFileBuffers(HandleOf(file))) return LastError();
    return {};
}

std::error_code Replace(const fs::path& replacement, const fs::path& final) {
    if (::GetFileAttributesW(final.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (::ReplaceFileW(final.c_str(), replacement.c_str(), nullptr,
                           REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                           nullptr))
            return {};
        return LastError();
    }
    if (!::MoveFileExW(replacement.c_str(), final.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return LastError();
    return {};
}

void Remove(const fs::path& name) {
    ::DeleteFileW(name.c_str());
}

void FlushFolder(const fs::path&) {
    // MOVEFILE_WRITE_THROUGH and ReplaceFileW already wrote the folder entry.
}

}  // namespace file_system

#endif
