#include "server/AuthService.h"

#include "online/BoundedJson.h"
#include "server/Clock.h"
#include "server/Text.h"
#include "server/Uuid.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <sodium.h>

namespace backend {

namespace {

const nlohmann::json APP_METADATA = {{"provider", "email"},
                                     {"providers", nlohmann::json::array({"email"})}};

std::string stringMember(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// Counts characters, not bytes: "üüüüü" is five characters long.
std::size_t utf8Length(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Deliberately lenient: one "@" with text on both sides and no blanks.
bool looksLikeEmail(const std::string& email) {
    const auto at = email.find('@');
    return at != std::string::npos && at > 0 && at + 1 < email.size() &&
           email.find('@', at + 1) == std::string::npos &&
           std::none_of(email.begin(), email.end(),
                        [](unsigned char c) { return std::isspace(c) || std::iscntrl(c); });
}

// 256 random bits, URL-safe: as unguessable as the access token's key.
std::string randomToken() {
    std::array<unsigned char, 32> bytes{};
    randombytes_buf(bytes.data(), bytes.size());
    char text[sodium_base64_ENCODED_LEN(32, sodium_base64_VARIANT_URLSAFE_NO_PADDING)];
    sodium_bin2base64(text, sizeof text, bytes.data(), bytes.size(),
                      sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    return text;
}

// Refresh tokens are stored as this hash. They carry 256 random bits, so a
// fast hash is as safe as a slow one here.
std::string refreshTokenHash(const std::string& token) {
    std::array<unsigned char, crypto_hash_sha256_BYTES> digest{};
    crypto_hash_sha256(digest.data(), reinterpret_cast<const unsigned char*>(token.data()),
                       token.size());
    char hex[crypto_hash_sha256_BYTES * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, digest.data(), digest.size());
    return hex;
}

ApiResponse badJson(BoundedJson::Verdict verdict) {
    return ApiResponse::authError(400, "bad_json",
                                  verdict == BoundedJson::Verdict::TooDeep
                                      ? "Request body is nested too deeply"
                                      : "Could not parse request body as JSON");
}

ApiResponse signingFailed() {
    return ApiResponse::authError(500, "unexpected_failure", "Error signing the access token");
}

// The database file is gone from under the server: nothing it would store
// now could be kept.
ApiResponse storageUnavailable() {
    return ApiResponse::authError(503, "unexpected_failure",
                                  "The accounts database is unavailable; try again later");
}

ApiResponse storageFailed() {
    return ApiResponse::authError(500, "unexpected_failure", "Database error granting user");
}

// What the user's metadata shows: only the user name. Other keys a client
// sent, or that an older version stored, are never handed out or signed.
nlohmann::json publicMetadata(const nlohmann::json& stored) {
    const auto found = stored.find("username");
    if (found == stored.end() || !found->is_string()) {
        return nlohmann::json::object();
    }
    return {{"username", *found}};
}

} // namespace

AuthService::AuthService(Store& store, const PasswordHasher& hasher, const TokenService& tokens)
    : store(store), hasher(hasher), tokens(tokens), nowMicros(&Clock::nowMicros) {}

void AuthService::useClock(std::function<std::int64_t()> clock) {
    nowMicros = std::move(clock);
}

void AuthService::setRefreshReuseInterval(std::chrono::seconds interval) {
    reuseIntervalMicros = std::chrono::duration_cast<std::chrono::microseconds>(interval).count();
}

void AuthService::setPublicUrl(const std::string& baseUrl) {
    issuer = baseUrl + "/auth/v1";
}

void AuthService::limitFailedSignIns(std::size_t burst, std::chrono::milliseconds window) {
    failedSignIns = burst > 0 ? std::make_unique<RateLimiter>(burst, window) : nullptr;
}

bool AuthService::isValidUsername(const std::string& username) {
    return !username.empty() && username.size() <= MAX_USERNAME_LENGTH &&
           std::all_of(username.begin(), username.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
           });
}

ApiResponse AuthService::signUp(const std::string& body) {
    if (!store.fileIsCurrent()) {
        return storageUnavailable();
    }
    const auto parsed = BoundedJson::parse(body);
    const auto& request = parsed.value;
    if (parsed.verdict != BoundedJson::Verdict::Parsed || !request.is_object()) {
        return badJson(parsed.verdict);
    }
    auto metadata = request.value("data", nlohmann::json::object());
    if (metadata.is_null()) {
        metadata = nlohmann::json::object();
    }
    if (!metadata.is_object()) {
        return badJson(BoundedJson::Verdict::Malformed);
    }
    const std::string email = trimmedLowerCase(stringMember(request, "email"));
    const std::string password = stringMember(request, "password");
    if (email.empty()) {
        return ApiResponse::authError(400, "validation_failed",
                                      "To signup, please provide your email");
    }
    if (password.empty()) {
        return ApiResponse::authError(400, "validation_failed", "Signup requires a valid password");
    }
    if (email.size() > MAX_EMAIL_BYTES || !looksLikeEmail(email)) {
        return ApiResponse::authError(400, "validation_failed",
                                      "Unable to validate email address: invalid format");
    }
    if (utf8Length(password) < MIN_PASSWORD_LENGTH) {
        auto weak = ApiResponse::authError(422, "weak_password",
                                           "Password should be at least 6 characters.");
        auto weakBody = weak.parsedBody();
        weakBody["weak_password"] = {{"reasons", nlohmann::json::array({"length"})}};
        return ApiResponse::json(422, weakBody);
    }
    if (password.size() > MAX_PASSWORD_BYTES) {
        return ApiResponse::authError(422, "validation_failed",
                                      "Password cannot be longer than 72 characters");
    }
    // No user name at all is left to the database rule, as on the hosted
    // service; one that is there must follow the login form's rules.
    std::optional<std::string> username;
    if (const auto found = metadata.find("username"); found != metadata.end()) {
        if (!found->is_string() || !isValidUsername(found->get<std::string>())) {
            return ApiResponse::authError(
                422, "validation_failed",
                "Username must be 1 to 20 letters, digits, underscores or hyphens");
        }
        username = found->get<std::string>();
    }

    const auto existing = store.emailExists(email);
    if (!existing.ok) {
        return ApiResponse::authError(500, "unexpected_failure", "Database error checking email");
    }
    if (existing.value) {
        return ApiResponse::authError(422, "user_already_exists", "User already registered");
    }

    UserRecord user;
    user.id = Uuid::generate();
    user.email = email;
    user.passwordHash = hasher.hash(password);
    user.userMetadata =
        username ? nlohmann::json{{"username", *username}} : nlohmann::json::object();
    user.createdAtMicros = Clock::nowMicros();
    user.lastSignInAtMicros = user.createdAtMicros;
    if (user.passwordHash.empty()) {
        return ApiResponse::authError(500, "unexpected_failure", "Database error saving new user");
    }
    // Signed before anything is stored: an account that cannot be answered
    // with a session is not created.
    const SessionStart start{Uuid::generate(), user.createdAtMicros};
    const std::string refreshToken = randomToken();
    const auto answer = session(user, start, refreshToken);
    if (!answer) {
        return signingFailed();
    }

    switch (store.createUser(user, username)) {
    case CreateUserOutcome::Created:
        break;
    case CreateUserOutcome::EmailTaken: // lost a race with another sign-up
        return ApiResponse::authError(422, "user_already_exists", "User already registered");
    case CreateUserOutcome::Unavailable:
        return storageUnavailable();
    case CreateUserOutcome::UsernameRefused:
    case CreateUserOutcome::Failed:
        return ApiResponse::authError(500, "unexpected_failure", "Database error saving new user");
    }
    // With confirmations off, signing up signs the user in.
    store.recordSignIn(user.id, user.lastSignInAtMicros);
    if (!store.addRefreshToken(refreshTokenHash(refreshToken),
                               {user.id, start.sessionId, start.signedInAtMicros, false},
                               nowMicros())) {
        return storageFailed();
    }
    return ApiResponse::json(200, *answer);
}

ApiResponse AuthService::token(const std::string& grantType, const std::string& body) {
    if (grantType != "password" && grantType != "refresh_token") {
        return ApiResponse::authError(400, "validation_failed", "unsupported_grant_type");
    }
    const auto parsed = BoundedJson::parse(body);
    if (parsed.verdict != BoundedJson::Verdict::Parsed || !parsed.value.is_object()) {
        return badJson(parsed.verdict);
    }
    if (!store.fileIsCurrent()) {
        return storageUnavailable();
    }
    return grantType == "password" ? passwordGrant(parsed.value) : refreshGrant(parsed.value);
}

ApiResponse AuthService::passwordGrant(const nlohmann::json& request) {
    const std::string email = trimmedLowerCase(stringMember(request, "email"));
    const std::string password = stringMember(request, "password");
    if (email.empty()) {
        return ApiResponse::authError(400, "validation_failed", "missing email or phone");
    }
    const auto invalid =
        ApiResponse::authError(400, "invalid_credentials", "Invalid login credentials");
    // Counted by the address asked for, known or not, so that the answer
    // does not tell which accounts exist.
    if (failedSignIns && !failedSignIns->hasAllowance(email)) {
        return ApiResponse::authError(429, "over_request_rate_limit", "Request rate limit reached");
    }
    const auto refused = [&] {
        if (failedSignIns) {
            failedSignIns->allow(email);
        }
        return invalid;
    };

    const auto found = store.findUserByEmail(email);
    if (!found.ok) {
        return ApiResponse::authError(500, "unexpected_failure", "Database error finding user");
    }
    if (!found.value) {
        hasher.verifyAgainstDecoy(password);
        return refused();
    }
    UserRecord user = *found.value;
    if (!hasher.verify(password, user.passwordHash)) {
        return refused();
    }
    user.lastSignInAtMicros = Clock::nowMicros();
    const SessionStart start{Uuid::generate(), user.lastSignInAtMicros};
    const std::string refreshToken = randomToken();
    const auto answer = session(user, start, refreshToken);
    if (!answer) {
        return signingFailed();
    }
    store.recordSignIn(user.id, user.lastSignInAtMicros);
    if (!store.addRefreshToken(refreshTokenHash(refreshToken),
                               {user.id, start.sessionId, start.signedInAtMicros, false},
                               nowMicros())) {
        return storageFailed();
    }
    return ApiResponse::json(200, *answer);
}

// Trades a refresh token for a new session object with a new refresh token;
// the old one is used up. A used token presented again within the reuse
// interval gets the answer its first use got; later, it ends its session.
ApiResponse AuthService::refreshGrant(const nlohmann::json& request) {
    const std::string presented = stringMember(request, "refresh_token");
    if (presented.empty()) {
        return ApiResponse::authError(400, "validation_failed", "refresh_token required");
    }
    const auto notFound = ApiResponse::authError(400, "refresh_token_not_found",
                                                 "Invalid Refresh Token: Refresh Token Not Found");
    const auto alreadyUsed = ApiResponse::authError(400, "refresh_token_already_used",
                                                    "Invalid Refresh Token: Already Used");
    const std::string presentedHash = refreshTokenHash(presented);
    constexpr std::int64_t MICROS = 1'000'000;
    std::lock_guard rotating(rotationMutex);
    const std::int64_t now = nowMicros();
    if (const auto recent = recentRotations.find(presentedHash); recent != recentRotations.end()) {
        if (reuseIntervalMicros > 0 && now - recent->second.usedAtMicros <= reuseIntervalMicros) {
            return ApiResponse::json(200, recent->second.answer);
        }
        recentRotations.erase(recent);
    }
    const auto found = store.findRefreshToken(presentedHash);
    if (!found.ok) {
        return storageFailed();
    }
    if (!found.value) {
        return notFound;
    }
    const RefreshTokenRecord record = *found.value;
    if (record.used) {
        store.endSession(record.sessionId);
        forgetRotations(record.userId, record.sessionId, false);
        return alreadyUsed;
    }
    if (now - record.createdAtMicros > REFRESH_TOKEN_LIFETIME_SECONDS * MICROS) {
        store.deleteSession(record.sessionId);
        return ApiResponse::authError(400, "refresh_token_not_found",
                                      "Invalid Refresh Token: Refresh Token Expired");
    }
    const auto user = store.findUserById(record.userId);
    if (!user.ok) {
        return storageFailed();
    }
    if (!user.value) {
        return notFound;
    }
    const SessionStart start{record.sessionId, record.signedInAtMicros};
    const std::string refreshToken = randomToken();
    const auto answer = session(*user.value, start, refreshToken);
    if (!answer) {
        return signingFailed();
    }
    switch (store.rotateRefreshToken(presentedHash, refreshTokenHash(refreshToken), record, now)) {
    case RotateOutcome::Rotated:
        if (recentRotations.size() >= MAX_REMEMBERED_ROTATIONS) {
            std::erase_if(recentRotations, [&](const auto& entry) {
                return now - entry.second.usedAtMicros > reuseIntervalMicros;
            });
            if (recentRotations.size() >= MAX_REMEMBERED_ROTATIONS) {
                recentRotations.clear();
            }
        }
        recentRotations[presentedHash] = {*answer, record.userId, record.sessionId, now};
        return ApiResponse::json(200, *answer);
    case RotateOutcome::AlreadyUsed: // used by another process sharing the file
        store.endSession(record.sessionId);
        return alreadyUsed;
    case RotateOutcome::Unavailable:
        return storageUnavailable();
    case RotateOutcome::Failed:
        break;
    }
    return storageFailed();
}

void AuthService::forgetRotations(const std::string& userId, const std::string& sessionId,
                                  bool wholeUser) {
    std::erase_if(recentRotations, [&](const auto& entry) {
        return wholeUser ? entry.second.userId == userId && entry.second.sessionId != sessionId
                         : entry.second.sessionId == sessionId;
    });
}

ApiResponse AuthService::logout(const std::string& accessToken, const std::string& scope) {
    const auto badJwt = [](const char* why) {
        return ApiResponse::authError(401, "bad_jwt", std::string("invalid JWT: ") + why);
    };
    if (scope != "" && scope != "global" && scope != "local" && scope != "others") {
        return ApiResponse::authError(400, "validation_failed",
                                      "Unsupported logout scope \"" + scope.substr(0, 16) + "\"");
    }
    const auto verification = tokens.verify(accessToken, Clock::nowSeconds());
    if (verification.verdict == TokenService::Verdict::Expired) {
        return badJwt("token is expired");
    }
    const auto& claims = verification.claims;
    const auto sub = claims.find("sub");
    const auto sessionId = claims.find("session_id");
    if (verification.verdict != TokenService::Verdict::Valid || sub == claims.end() ||
        !sub->is_string() || sessionId == claims.end() || !sessionId->is_string()) {
        return badJwt("unable to parse or verify signature, or not a user's session");
    }
    if (!store.fileIsCurrent()) {
        return storageUnavailable();
    }
    const std::string userId = *sub;
    const std::string session = *sessionId;
    std::lock_guard rotating(rotationMutex);
    bool ended = true;
    if (scope == "local") {
        ended = store.deleteSession(session);
        forgetRotations(userId, session, false);
    } else {
        ended = store.deleteUserSessions(userId, scope == "others" ? session : std::string());
        forgetRotations(userId, scope == "others" ? session : std::string(), true);
    }
    return ended ? ApiResponse::noContent() : storageFailed();
}

std::string AuthService::accessTokenFor(const UserRecord& user,
                                        std::int64_t issuedAtSeconds) const {
    return accessToken(user, {Uuid::generate(), issuedAtSeconds * 1000000}, issuedAtSeconds);
}

std::string AuthService::accessToken(const UserRecord& user, const SessionStart& start,
                                     std::int64_t issuedAtSeconds) const {
    const nlohmann::json claims = {
        {"aal", "aal1"},
        {"amr", nlohmann::json::array({nlohmann::json{
                    {"method", "password"}, {"timestamp", start.signedInAtMicros / 1000000}}})},
        {"app_metadata", APP_METADATA},
        {"aud", "authenticated"},
        {"email", user.email},
        {"exp", issuedAtSeconds + ACCESS_TOKEN_LIFETIME_SECONDS},
        {"iat", issuedAtSeconds},
        {"is_anonymous", false},
        {"iss", issuer},
        {"phone", ""},
        {"role", "authenticated"},
        {"session_id", start.sessionId},
        {"sub", user.id},
        {"user_metadata", publicMetadata(user.userMetadata)},
    };
    return tokens.sign(claims);
}

std::optional<nlohmann::json> AuthService::session(const UserRecord& user,
                                                   const SessionStart& start,
                                                   const std::string& refreshToken) const {
    const std::int64_t now = Clock::nowSeconds();
    std::string access = accessToken(user, start, now);
    if (access.empty()) {
        return std::nullopt;
    }
    return nlohmann::json{
        {"access_token", std::move(access)},
        {"token_type", "bearer"},
        {"expires_in", ACCESS_TOKEN_LIFETIME_SECONDS},
        {"expires_at", now + ACCESS_TOKEN_LIFETIME_SECONDS},
        {"refresh_token", refreshToken},
        {"user", userObject(user)},
    };
}

nlohmann::json AuthService::userObject(const UserRecord& user) const {
    const std::string createdAt = Clock::rfc3339(user.createdAtMicros);
    const std::string lastSignInAt =
        user.lastSignInAtMicros ? Clock::rfc3339(user.lastSignInAtMicros) : createdAt;
    const nlohmann::json identity = {
        {"identity_id", user.id},
        {"id", user.id},
        {"user_id", user.id},
        {"identity_data",
         {{"email", user.email},
          {"email_verified", false},
          {"phone_verified", false},
          {"sub", user.id}}},
        {"provider", "email"},
        {"last_sign_in_at", lastSignInAt},
        {"created_at", createdAt},
        {"updated_at", lastSignInAt},
        {"email", user.email},
    };
    return {
        {"id", user.id},
        {"aud", "authenticated"},
        {"role", "authenticated"},
        {"email", user.email},
        {"email_confirmed_at", createdAt},
        {"phone", ""},
        {"confirmed_at", createdAt},
        {"last_sign_in_at", lastSignInAt},
        {"app_metadata", APP_METADATA},
        {"user_metadata", publicMetadata(user.userMetadata)},
        {"identities", nlohmann::json::array({identity})},
        {"created_at", createdAt},
        {"updated_at", lastSignInAt},
        {"is_anonymous", false},
    };
}

} // namespace backend
