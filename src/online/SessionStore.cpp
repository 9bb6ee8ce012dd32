#include "online/SessionStore.h"

#include "assets/DataPaths.h"
#include "online/AccountRules.h"
#include "online/AtomicFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// Tokens travel in headers and bodies: letters, digits and the three
// characters of base64url and JSON Web Tokens, nothing else.
bool isTokenText(std::string_view text, std::size_t maxLength) {
    return !text.empty() && text.size() <= maxLength &&
           std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_' || c == '-';
           });
}

std::optional<std::string> stringMember(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

std::optional<std::int64_t> integerMember(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer()) {
        return std::nullopt;
    }
    if (found->is_number_unsigned()) {
        const auto value = found->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(INT64_MAX)) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    return found->get<std::int64_t>();
}

} // namespace

SessionStore::SessionStore(std::string path) : path(std::move(path)) {}

SessionStore SessionStore::forThisProcess() {
    const std::filesystem::path& dir = DataPaths::forThisProcess().playerDataDir();
    return SessionStore(dir.empty() ? std::string() : (dir / FILE_NAME).string());
}

std::string SessionStore::serialize(const AuthSession& session) {
    const nlohmann::json file = {
        {"version", FORMAT_VERSION},
        {"access_token", session.accessToken},
        {"refresh_token", session.refreshToken},
        {"expires_at", session.expiresAt},
        {"user_id", session.userId},
        {"username", session.username},
    };
    return file.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<AuthSession> SessionStore::parse(std::string_view text, std::int64_t now,
                                               std::string& why) {
    if (text.size() > MAX_FILE_SIZE) {
        why = "it is larger than " + std::to_string(MAX_FILE_SIZE) + " bytes";
        return std::nullopt;
    }
    const nlohmann::json file = nlohmann::json::parse(text, nullptr, false);
    if (file.is_discarded() || !file.is_object()) {
        why = "it is not a JSON object";
        return std::nullopt;
    }
    if (integerMember(file, "version") != FORMAT_VERSION) {
        why = "it is not of format version " + std::to_string(FORMAT_VERSION);
        return std::nullopt;
    }
    AuthSession session;
    const auto access = stringMember(file, "access_token");
    const auto refresh = stringMember(file, "refresh_token");
    const auto expires = integerMember(file, "expires_at");
    const auto user = stringMember(file, "user_id");
    const auto name = stringMember(file, "username");
    if (!access || !isTokenText(*access, MAX_TOKEN_LENGTH)) {
        why = "its access token is missing or malformed";
    } else if (!refresh || !isTokenText(*refresh, MAX_TOKEN_LENGTH)) {
        why = "its refresh token is missing or malformed";
    } else if (!expires || *expires <= 0 || *expires > now + MAX_EXPIRY_AHEAD_SECONDS) {
        why = "its expiry is missing or not a believable time";
    } else if (!user || !isTokenText(*user, MAX_USER_ID_LENGTH)) {
        why = "its user id is missing or malformed";
    } else if (!name || !AccountRules::usernameProblem(*name).empty()) {
        why = "its user name is missing or not a valid name";
    } else {
        return AuthSession{*access, *refresh, *expires, *user, *name};
    }
    return std::nullopt;
}

std::optional<AuthSession> SessionStore::load(std::int64_t now, std::ostream& warnings) const {
    if (path.empty()) {
        return std::nullopt;
    }
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        return std::nullopt;
    }
    std::string why;
    std::optional<AuthSession> session;
    if (!std::filesystem::is_regular_file(status)) {
        why = "it is not a plain file";
    } else {
        std::ifstream file(path, std::ios::binary);
        std::string text(MAX_FILE_SIZE + 1, '\0');
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(file.gcount()));
        if (file.bad()) {
            why = "it cannot be read";
        } else {
            session = parse(text, now, why);
        }
    }
    if (!session) {
        warnings << "SessionStore: not using the kept session in " << path << ": " << why
                 << "; signed out" << std::endl;
    }
    return session;
}

std::string SessionStore::save(const AuthSession& session) const {
    if (path.empty()) {
        return "no data folder to keep the session in";
    }
    if (!DataPaths::makePrivateDirectory(std::filesystem::path(path).parent_path())) {
        return "cannot make the folder of " + path;
    }
    return AtomicFile::writePrivate(path, serialize(session));
}

bool SessionStore::remove(std::ostream& warnings) const {
    if (path.empty()) {
        return true;
    }
    std::error_code error;
    std::filesystem::remove(path, error);
    if (error) {
        warnings << "SessionStore: cannot delete " << path << ": " << error.message() << std::endl;
        return false;
    }
    return true;
}
