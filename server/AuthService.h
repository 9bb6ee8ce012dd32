#pragma once

#include "server/ApiResponse.h"
#include "server/PasswordHasher.h"
#include "server/Store.h"
#include "server/TokenService.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

namespace backend {

// The e-mail and password accounts of the authentication service: sign-up
// and password sign-in, answering with a session or the service's errors.
class AuthService {
public:
    static constexpr int ACCESS_TOKEN_LIFETIME_SECONDS = 3600;
    static constexpr std::size_t MIN_PASSWORD_LENGTH = 6;

    AuthService(Store& store, const PasswordHasher& hasher, const TokenService& tokens);

    // The issuer claim of access tokens is the public base URL + "/auth/v1";
    // the URL is only known once the server has its port.
    void setPublicUrl(const std::string& baseUrl);

    ApiResponse signUp(const std::string& body);
    ApiResponse token(const std::string& grantType, const std::string& body);

    // The access token a user signed in at issuedAtSeconds would get.
    std::string accessTokenFor(const UserRecord& user, std::int64_t issuedAtSeconds) const;

private:
    ApiResponse passwordGrant(const nlohmann::json& request);
    nlohmann::json session(const UserRecord& user) const;
    nlohmann::json userObject(const UserRecord& user) const;

    Store& store;
    const PasswordHasher& hasher;
    const TokenService& tokens;
    std::string issuer;
};

} // namespace backend
