#include "online/BackendConfig.h"

#include "online/ScriptedServer.h"
#include "online/SupabaseClient.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <sstream>

// Which backend the game talks to: the build's defaults, overridden by
// layers (a settings file, the environment) whose values are checked first.

namespace {

BackendOverrides layer(const std::string& source, std::optional<std::string> url,
                       std::optional<std::string> key, std::optional<std::string> domain) {
    return {source, std::move(url), std::move(key), std::move(domain)};
}

BackendOverrides environmentOf(const std::map<std::string, std::string>& variables) {
    return BackendConfig::fromEnvironment([&](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    });
}

std::optional<std::string> checkedUrl(const std::string& url) {
    std::string why;
    return BackendConfig::checkBaseUrl(url, why);
}

TEST(BackendConfig, WithoutOverridesTheBuildDefaultsAreUsed) {
    std::ostringstream warnings;
    const BackendConfig config =
        BackendConfig::layered({environmentOf({{"VOLLARIN_BACKEND_URL", ""}})}, warnings);
    EXPECT_EQ(config.baseUrl, BACKEND_BASE_URL);
    EXPECT_EQ(config.anonKey, BACKEND_ANON_KEY);
    EXPECT_EQ(config.emailDomain, BACKEND_EMAIL_DOMAIN);
    EXPECT_EQ(config.baseUrlSource, "build default");
    EXPECT_EQ(warnings.str(), "");
}

TEST(BackendConfig, TheEnvironmentOverridesASettingsLayerWhichOverridesTheBuild) {
    std::ostringstream warnings;
    const BackendConfig config = BackendConfig::layered(
        {layer("settings file", "https://settings.example", "settings-key", "settings.example"),
         environmentOf({{"VOLLARIN_BACKEND_URL", "https://Project.Example.co/"},
                        {"VOLLARIN_EMAIL_DOMAIN", "@Players.Example.org"}})},
        warnings);
    EXPECT_EQ(config.baseUrl, "https://project.example.co");
    EXPECT_EQ(config.baseUrlSource, "environment");
    EXPECT_EQ(config.anonKey, "settings-key");
    EXPECT_EQ(config.anonKeySource, "settings file");
    EXPECT_EQ(config.emailDomain, "players.example.org");
    EXPECT_EQ(warnings.str(), "");
}

TEST(BackendConfig, InvalidValuesAreIgnoredWithAWarningAndTheValueBelowStays) {
    std::ostringstream warnings;
    const BackendConfig config = BackendConfig::layered(
        {layer("settings file", "http://scores.test:8000", std::nullopt, std::nullopt),
         environmentOf({{"VOLLARIN_BACKEND_URL", "ftp://scores.example"},
                        {"VOLLARIN_ANON_KEY", "secret\r\nX-Injected: 1"},
                        {"VOLLARIN_EMAIL_DOMAIN", "not a domain"}})},
        warnings);
    EXPECT_EQ(config.baseUrl, "http://scores.test:8000");
    EXPECT_EQ(config.baseUrlSource, "settings file");
    EXPECT_EQ(config.anonKey, BACKEND_ANON_KEY);
    EXPECT_EQ(config.emailDomain, BACKEND_EMAIL_DOMAIN);
    const std::string text = warnings.str();
    EXPECT_NE(text.find("ignoring the backend URL from the environment (\"ftp://scores.example\")"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("ignoring the anon key from the environment"), std::string::npos) << text;
    EXPECT_NE(text.find("ignoring the e-mail domain"), std::string::npos) << text;
    // The rejected key is never echoed, and nothing forges a line of its own.
    EXPECT_EQ(text.find("secret"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
}

TEST(BackendConfig, UrlsNeedHttpOrHttpsAHostAndNothingButAPort) {
    EXPECT_EQ(checkedUrl("http://127.0.0.1:54321"), "http://127.0.0.1:54321");
    EXPECT_EQ(checkedUrl("HTTPS://abc.supabase.co/"), "https://abc.supabase.co");
    EXPECT_EQ(checkedUrl("http://[::1]:8080"), "http://[::1]:8080");
    EXPECT_EQ(checkedUrl("http://localhost"), "http://localhost");
    for (const char* bad :
         {"", "abc.supabase.co", "ftp://host", "http://", "http://:80", "https://host/rest/v1",
          "https://host?x=1", "https://user:pw@host", "http://host:0", "http://host:65536",
          "http://host:8o", "http://-host", "http://ho st", "http://host\n.example", "http://[::1",
          "http://[zz]", "http://a..b"}) {
        EXPECT_EQ(checkedUrl(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(checkedUrl("https://" + std::string(BackendConfig::MAX_URL_LENGTH, 'a')),
              std::nullopt);
}

TEST(BackendConfig, KeysAndDomainsAreChecked) {
    std::string why;
    EXPECT_TRUE(BackendConfig::checkAnonKey("sb_publishable_AbC-123.x", why));
    EXPECT_FALSE(BackendConfig::checkAnonKey("", why));
    EXPECT_FALSE(BackendConfig::checkAnonKey("two words", why));
    EXPECT_FALSE(
        BackendConfig::checkAnonKey(std::string(BackendConfig::MAX_KEY_LENGTH + 1, 'k'), why));
    EXPECT_EQ(BackendConfig::checkEmailDomain("Mail.Example.COM", why), "mail.example.com");
    EXPECT_EQ(BackendConfig::checkEmailDomain("@example.org", why), "example.org");
    for (const char* bad : {"", "@", "ex ample.org", "example.org.", "-x.org", "a@b.org", "a/b"}) {
        EXPECT_EQ(BackendConfig::checkEmailDomain(bad, why), std::nullopt) << bad;
    }
}

TEST(BackendConfig, TheLogLineNamesAddressDomainAndSourcesButNeverTheKey) {
    std::ostringstream warnings;
    const BackendConfig config = BackendConfig::layered(
        {environmentOf({{"VOLLARIN_ANON_KEY", "very-secret-key"}})}, warnings);
    const std::string line = config.describe();
    EXPECT_NE(line.find(BACKEND_BASE_URL), std::string::npos) << line;
    EXPECT_NE(line.find(BACKEND_EMAIL_DOMAIN), std::string::npos) << line;
    EXPECT_NE(line.find("anon key from environment"), std::string::npos) << line;
    EXPECT_EQ(line.find("very-secret-key"), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos);
}

// The values from the environment reach the wire: a scripted server on a
// port of its own gets the sign-up with the key and the address domain.
TEST(BackendConfig, AClientBuiltFromTheEnvironmentTalksToThatServerWithThatKeyAndDomain) {
    ScriptedServer server;
    ASSERT_TRUE(server.isListening());
    server.answer("/auth/v1/signup", 200,
                  R"({"access_token":"t","user":{"id":"u","email":"ann@players.example"}})");
    std::ostringstream warnings;
    const BackendConfig config =
        BackendConfig::layered({environmentOf({{"VOLLARIN_BACKEND_URL", server.baseUrl()},
                                               {"VOLLARIN_ANON_KEY", "key-from-the-environment"},
                                               {"VOLLARIN_EMAIL_DOMAIN", "players.example"}})},
                               warnings);
    ASSERT_EQ(warnings.str(), "");
    SupabaseClient client(config.baseUrl, config.anonKey, config.emailDomain);
    std::string error = "not called";
    client.signUp("ann", "secret1",
                  [&](const nlohmann::json&, const std::string& e) { error = e; });
    EXPECT_EQ(error, "");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("apikey"), "key-from-the-environment");
    EXPECT_EQ(nlohmann::json::parse(requests[0].body).at("email"), "ann@players.example");
}

} // namespace
