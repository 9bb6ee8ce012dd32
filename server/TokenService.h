#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

namespace backend {

// Makes and checks HS256 JSON Web Tokens with the project's secret: the
// access tokens handed out at sign-in and the anonymous API key.
class TokenService {
public:
    // Tokens a few seconds past their expiry still pass, as clocks of client
    // and server are never quite in step.
    static constexpr std::int64_t CLOCK_SKEW_SECONDS = 30;

    enum class Verdict { Valid, Invalid, Expired };

    struct Verification {
        Verdict verdict = Verdict::Invalid;
        nlohmann::json claims; // the token's claims when Valid
    };

    explicit TokenService(std::string secret);

    // The signed token for these claims; empty text if signing failed.
    std::string sign(const nlohmann::json& claims) const;

    // Checks the signature (HS256 only, never "none"), then the expiry claim
    // against nowSeconds. A token without "exp" does not expire.
    Verification verify(const std::string& token, std::int64_t nowSeconds) const;

private:
    std::string secret;
};

} // namespace backend
