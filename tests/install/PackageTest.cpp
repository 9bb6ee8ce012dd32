#include "BuildPaths.h"
#include "install/InstalledTree.h"

#include <gtest/gtest.h>

#include <sstream>

// The Debian package, built by cpack from this build tree into a folder of
// the test's own: it holds exactly what the install rules install, and its
// dependencies come from the libraries the programs link.

namespace fs = std::filesystem;

namespace {

TEST(Package, TheDebHoldsEveryInstalledFileAndNamesTheLibrariesItLinks) {
    if (runCommand("command -v dpkg-deb && command -v dpkg-shlibdeps").status != 0) {
        GTEST_SKIP() << "dpkg-deb or dpkg-shlibdeps missing (scripts/install-deps installs "
                        "dpkg-dev): no package built";
    }
    InstalledTree install;
    ASSERT_TRUE(install.ok()) << install.output();
    const fs::path out = install.scratch("package");
    const CommandResult cpack =
        runCommand("cd " + InstalledTree::quote(VOLLARIN_BINARY_DIR) + " && cpack -G DEB -B " +
                   InstalledTree::quote(out.string()));
    ASSERT_EQ(cpack.status, 0) << cpack.output;
    const std::string architecture = runCommand("dpkg --print-architecture").output;
    const fs::path package = out / ("vollarin_" + std::string(VOLLARIN_PROJECT_VERSION) + "_" +
                                    architecture.substr(0, architecture.find('\n')) + ".deb");
    ASSERT_TRUE(fs::exists(package)) << cpack.output;

    // dpkg-deb -c lists "mode owner size date time ./path"; directories end
    // with a slash.
    const CommandResult listing =
        runCommand("dpkg-deb -c " + InstalledTree::quote(package.string()));
    ASSERT_EQ(listing.status, 0) << listing.output;
    std::set<std::string> packaged;
    std::istringstream lines(listing.output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t at = line.find(" ./");
        ASSERT_NE(at, std::string::npos) << line;
        std::string path = line.substr(at + 3);
        path = path.substr(0, path.find(" -> "));
        if (!path.empty() && path.back() != '/') {
            packaged.insert(path);
        }
    }
    EXPECT_EQ(packaged, install.files());

    const CommandResult control =
        runCommand("dpkg-deb -f " + InstalledTree::quote(package.string()) +
                   " Package Version Section Maintainer Depends");
    ASSERT_EQ(control.status, 0) << control.output;
    const std::string fields = control.output;
    EXPECT_NE(fields.find("Package: vollarin\n"), std::string::npos) << fields;
    EXPECT_NE(fields.find("Version: " + std::string(VOLLARIN_PROJECT_VERSION) + "\n"),
              std::string::npos)
        << fields;
    EXPECT_NE(fields.find("Section: games\n"), std::string::npos) << fields;
    EXPECT_NE(fields.find("Maintainer: "), std::string::npos) << fields;
    const std::size_t depends = fields.find("Depends: ");
    ASSERT_NE(depends, std::string::npos) << fields;
    const std::string libraries = fields.substr(depends);
    for (const char* library :
         {"libsfml-graphics", "libsfml-audio", "libbox2d", "libsodium", "libsqlite3", "libjwt"}) {
        EXPECT_NE(libraries.find(library), std::string::npos) << library << " in " << libraries;
    }
}

} // namespace
