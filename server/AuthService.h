#pragma once

#include "server/ApiResponse.h"
#include "server/PasswordHasher.h"
#include "server/RateLimiter.h"
#include "server/Store.h"
#include "server/TokenService.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <unordered_map>

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
    // A refresh token used again this soon after its first use answers with
    // the session that first use made, as two screens of one player refresh
    // at once; later, a reuse means the token was copied and ends the
    // session. The hosted service's interval.
    static constexpr std::int64_t REFRESH_REUSE_INTERVAL_SECONDS = 10;
    // A refresh token not traded in for this long is refused: a player away
    // longer signs in again. Every refresh makes a new token, so this is the
    // longest a session may lie unused.
    static constexpr std::int64_t REFRESH_TOKEN_LIFETIME_SECONDS = 30 * 24 * 3600;
    // Rotations remembered for the reuse interval; more are forgotten early.
    static constexpr std::size_t MAX_REMEMBERED_ROTATIONS = 65536;

    AuthService(Store& store, const PasswordHasher& hasher, const TokenService& tokens);

    // The issuer claim of access tokens is the public base URL + "/auth/v1";
    // the URL is only known once the server has its port.
    void setPublicUrl(const std::string& baseUrl);

    // Wrong passwords one account may be tried with: a burst, earned back
    // evenly over the window. Past it, sign-ins to the account are answered
    // 429 before any password is checked, from whatever address they come.
    // burst 0 (the default): no limit.
    void limitFailedSignIns(std::size_t burst, std::chrono::milliseconds window);

    ApiResponse signUp(const std::string& body);
    ApiResponse token(const std::string& grantType, const std::string& body);
    // Signs out the session of the access token: deletes its refresh tokens
    // ("local"), those of every session of the user ("global", the default),
    // or of all the user's other sessions ("others"). The access token itself
    // stays valid until it expires, as on the hosted service.
    ApiResponse logout(const std::string& accessToken, const std::string& scope);

    // The clock of refresh tokens' ages and the reuse interval, in
    // microseconds since 1970; for tests.
    void useClock(std::function<std::int64_t()> nowMicros);
    // Replaces REFRESH_REUSE_INTERVAL_SECONDS; 0: every reuse ends the
    // session.
    void setRefreshReuseInterval(std::chrono::seconds interval);

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
    std::unique_ptr<RateLimiter> failedSignIns;
    std::function<std::int64_t()> nowMicros;
    std::int64_t reuseIntervalMicros = REFRESH_REUSE_INTERVAL_SECONDS * 1'000'000;

    // The answer each recently used refresh token got, by the token's hash.
    struct Rotation {
        nlohmann::json answer;
        std::string userId;
        std::string sessionId;
        std::int64_t usedAtMicros = 0;
    };
    void forgetRotations(const std::string& userId, const std::string& sessionId, bool wholeUser);
    // Held across a refresh grant, from the lookup to the remembered answer,
    // so that the loser of a race finds what the winner made.
    std::mutex rotationMutex;
    std::unordered_map<std::string, Rotation> recentRotations;
};

} // namespace backend
