// The file system calls of WriteFileSafely on POSIX systems.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/FileSystemCalls.h"

namespace fs = std::filesystem;

namespace file_system {

namespace {

constexpr int kMaxLinks = 40;  // as many as the system follows in one name
constexpr unsigned kNameAttempts = 100;

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

int Descriptor(const File& file) {
    return static_cast<int>(file.Handle());
}

// The text of a symbolic link.
std::error_code ReadLink(const fs::path& link, fs::path& text) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0) return LastError();
        if (static_cast<size_t>(length) < buffer.size()) {
            text = fs::path(std::string(buffer.data(), static_cast<size_t>(length)));
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
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
    const int descriptor = static_cast<int>(handle_);
    handle_ = kNone;
    // The descriptor is gone even when close reports an error, so it is never repeated.
    if (::close(descriptor) != 0 && errno != EINTR) return LastError();
    return {};
}

std::error_code FollowLinks(const fs::path& name, fs::path& final) {
    fs::path current = name;
    for (int links = 0;; ++links) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT) return LastError();
            final = current;  // nothing there yet: the name to create
            return {};
        }
        if (!S_ISLNK(st.st_mode)) {
            final = current;
            return {};
        }
        if (links == kMaxLinks) return std::error_code(ELOOP, std::generic_category());
        fs::path text;
        if (auto error = ReadLink(current, text)) return error;
        current = text.is_absolute() ? text : current.parent_path() / text;
    }
}

std::error_code Inspect(const fs::path& final, Facts& facts) {
    facts = Facts();
    struct stat st {};
    if (::stat(final.c_str(), &st) != 0) {
        if (errno == ENOENT) return {};
        return LastError();
    }
    if (S_ISDIR(st.st_mode)) {
        facts.kind = Kind::Folder;
        return {};
    }
    facts.kind = S_ISREG(st.st_mode) ? Kind::RegularFile : Kind::OtherFile;
    facts.mode = st.st_mode & 07777;
    facts.owner = st.st_uid;
    facts.group = st.st_gid;
    facts.severalNames = st.st_nlink > 1;
    // Root may write anything, so a file without any write permission counts as
    // read-only by its mode alone.
    facts.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    if (::faccessat(AT_FDCWD, final.c_str(), W_OK, AT_EACCESS) != 0)
        facts.mayNotWrite = LastError();
    return {};
}

std::error_code CreateBeside(const fs::path& final, const Facts& facts, File& file,
                             fs::path& created, bool& ownerKept) {
    ownerKept = true;
    const bool replacing = facts.kind == Kind::RegularFile;
    // A new file gets the usual permissions (the process's umask applies); a
    // replacement starts private and is given the old file's below.
    const mode_t startMode = replacing ? S_IRUSR | S_IWUSR : 0666;
    for (unsigned attempt = 0;; ++attempt) {
        const fs::path name = TemporaryName(final, attempt);
        const int descriptor =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, startMode);
        if (descriptor >= 0) {
            file.Adopt(descriptor);
            created = name;
            break;
        }
        if (errno != EEXIST || attempt + 1 == kNameAttempts) return LastError();
    }
    if (!replacing) return {};

    const int descriptor = Descriptor(file);
    struct stat st {};
    if (::fstat(descriptor, &st) != 0) {
        const std::error_code error = LastError();
        file = File();
        Remove(created);
        return error;
    }
    // The owner first: changing it may clear the set-user and set-group bits.
    if (st.st_uid != facts.owner || st.st_gid != facts.group) {
        if (::fchown(descriptor, facts.owner, facts.group) != 0) ownerKept = false;
    }
    if (::fchmod(descriptor, static_cast<mode_t>(facts.mode)) != 0) {
        const std::error_code error = LastError();
        file = File();
        Remove(created);
        return error;
    }
    return {};
}

bool RefusedByFolder(const std::error_code& error) {
    return error == std::errc::permission_denied || error == std::errc::operation_not_permitted;
}

std::error_code OpenExisting(const fs::path& final, bool special, File& file) {
    if (!special) {
        const int descriptor = ::open(final.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (descriptor < 0) return LastError();
        file.Adopt(descriptor);
        return {};
    }
    // A pipe without a reader would keep the open waiting for ever.
    const int descriptor = ::open(final.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) return LastError();
    file.Adopt(descriptor);
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) return LastError();
    return {};
}

std::error_code ReadAll(File& file, std::string& content) {
    content.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(Descriptor(file), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        if (got == 0) return {};
        content.append(buffer, static_cast<size_t>(got));
    }
}

std::error_code Rewind(File& file) {
    if (::lseek(Descriptor(file), 0, SEEK_SET) < 0) return LastError();
    return {};
}

std::error_code WriteAll(File& file, std::string_view data) {
    while (!data.empty()) {
        const ssize_t put = ::write(Descriptor(file), data.data(), data.size());
        if (put < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        data.remove_prefix(static_cast<size_t>(put));
    }
    return {};
}

std::error_code SetSize(File& file, std::uint64_t size) {
    if (::ftruncate(Descriptor(file), static_cast<off_t>(size)) != 0) return LastError();
    return {};
}

std::error_code Reserve(File& file, std::uint64_t size) {
#if defined(__linux__)
    const int error = ::posix_fallocate(Descriptor(file), 0, static_cast<off_t>(size));
    if (error == 0 || error == EOPNOTSUPP || error == EINVAL) return {};
    return std::error_code(error, std::generic_category());
#else
    (void)file;
    (void)size;
    return {};
#endif
}

std::error_code Flush(File& file) {
    while (::fsync(Descriptor(file)) != 0) {
        if (errno != EINTR) return LastError();
    }
    return {};
}

std::error_code Replace(const fs::path& replacement, const fs::path& final) {
    if (::rename(replacement.c_str(), final.c_str()) != 0) return LastError();
    return {};
}

void Remove(const fs::path& name) {
    ::unlink(name.c_str());
}

void FlushFolder(const fs::path& folder) {
    const int descriptor =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

}  // namespace file_system

#endif
