#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <sys/types.h>

// Saves the game's small files (high scores, and any other file a player
// keeps between runs) so that a crash, a kill or a full disk at any moment
// leaves either the old or the new contents, never a mix, and never loses a
// backup. Every failure is returned as text; nothing throws. Meant for one
// thread of one process saving a given file at a time.
class AtomicFile {
public:
    // How many numbered backups copyToFreeBackup tries before giving up.
    static constexpr int MAX_BACKUPS = 1000;

    // Replaces the whole file at path with contents: writes a temporary file
    // in the real file's directory (a symlink is followed, so the link stays a
    // link to the updated file), gives it the old file's permission bits,
    // flushes it to disk, renames it over the real file and flushes the
    // directory. A new file gets the usual mode (0666 less the umask).
    // Returns an empty text on success; otherwise what failed, with the file
    // left as it was and no temporary file behind.
    static std::string write(const std::string& path, const std::string& contents);

    // As write, but the file is readable and writable by its owner only
    // (0600) from the moment it is created, whatever the old file's mode was:
    // for files that hold secrets, such as a kept session.
    static std::string writePrivate(const std::string& path, const std::string& contents);

    // The temporary file a write of path goes through: beside the real file,
    // named after it and this process.
    static std::string temporaryPathFor(const std::string& path);

    // The index-th backup name of path: path + ".bak", then ".bak.1", ".bak.2"...
    static std::string backupPathFor(const std::string& path, int index = 0);

    // Copies the regular file at path, byte for byte and with its permission
    // bits, to the first backup name that is free, so an older backup is
    // never overwritten. Copies no more than the file's size when opened (a
    // file that keeps growing is not followed), and refuses anything but a
    // regular file (a device or a FIFO would never end). Returns that name,
    // or nullopt with `error` set.
    static std::optional<std::string> copyToFreeBackup(const std::string& path, std::string& error);

    // Gives whatever is at path (a file of any size, a symbolic link: nothing
    // is read or copied) a second name, the first backup name that is free,
    // never replacing an existing backup. The file stays at path too, so its
    // permission bits carry over to its next write, which replaces path and
    // leaves the backup holding the old contents. Where the file system has
    // no hard links, the file is renamed instead. Returns the backup's name,
    // or nullopt with `error` set.
    static std::optional<std::string> keepAsFreeBackup(const std::string& path, std::string& error);

    // What reading a player's file found.
    struct ReadResult {
        enum class Status { Read, Missing, NotRegular, TooLarge, Failed };
        Status status = Status::Failed;
        std::string text;  // the contents when Read; the first maxBytes when TooLarge
        std::string error; // what failed, when Failed
    };

    // Reads a player's file without ever waiting or reading without bound:
    // opened without blocking (a FIFO in its place is not waited on), only a
    // regular file is read (a link to a device is not), and of a file larger
    // than maxBytes only its first maxBytes.
    static ReadResult readRegular(const std::string& path, std::size_t maxBytes);

    static constexpr mode_t PRIVATE_FILE_MODE = 0600;

private:
    // mode, when given, replaces both the old file's mode and the default.
    static std::string write(const std::string& path, const std::string& contents,
                             std::optional<mode_t> mode);
};
