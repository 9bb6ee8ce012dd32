// Bearer tokens and API keys as any client may send them, and claims built
// from client data: verifying never crashes, and whatever can be signed
// verifies to the same claims.

#include "online/BoundedJson.h"
#include "server/ServerOptions.h"
#include "server/TokenService.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const backend::TokenService tokens(backend::ServerOptions::DEMO_JWT_SECRET);
    constexpr std::int64_t NOW = 1'700'000'000;
    if (size == 0) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        const auto verification = tokens.verify(text, NOW);
        if (verification.verdict != backend::TokenService::Verdict::Invalid &&
            !verification.claims.is_object()) {
            std::abort();
        }
        return 0;
    }
    auto parsed = BoundedJson::parse(text);
    if (parsed.verdict != BoundedJson::Verdict::Parsed || !parsed.value.is_object()) {
        return 0;
    }
    // Claims without an expiry, so that the round trip does not depend on it.
    parsed.value.erase("exp");
    const auto token = tokens.sign(parsed.value);
    if (token.empty()) {
        return 0;
    }
    const auto verification = tokens.verify(token, NOW);
    if (verification.verdict != backend::TokenService::Verdict::Valid ||
        verification.claims != parsed.value) {
        std::abort();
    }
    return 0;
}
