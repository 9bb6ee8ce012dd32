#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <shared_mutex>
#include <string>
#include <unordered_map>

namespace backend {

// Makes and checks HS256 JSON Web Tokens with the project's secret: the
// access tokens handed out at sign-in and the anonymous API key.
class TokenService {
public:
    // Tokens a few seconds past their expiry still pass, as clocks of client
    // and server are never quite in step.
    static constexpr std::int64_t CLOCK_SKEW_SECONDS = 30;

    static constexpr std::size_t MAX_TOKEN_LENGTH = 8192;

    enum class Verdict { Valid, Invalid, Expired };

    struct Verification {
        Verdict verdict = Verdict::Invalid;
        nlohmann::json claims; // the token's claims when Valid
    };

    explicit TokenService(std::string secret);
    virtual ~TokenService() = default;
    TokenService(const TokenService&) = delete;
    TokenService& operator=(const TokenService&) = delete;

    // The signed token for these claims; empty text if signing failed.
    // Virtual so that tests can make it fail.
    virtual std::string sign(const nlohmann::json& claims) const;

    // Checks the signature (HS256 only, never "none"), then the expiry claim
    // against nowSeconds. A token without "exp" does not expire. Tokens
    // longer than MAX_TOKEN_LENGTH, or whose parts are not flat JSON, are
    // refused before the JWT library reads them.
    Verification verify(const std::string& token, std::int64_t nowSeconds) const;

    // Tokens found valid are remembered (their expiry is still checked on
    // every use): clients send the same API key and access token again and
    // again, and checking a signature costs more than the rest of a read.
    static constexpr std::size_t MAX_REMEMBERED_TOKENS = 4096;

private:
    Verification verifyAnew(const std::string& token, std::int64_t nowSeconds) const;

    std::string secret;
    mutable std::shared_mutex rememberedMutex;
    mutable std::unordered_map<std::string, nlohmann::json> remembered; // token -> claims
};

} // namespace backend
