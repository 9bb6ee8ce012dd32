#include "server/TokenService.h"

#include "online/BoundedJson.h"

#include <cstdlib>
#include <jwt.h>
#include <memory>
#include <mutex>
#include <sodium.h>
#include <string_view>

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

// The header and the claims of a compact token, each base64url-decoded and
// checked to be JSON of bounded depth, so that the JWT library's recursive
// JSON parser only ever sees shallow input.
bool hasShallowParts(const std::string& token) {
    const auto firstDot = token.find('.');
    const auto lastDot = token.rfind('.');
    if (firstDot == std::string::npos || firstDot == lastDot ||
        token.find('.', firstDot + 1) != lastDot) {
        return false;
    }
    const std::string_view text(token);
    for (const auto part :
         {text.substr(0, firstDot), text.substr(firstDot + 1, lastDot - firstDot - 1)}) {
        std::string decoded(part.size(), '\0');
        std::size_t length = 0;
        if (sodium_base642bin(reinterpret_cast<unsigned char*>(decoded.data()), decoded.size(),
                              part.data(), part.size(), "=", &length, nullptr,
                              sodium_base64_VARIANT_URLSAFE_NO_PADDING) != 0) {
            return false;
        }
        decoded.resize(length);
        if (!BoundedJson::withinDepth(decoded)) {
            return false;
        }
    }
    return true;
}

} // namespace

TokenService::TokenService(std::string secret) : secret(std::move(secret)) {}

std::string TokenService::sign(const nlohmann::json& claims) const {
    jwt_t* raw = nullptr;
    if (jwt_new(&raw) != 0) {
        return {};
    }
    JwtPtr jwt(raw);
    // Replacement instead of an exception for text that is not UTF-8.
    const std::string claimsText =
        claims.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
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
    {
        std::shared_lock reading(rememberedMutex);
        const auto known = remembered.find(token);
        if (known != remembered.end()) {
            return {isExpired(known->second, nowSeconds) ? Verdict::Expired : Verdict::Valid,
                    known->second};
        }
    }
    auto result = verifyAnew(token, nowSeconds);
    if (result.verdict != Verdict::Invalid) {
        std::unique_lock writing(rememberedMutex);
        if (remembered.size() >= MAX_REMEMBERED_TOKENS) {
            remembered.clear();
        }
        remembered.emplace(token, result.claims);
    }
    return result;
}

TokenService::Verification TokenService::verifyAnew(const std::string& token,
                                                    std::int64_t nowSeconds) const {
    Verification result;
    jwt_t* raw = nullptr;
    if (token.empty() || token.size() > MAX_TOKEN_LENGTH || !hasShallowParts(token) ||
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
    auto parsed = BoundedJson::parse(claimsText.get());
    auto& claims = parsed.value;
    if (parsed.verdict != BoundedJson::Verdict::Parsed || !claims.is_object()) {
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
