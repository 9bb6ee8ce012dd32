#include "BuildPaths.h"
#include "online/BackendConfig.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>

// The game's built-in backend defaults come from one file that CMake and
// scripts/play read; these tests hold the build to that file.

namespace {

// KEY=VALUE lines; blank lines and '#' comments skipped.
std::map<std::string, std::string> readDefaultsFile(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

TEST(BackendDefaults, TheGameIsBuiltWithTheDefaultsFilesValues) {
    if (!VOLLARIN_BACKEND_DEFAULTS_IN_USE) {
        GTEST_SKIP() << "this build's CMake cache overrides the defaults";
    }
    const auto values = readDefaultsFile(VOLLARIN_BACKEND_DEFAULTS_FILE);
    ASSERT_EQ(values.size(), 3u) << VOLLARIN_BACKEND_DEFAULTS_FILE;
    EXPECT_EQ(values.at("VOLLARIN_BACKEND_URL"), BACKEND_BASE_URL);
    EXPECT_EQ(values.at("VOLLARIN_ANON_KEY"), BACKEND_ANON_KEY);
    EXPECT_EQ(values.at("VOLLARIN_EMAIL_DOMAIN"), BACKEND_EMAIL_DOMAIN);
}

TEST(BackendDefaults, TheBuiltInValuesAreOnesTheGameAccepts) {
    // Overrides are checked at start; the build's own values are taken as
    // they stand, so an edit of the defaults file must not slip a bad one in.
    std::string why;
    EXPECT_EQ(BackendConfig::checkBaseUrl(BACKEND_BASE_URL, why), BACKEND_BASE_URL) << why;
    EXPECT_EQ(BackendConfig::checkAnonKey(BACKEND_ANON_KEY, why), BACKEND_ANON_KEY) << why;
    EXPECT_EQ(BackendConfig::checkEmailDomain(BACKEND_EMAIL_DOMAIN, why), BACKEND_EMAIL_DOMAIN)
        << why;
}

} // namespace
