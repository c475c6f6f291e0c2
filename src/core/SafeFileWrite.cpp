#include "core/SafeFileWrite.h"

#include <chrono>
#include <random>

#include "core/FileSystemCalls.h"

namespace fs = std::filesystem;
using file_system::Facts;
using file_system::File;
using file_system::Kind;

namespace {

FileWriteResult Failed(std::string_view reason) {
    FileWriteResult result;
    result.Failure = std::string(reason);
    return result;
}

FileWriteResult Failed(const std::error_code& error) {
    return Failed(error.message());
}

FileWriteResult Written(bool inPlace) {
    FileWriteResult result;
    result.Written = true;
    result.InPlace = inPlace;
    return result;
}

// The first error of a sequence of steps; the steps after a failed one are not run.
template <typename... Steps>
std::error_code FirstError(Steps&&... steps) {
    std::error_code error;
    ((error ? void() : void(error = steps())), ...);
    return error;
}

// A device or a pipe: the content is simply written to it.
FileWriteResult WriteIntoSpecialFile(const fs::path& final, std::string_view content) {
    File file;
    if (auto error = file_system::OpenExisting(final, true, file)) return Failed(error);
    if (auto error = FirstError([&] { return file_system::WriteAll(file, content); },
                                [&] { return file.Close(); }))
        return Failed(error);
    return Written(true);
}

// Writes into the existing file, keeping its old content to put back when the
// new content cannot be written completely.
FileWriteResult WriteInPlace(const fs::path& final, std::string_view content) {
    File file;
    if (auto error = file_system::OpenExisting(final, false, file)) return Failed(error);
    std::string old;
    if (auto error = file_system::ReadAll(file, old)) return Failed(error);
    // Nothing has changed yet when the room for the new content cannot be had.
    if (content.size() > old.size()) {
        if (auto error = file_system::Reserve(file, content.size())) return Failed(error);
    }

    const std::error_code error =
        FirstError([&] { return file_system::Rewind(file); },
                   [&] { return file_system::WriteAll(file, content); },
                   [&] { return file_system::SetSize(file, content.size()); },
                   [&] { return file_system::Flush(file); });
    if (error) {
        // The old content fits where it was, so putting it back needs no new room.
        FirstError([&] { return file_system::Rewind(file); },
                   [&] { return file_system::WriteAll(file, old); },
                   [&] { return file_system::SetSize(file, old.size()); },
                   [&] { return file_system::Flush(file); });
        return Failed(error);
    }
    if (auto closed = file.Close()) return Failed(closed);
    return Written(true);
}

}  // namespace

namespace file_system {

fs::path TemporaryName(const fs::path& final, unsigned attempt) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::uint64_t seed =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(attempt) << 48);
    try {
        std::random_device device;
        seed ^= (static_cast<std::uint64_t>(device()) << 32) | device();
    } catch (...) {
        // the clock alone then makes the name; a clash only costs another attempt
    }
    std::mt19937_64 random(seed);
    std::string part(8, ' ');
    for (char& c : part) c = kLetters[random() % (sizeof kLetters - 1)];

    fs::path name = final.filename();
    name += "." + part + ".saving";
    return final.parent_path() / name;
}

}  // namespace file_system

FileWriteResult WriteFileSafely(const fs::path& target, std::string_view content) {
    fs::path final;
    if (auto error = file_system::FollowLinks(target, final)) return Failed(error);
    Facts facts;
    if (auto error = file_system::Inspect(final, facts)) return Failed(error);

    switch (facts.kind) {
        case Kind::Folder:
            return Failed(kFailureFolder);
        case Kind::OtherFile:
            return WriteIntoSpecialFile(final, content);
        case Kind::RegularFile:
            if (facts.readOnly) return Failed(kFailureReadOnly);
            if (facts.mayNotWrite) return Failed(facts.mayNotWrite);
            // A replacement would take the content away from the file's other names.
            if (facts.severalNames) return WriteInPlace(final, content);
            break;
        case Kind::Missing:
            break;
    }

    File file;
    fs::path temporary;
    bool ownerKept = true;
    if (auto error = file_system::CreateBeside(final, facts, file, temporary, ownerKept)) {
        if (facts.kind == Kind::RegularFile && file_system::RefusedByFolder(error))
            return WriteInPlace(final, content);
        return Failed(error);
    }
    if (!ownerKept) {
        file = File();
        file_system::Remove(temporary);
        return WriteInPlace(final, content);
    }

    if (auto error =
            FirstError([&] { return file_system::WriteAll(file, content); },
                       [&] { return file_system::Flush(file); }, [&] { return file.Close(); },
                       [&] { return file_system::Replace(temporary, final); })) {
        file = File();
        file_system::Remove(temporary);
        return Failed(error);
    }
    file_system::FlushFolder(final.parent_path());
    return Written(false);
}
