#include "server/AuthService.h"

#include "server/Clock.h"
#include "server/Uuid.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <sodium.h>

namespace backend {

namespace {

const nlohmann::json APP_METADATA = {{"provider", "email"},
                                     {"providers", nlohmann::json::array({"email"})}};

std::string trimmedLowerCase(std::string text) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

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

std::string randomToken() {
    std::array<unsigned char, 16> bytes{};
    randombytes_buf(bytes.data(), bytes.size());
    char text[sodium_base64_ENCODED_LEN(16, sodium_base64_VARIANT_URLSAFE_NO_PADDING)];
    sodium_bin2base64(text, sizeof text, bytes.data(), bytes.size(),
                      sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    return text;
}

ApiResponse badJson() {
    return ApiResponse::authError(400, "bad_json", "Could not parse request body as JSON");
}

std::optional<std::string> usernameFrom(const nlohmann::json& metadata) {
    const auto found = metadata.find("username");
    if (found == metadata.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

} // namespace

AuthService::AuthService(Store& store, const PasswordHasher& hasher, const TokenService& tokens)
    : store(store), hasher(hasher), tokens(tokens) {}

void AuthService::setPublicUrl(const std::string& baseUrl) {
    issuer = baseUrl + "/auth/v1";
}

ApiResponse AuthService::signUp(const std::string& body) {
    const auto request = nlohmann::json::parse(body, nullptr, false);
    if (!request.is_object()) {
        return badJson();
    }
    auto metadata = request.value("data", nlohmann::json::object());
    if (metadata.is_null()) {
        metadata = nlohmann::json::object();
    }
    if (!metadata.is_object()) {
        return badJson();
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
    if (!looksLikeEmail(email)) {
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
    user.userMetadata = metadata;
    user.createdAtMicros = Clock::nowMicros();
    user.lastSignInAtMicros = user.createdAtMicros;
    if (user.passwordHash.empty()) {
        return ApiResponse::authError(500, "unexpected_failure", "Database error saving new user");
    }

    switch (store.createUser(user, usernameFrom(metadata))) {
    case CreateUserOutcome::Created:
        break;
    case CreateUserOutcome::EmailTaken: // lost a race with another sign-up
        return ApiResponse::authError(422, "user_already_exists", "User already registered");
    case CreateUserOutcome::UsernameRefused:
    case CreateUserOutcome::Failed:
        return ApiResponse::authError(500, "unexpected_failure", "Database error saving new user");
    }
    // With confirmations off, signing up signs the user in.
    store.recordSignIn(user.id, user.lastSignInAtMicros);
    return ApiResponse::json(200, session(user));
}

ApiResponse AuthService::token(const std::string& grantType, const std::string& body) {
    if (grantType != "password") {
        return ApiResponse::authError(400, "validation_failed", "unsupported_grant_type");
    }
    const auto request = nlohmann::json::parse(body, nullptr, false);
    if (!request.is_object()) {
        return badJson();
    }
    return passwordGrant(request);
}

ApiResponse AuthService::passwordGrant(const nlohmann::json& request) {
    const std::string email = trimmedLowerCase(stringMember(request, "email"));
    const std::string password = stringMember(request, "password");
    if (email.empty()) {
        return ApiResponse::authError(400, "validation_failed", "missing email or phone");
    }
    const auto invalid =
        ApiResponse::authError(400, "invalid_credentials", "Invalid login credentials");

    const auto found = store.findUserByEmail(email);
    if (!found.ok) {
        return ApiResponse::authError(500, "unexpected_failure", "Database error finding user");
    }
    if (!found.value) {
        hasher.verifyAgainstDecoy(password);
        return invalid;
    }
    UserRecord user = *found.value;
    if (!hasher.verify(password, user.passwordHash)) {
        return invalid;
    }
    user.lastSignInAtMicros = Clock::nowMicros();
    store.recordSignIn(user.id, user.lastSignInAtMicros);
    return ApiResponse::json(200, session(user));
}

std::string AuthService::accessTokenFor(const UserRecord& user,
                                        std::int64_t issuedAtSeconds) const {
    const nlohmann::json claims = {
        {"aal", "aal1"},
        {"amr", nlohmann::json::array(
                    {nlohmann::json{{"method", "password"}, {"timestamp", issuedAtSeconds}}})},
        {"app_metadata", APP_METADATA},
        {"aud", "authenticated"},
        {"email", user.email},
        {"exp", issuedAtSeconds + ACCESS_TOKEN_LIFETIME_SECONDS},
        {"iat", issuedAtSeconds},
        {"is_anonymous", false},
        {"iss", issuer},
        {"phone", ""},
        {"role", "authenticated"},
        {"session_id", Uuid::generate()},
        {"sub", user.id},
        {"user_metadata", user.userMetadata},
    };
    return tokens.sign(claims);
}

nlohmann::json AuthService::session(const UserRecord& user) const {
    const std::int64_t now = Clock::nowSeconds();
    return {
        {"access_token", accessTokenFor(user, now)},
        {"token_type", "bearer"},
        {"expires_in", ACCESS_TOKEN_LIFETIME_SECONDS},
        {"expires_at", now + ACCESS_TOKEN_LIFETIME_SECONDS},
        {"refresh_token", randomToken()},
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
        {"user_metadata", user.userMetadata},
        {"identities", nlohmann::json::array({identity})},
        {"created_at", createdAt},
        {"updated_at", lastSignInAt},
        {"is_anonymous", false},
    };
}

} // namespace backend
