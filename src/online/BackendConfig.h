#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The scores backend's address, its anonymous key and the domain of the
// e-mail addresses made from user names. The build gives the defaults: they
// live in packaging/backend-defaults.env, which CMake reads into the cache
// variables VOLLARIN_BACKEND_URL, VOLLARIN_ANON_KEY and VOLLARIN_EMAIL_DOMAIN
// and passes on as definitions of the same names; there is no fallback here.
// Sources layered on top (a settings file, the environment variables of the
// same names) override them at run time.
#if !defined(VOLLARIN_BACKEND_URL) || !defined(VOLLARIN_ANON_KEY) || !defined(VOLLARIN_EMAIL_DOMAIN)
#error "The backend defaults come from packaging/backend-defaults.env through CMake"
#endif

inline constexpr const char* BACKEND_BASE_URL = VOLLARIN_BACKEND_URL;
inline constexpr const char* BACKEND_ANON_KEY = VOLLARIN_ANON_KEY;
inline constexpr const char* BACKEND_EMAIL_DOMAIN = VOLLARIN_EMAIL_DOMAIN;

// Some of the three values, as one source gives them. Unset members leave the
// value below alone.
struct BackendOverrides {
    std::string source; // named in warnings and in the start-up line
    std::optional<std::string> baseUrl;
    std::optional<std::string> anonKey;
    std::optional<std::string> emailDomain;
};

struct BackendConfig {
    static constexpr const char* URL_VARIABLE = "VOLLARIN_BACKEND_URL";
    static constexpr const char* KEY_VARIABLE = "VOLLARIN_ANON_KEY";
    static constexpr const char* DOMAIN_VARIABLE = "VOLLARIN_EMAIL_DOMAIN";
    static constexpr const char* BUILD_DEFAULT = "build default";
    static constexpr std::size_t MAX_URL_LENGTH = 2048;
    static constexpr std::size_t MAX_KEY_LENGTH = 4096;
    static constexpr std::size_t MAX_DOMAIN_LENGTH = 253;

    std::string baseUrl = BACKEND_BASE_URL;
    std::string anonKey = BACKEND_ANON_KEY;
    std::string emailDomain = BACKEND_EMAIL_DOMAIN;
    // Where each value in use came from.
    std::string baseUrlSource = BUILD_DEFAULT;
    std::string anonKeySource = BUILD_DEFAULT;
    std::string emailDomainSource = BUILD_DEFAULT;

    // Takes the layer's valid values; an invalid one is named on `warnings`
    // and the value below stays.
    void apply(const BackendOverrides& layer, std::ostream& warnings);

    // The build defaults with `layers` applied in order: the last one wins.
    static BackendConfig layered(const std::vector<BackendOverrides>& layers,
                                 std::ostream& warnings);
    // The three environment variables; an empty variable counts as unset.
    using Lookup = std::function<const char*(const char*)>;
    static BackendOverrides fromEnvironment(const Lookup& lookup);
    static BackendOverrides fromProcessEnvironment();
    // What this run uses: the build defaults, then the environment.
    static BackendConfig forThisRun(std::ostream& warnings);

    // One line for the log; the key is never written, only where it is from.
    std::string describe() const;

    // Each returns the value to use ("https://Host/" becomes
    // "https://host"), or nothing with the reason in `why`.
    static std::optional<std::string> checkBaseUrl(std::string_view url, std::string& why);
    static std::optional<std::string> checkAnonKey(std::string_view key, std::string& why);
    static std::optional<std::string> checkEmailDomain(std::string_view domain, std::string& why);
};
