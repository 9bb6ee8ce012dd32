#include "online/AtomicFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t NEW_FILE_MODE = 0666; // less the umask, as any new file
constexpr mode_t PERMISSION_BITS = 07777;
constexpr std::size_t COPY_CHUNK_BYTES = 16 * 1024;
constexpr int MAX_SYMLINK_HOPS = 40; // as the kernel allows

// Closes the descriptor it holds when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd; }
    bool isOpen() const { return fd >= 0; }
    // Closes now, reporting what close reports (a delayed write error).
    bool close() {
        const int result = ::close(fd);
        fd = -1;
        return result == 0;
    }

private:
    int fd;
};

std::string failure(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The file a path finally names, following every symlink, also a dangling
// one, whose target a write then creates. Loops give up like the system does.
std::filesystem::path realTarget(const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code code;
    fs::path current = fs::absolute(path, code);
    for (int hops = 0; !code; ++hops) {
        current = fs::weakly_canonical(current.parent_path(), code) / current.filename();
        if (code || !fs::is_symlink(fs::symlink_status(current, code))) {
            break;
        }
        if (hops == MAX_SYMLINK_HOPS) {
            error = "too many symbolic links from " + path;
            return {};
        }
        const fs::path target = fs::read_symlink(current, code);
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    if (code && code != std::errc::no_such_file_or_directory) {
        error = "could not resolve " + path + ": " + code.message();
        return {};
    }
    return current;
}

// Flushes the directory entry of a renamed file. Some file systems cannot
// sync a directory; the rename has happened either way, so this is best
// effort.
void syncDirectory(const std::filesystem::path& directory) {
    FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.isOpen()) {
        ::fsync(dir.get());
    }
}

} // namespace

std::string AtomicFile::temporaryPathFor(const std::string& path) {
    std::string ignored;
    std::filesystem::path real = realTarget(path, ignored);
    if (real.empty()) {
        real = path;
    }
    return real.string() + ".tmp." + std::to_string(::getpid());
}

std::string AtomicFile::backupPathFor(const std::string& path, int index) {
    return index == 0 ? path + ".bak" : path + ".bak." + std::to_string(index);
}

std::string AtomicFile::write(const std::string& path, const std::string& contents) {
    return write(path, contents, std::nullopt);
}

std::string AtomicFile::writePrivate(const std::string& path, const std::string& contents) {
    return write(path, contents, PRIVATE_FILE_MODE);
}

std::string AtomicFile::write(const std::string& path, const std::string& contents,
                              std::optional<mode_t> mode) {
    std::string error;
    const std::filesystem::path real = realTarget(path, error);
    if (real.empty()) {
        return error;
    }
    struct stat existing {};
    const bool targetExists = ::stat(real.c_str(), &existing) == 0;
    if (targetExists && !S_ISREG(existing.st_mode)) {
        return real.string() + " is not a regular file";
    }
    if (!targetExists && errno != ENOENT) {
        return failure("could not inspect", real.string());
    }

    // A temporary file left by an earlier run of this process id is stale;
    // anything else under that name (a directory) makes the save fail.
    const std::string temporary = real.string() + ".tmp." + std::to_string(::getpid());
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) {
        return failure("could not clear", temporary);
    }
    // A private file is private from its creation, never readable by others
    // for a moment.
    FileDescriptor out(::open(temporary.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              mode ? *mode : NEW_FILE_MODE));
    if (!out.isOpen()) {
        return failure("could not create", temporary);
    }
    const bool modeSet =
        mode ? ::fchmod(out.get(), *mode) == 0
             : (!targetExists || ::fchmod(out.get(), existing.st_mode & PERMISSION_BITS) == 0);
    const bool written =
        modeSet && writeAll(out.get(), contents.data(), contents.size()) && ::fsync(out.get()) == 0;
    if (!written || !out.close()) {
        error = failure("could not write", temporary);
        ::unlink(temporary.c_str());
        return error;
    }
    if (::rename(temporary.c_str(), real.c_str()) != 0) {
        error = failure("could not rename " + temporary + " over", real.string());
        ::unlink(temporary.c_str());
        return error;
    }
    syncDirectory(real.parent_path());
    return {};
}

std::optional<std::string> AtomicFile::copyToFreeBackup(const std::string& path,
                                                        std::string& error) {
    FileDescriptor in(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat source {};
    if (!in.isOpen() || ::fstat(in.get(), &source) != 0) {
        error = failure("could not read", path);
        return std::nullopt;
    }
    if (!S_ISREG(source.st_mode)) {
        error = path + " is not a regular file";
        return std::nullopt;
    }
    auto left = static_cast<std::size_t>(source.st_size);
    // O_EXCL makes taking a name and creating the file one step, so two
    // savers can never pick the same backup.
    for (int index = 0; index < MAX_BACKUPS; ++index) {
        const std::string backup = backupPathFor(path, index);
        FileDescriptor out(::open(backup.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                  source.st_mode & PERMISSION_BITS));
        if (!out.isOpen()) {
            if (errno == EEXIST) {
                continue;
            }
            error = failure("could not create", backup);
            return std::nullopt;
        }
        std::array<char, COPY_CHUNK_BYTES> chunk{};
        bool copied = true;
        while (left > 0) {
            const ssize_t got = ::read(in.get(), chunk.data(), std::min(chunk.size(), left));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                copied = got == 0; // shrunk meanwhile: what there was is kept
                break;
            }
            left -= static_cast<std::size_t>(got);
            if (!writeAll(out.get(), chunk.data(), static_cast<std::size_t>(got))) {
                copied = false;
                break;
            }
        }
        copied = copied && ::fsync(out.get()) == 0;
        if (!out.close() || !copied) {
            error = failure("could not copy " + path + " to", backup);
            ::unlink(backup.c_str());
            return std::nullopt;
        }
        syncDirectory(std::filesystem::absolute(backup).parent_path());
        return backup;
    }
    error = "every backup name of " + path + " up to " + backupPathFor(path, MAX_BACKUPS - 1) +
            " is taken";
    return std::nullopt;
}

std::optional<std::string> AtomicFile::keepAsFreeBackup(const std::string& path,
                                                        std::string& error) {
    for (int index = 0; index < MAX_BACKUPS; ++index) {
        const std::string backup = backupPathFor(path, index);
        // A new name fails on one that exists: a backup made meanwhile by
        // another saver is never replaced.
        int kept = ::link(path.c_str(), backup.c_str());
        if (kept != 0 && (errno == EPERM || errno == EXDEV || errno == ENOTSUP)) {
            // No hard links here: moved aside instead, in one step as well.
            kept = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, backup.c_str(), RENAME_NOREPLACE);
        }
        if (kept != 0) {
            if (errno == EEXIST) {
                continue;
            }
            error = failure("could not keep a backup of", path);
            return std::nullopt;
        }
        syncDirectory(std::filesystem::absolute(backup).parent_path());
        return backup;
    }
    error = "every backup name of " + path + " up to " + backupPathFor(path, MAX_BACKUPS - 1) +
            " is taken";
    return std::nullopt;
}

AtomicFile::ReadResult AtomicFile::readRegular(const std::string& path, std::size_t maxBytes) {
    ReadResult result;
    // Without O_NONBLOCK, opening a FIFO waits for a writer, for good.
    FileDescriptor in(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!in.isOpen()) {
        if (errno == ENOENT) {
            result.status = ReadResult::Status::Missing;
        } else {
            result.error = failure("could not open", path);
        }
        return result;
    }
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) {
        result.error = failure("could not inspect", path);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = ReadResult::Status::NotRegular;
        return result;
    }
    // One byte past the limit tells a file that is larger, also one that
    // grew since fstat; nothing beyond it is read, however large the file.
    result.text.resize(maxBytes + 1);
    std::size_t filled = 0;
    while (filled < result.text.size()) {
        const ssize_t got =
            ::read(in.get(), result.text.data() + filled, result.text.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            result.text.clear();
            result.error = failure("could not read", path);
            return result;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    const bool tooLarge = filled > maxBytes || static_cast<std::uintmax_t>(info.st_size) > maxBytes;
    result.text.resize(std::min(filled, maxBytes));
    result.status = tooLarge ? ReadResult::Status::TooLarge : ReadResult::Status::Read;
    return result;
}
