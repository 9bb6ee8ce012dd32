// Every test process gets data and config folders of its own before anything
// asks where the player's files live, so no test reads or writes the real
// home's progress or settings, and tests running side by side never share
// them. The game processes the tests start inherit the same folders.

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

class PrivateXdgFolders {
public:
    PrivateXdgFolders() {
        std::random_device seed;
        root = std::filesystem::temp_directory_path() /
               ("vollarin_xdg_" + std::to_string(::getpid()) + "_" + std::to_string(seed()));
        std::error_code error;
        std::filesystem::create_directories(root / "data", error);
        std::filesystem::create_directories(root / "config", error);
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    }
    ~PrivateXdgFolders() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    PrivateXdgFolders(const PrivateXdgFolders&) = delete;
    PrivateXdgFolders& operator=(const PrivateXdgFolders&) = delete;

private:
    std::filesystem::path root;
};

const PrivateXdgFolders folders;

} // namespace
