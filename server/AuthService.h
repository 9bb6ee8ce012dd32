#pragma once

#include "server/ApiResponse.h"
#include "server/PasswordHasher.h"
#include "server/Store.h"
#include "server/TokenService.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace backend {

// The e-mail and password accounts of the authentication service: sign-up,
// password sign-in and the refresh-token grant, answering with a session or
// the service's errors.
class AuthService {
public:
    static constexpr int ACCESS_TOKEN_LIFETIME_SECONDS = 3600;
    static constexpr std::size_t MIN_PASSWORD_LENGTH = 6; // characters
    static constexpr std::size_t MAX_PASSWORD_BYTES = 72; // the hosted service's limit
    static constexpr std::size_t MAX_EMAIL_BYTES = 255;
    static constexpr std::size_t MAX_USERNAME_LENGTH = 20;

    AuthService(Store& store, const PasswordHasher& hasher, const TokenService& tokens);

    // The issuer claim of access tokens is the public base URL + "/auth/v1";
    // the URL is only known once the server has its port.
    void setPublicUrl(const std::string& baseUrl);

    ApiResponse signUp(const std::string& body);
    ApiResponse token(const std::string& grantType, const std::string& body);

    // The access token a user signed in at issuedAtSeconds would get, in a
    // session of its own; empty when signing failed.
    std::string accessTokenFor(const UserRecord& user, std::int64_t issuedAtSeconds) const;

    // A user name of the game's login form: 1 to 20 letters, digits, '_'
    // and '-'.
    static bool isValidUsername(const std::string& username);

private:
    struct SessionStart {
        std::string sessionId;
        std::int64_t signedInAtMicros = 0;
    };

    ApiResponse passwordGrant(const nlohmann::json& request);
    ApiResponse refreshGrant(const nlohmann::json& request);
    // The session object, or nothing when the access token could not be
    // signed.
    std::optional<nlohmann::json> session(const UserRecord& user, const SessionStart& start,
                                          const std::string& refreshToken) const;
    std::string accessToken(const UserRecord& user, const SessionStart& start,
                            std::int64_t issuedAtSeconds) const;
    nlohmann::json userObject(const UserRecord& user) const;

    Store& store;
    const PasswordHasher& hasher;
    const TokenService& tokens;
    std::string issuer;
};

} // namespace backend
