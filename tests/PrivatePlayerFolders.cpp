// Every test process gets player folders of its own: a game built in a test
// reads and writes its settings and session there, never in the home folder
// of whoever runs the tests, and tests running side by side never share them.
// Games started as separate processes inherit them.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

class PrivatePlayerFolders {
public:
    PrivatePlayerFolders() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vollarin-test-home-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            // Better no tests than tests that write into a real home.
            std::perror("vollarin tests: cannot make private player folders");
            std::abort();
        }
        root = pattern;
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    }
    ~PrivatePlayerFolders() {
        if (!root.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(root, ignored);
        }
    }
    PrivatePlayerFolders(const PrivatePlayerFolders&) = delete;
    PrivatePlayerFolders& operator=(const PrivatePlayerFolders&) = delete;

private:
    std::filesystem::path root;
};

// Set before main, so before anything asks where the player's files are.
const PrivatePlayerFolders folders;

} // namespace
