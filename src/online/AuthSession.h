#pragma once

#include <cstdint>
#include <string>

// A signed-in player's session with the authentication service: the access
// token that requests carry, the refresh token that buys a new one when it
// runs out, and whose session it is.
struct AuthSession {
    std::string accessToken;
    std::string refreshToken;
    // When the access token stops being accepted, in seconds since 1970.
    std::int64_t expiresAt = 0;
    std::string userId;
    // The name the player signed in with, as the game shows it.
    std::string username;

    bool operator==(const AuthSession&) const = default;
};
