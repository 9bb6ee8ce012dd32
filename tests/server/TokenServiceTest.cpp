#include "TestBackend.h"

#include "server/TokenService.h"

#include <gtest/gtest.h>

using backend::TokenService;

namespace {

constexpr std::int64_t NOW = 1'700'000'000;

TEST(TokenServiceTest, AcceptsItsOwnTokensUntilTheSkewRunsOut) {
    const TokenService tokens(backend::ServerOptions::DEMO_JWT_SECRET);
    const auto token = tokens.sign({{"sub", "someone"}, {"exp", NOW}, {"nested", {{"a", 1}}}});

    const auto fresh = tokens.verify(token, NOW - 100);
    ASSERT_EQ(fresh.verdict, TokenService::Verdict::Valid);
    EXPECT_EQ(fresh.claims["sub"], "someone");
    EXPECT_EQ(fresh.claims["nested"]["a"], 1);

    EXPECT_EQ(tokens.verify(token, NOW + TokenService::CLOCK_SKEW_SECONDS).verdict,
              TokenService::Verdict::Valid);
    EXPECT_EQ(tokens.verify(token, NOW + TokenService::CLOCK_SKEW_SECONDS + 1).verdict,
              TokenService::Verdict::Expired);
    EXPECT_EQ(tokens.verify(tokens.sign({{"role", "anon"}}), NOW).verdict,
              TokenService::Verdict::Valid);
}

TEST(TokenServiceTest, RefusesForgedTamperedAndUnsignedTokens) {
    const TokenService tokens(backend::ServerOptions::DEMO_JWT_SECRET);
    const TokenService other("some-other-secret-with-at-least-32-chars");
    const auto genuine = tokens.sign({{"role", "authenticated"}, {"sub", "me"}});

    EXPECT_EQ(tokens.verify(other.sign({{"role", "authenticated"}}), NOW).verdict,
              TokenService::Verdict::Invalid);
    EXPECT_EQ(tokens.verify(servertest::unsignedCopy(genuine), NOW).verdict,
              TokenService::Verdict::Invalid);
    std::string tampered = genuine;
    tampered[tampered.find('.') + 5] ^= 1;
    EXPECT_EQ(tokens.verify(tampered, NOW).verdict, TokenService::Verdict::Invalid);
    EXPECT_EQ(tokens.verify("", NOW).verdict, TokenService::Verdict::Invalid);
    EXPECT_EQ(tokens.verify("a.b.c", NOW).verdict, TokenService::Verdict::Invalid);
    EXPECT_EQ(tokens.verify(tokens.sign({{"exp", "tomorrow"}}), NOW).verdict,
              TokenService::Verdict::Invalid);
}

TEST(TokenServiceTest, TheDemoAnonKeyIsAnAnonTokenOfTheDemoSecret) {
    const TokenService tokens(backend::ServerOptions::DEMO_JWT_SECRET);
    const auto verification = tokens.verify(servertest::DEMO_ANON_KEY, NOW);
    ASSERT_EQ(verification.verdict, TokenService::Verdict::Valid);
    EXPECT_EQ(verification.claims["role"], "anon");
}

} // namespace
