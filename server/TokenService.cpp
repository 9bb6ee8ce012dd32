#include "server/TokenService.h"

#include <cstdlib>
#include <jwt.h>
#include <memory>

namespace backend {

namespace {

struct JwtDeleter {
    void operator()(jwt_t* jwt) const { jwt_free(jwt); }
};
struct CStringDeleter {
    void operator()(char* text) const { std::free(text); }
};
using JwtPtr = std::unique_ptr<jwt_t, JwtDeleter>;
using CStringPtr = std::unique_ptr<char, CStringDeleter>;

const unsigned char* keyBytes(const std::string& secret) {
    return reinterpret_cast<const unsigned char*>(secret.data());
}

bool isExpired(const nlohmann::json& claims, std::int64_t nowSeconds) {
    const auto exp = claims.find("exp");
    return exp != claims.end() &&
           exp->get<double>() + static_cast<double>(TokenService::CLOCK_SKEW_SECONDS) <
               static_cast<double>(nowSeconds);
}

} // namespace

TokenService::TokenService(std::string secret) : secret(std::move(secret)) {}

std::string TokenService::sign(const nlohmann::json& claims) const {
    jwt_t* raw = nullptr;
    if (jwt_new(&raw) != 0) {
        return {};
    }
    JwtPtr jwt(raw);
    const std::string claimsText = claims.dump();
    if (jwt_add_grants_json(jwt.get(), claimsText.c_str()) != 0 ||
        jwt_set_alg(jwt.get(), JWT_ALG_HS256, keyBytes(secret), static_cast<int>(secret.size())) !=
            0) {
        return {};
    }
    CStringPtr encoded(jwt_encode_str(jwt.get()));
    return encoded ? std::string(encoded.get()) : std::string();
}

TokenService::Verification TokenService::verify(const std::string& token,
                                                std::int64_t nowSeconds) const {
    Verification result;
    jwt_t* raw = nullptr;
    if (token.empty() ||
        jwt_decode(&raw, token.c_str(), keyBytes(secret), static_cast<int>(secret.size())) != 0) {
        return result;
    }
    JwtPtr jwt(raw);
    if (jwt_get_alg(jwt.get()) != JWT_ALG_HS256) {
        return result;
    }
    CStringPtr claimsText(jwt_get_grants_json(jwt.get(), nullptr));
    if (!claimsText) {
        return result;
    }
    auto claims = nlohmann::json::parse(claimsText.get(), nullptr, false);
    if (!claims.is_object()) {
        return result;
    }
    const auto exp = claims.find("exp");
    if (exp != claims.end() && !exp->is_number()) {
        return result;
    }
    result.verdict = isExpired(claims, nowSeconds) ? Verdict::Expired : Verdict::Valid;
    result.claims = std::move(claims);
    return result;
}

} // namespace backend
