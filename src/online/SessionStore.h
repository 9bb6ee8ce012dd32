#pragma once

#include "online/AuthSession.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

// Keeps a signed-in player signed in between runs: the session lives in
// session.json in the player's data folder, readable by the player alone
// (0600 from the moment it exists). The file holds tokens, so whatever is
// read back is checked as strictly as a network answer: a file that is too
// large, not the expected JSON, or holds a token, id, name or expiry that
// the game would never have written, means no session.
class SessionStore {
public:
    static constexpr std::string_view FILE_NAME = "session.json";
    static constexpr int FORMAT_VERSION = 1;
    static constexpr std::size_t MAX_FILE_SIZE = 64 * 1024;
    static constexpr std::size_t MAX_TOKEN_LENGTH = 8192;
    static constexpr std::size_t MAX_USER_ID_LENGTH = 128;
    // Access tokens last an hour; an expiry further ahead than this was not
    // given by the authentication service.
    static constexpr std::int64_t MAX_EXPIRY_AHEAD_SECONDS = 7 * 24 * 60 * 60;

    explicit SessionStore(std::string path);
    // session.json in this process's player data folder.
    static SessionStore forThisProcess();

    // The kept session, or nothing: silently when there is no file, with a
    // warning when the file cannot be used. `now` is in seconds since 1970.
    std::optional<AuthSession> load(std::int64_t now, std::ostream& warnings) const;
    // Replaces the file atomically; empty on success, else what failed.
    std::string save(const AuthSession& session) const;
    // Deletes the file; false (with a warning) when one is left behind.
    bool remove(std::ostream& warnings) const;

    static std::string serialize(const AuthSession& session);
    // The session in `text`, or nothing with the reason in `why`.
    static std::optional<AuthSession> parse(std::string_view text, std::int64_t now,
                                            std::string& why);

    const std::string& getPath() const { return path; }

private:
    std::string path;
};
