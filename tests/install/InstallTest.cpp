#include "install/InstalledTree.h"

#include "online/ScriptedServer.h"
#include "ui/UIRenderer.h"

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <thread>

// The game as a player gets it: installed under a prefix, started from
// anywhere, found by the desktop; and the Debian package built from the same
// install rules.

namespace fs = std::filesystem;

namespace {

const std::string APP_ID = "io.vollarin.Vollarin";

bool haveTool(const std::string& name) {
    return runCommand("command -v " + name).status == 0;
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// Path and size of every file below `dir`, to see that nothing was written.
std::map<std::string, std::uintmax_t> snapshot(const fs::path& dir) {
    std::map<std::string, std::uintmax_t> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        files[entry.path().string()] = entry.is_regular_file() ? entry.file_size() : 0;
    }
    return files;
}

TEST(Install, PutsEveryFileWhereTheDesktopLooksAndTheValidatorsAgree) {
    InstalledTree install;
    ASSERT_TRUE(install.ok()) << install.output();
    const std::string prefix = fs::path(VOLLARIN_INSTALL_PREFIX).relative_path().string() + "/";
    const std::set<std::string> files = install.files();
    for (const std::string& expected : std::vector<std::string>{
             "bin/vollarin", "bin/vollarin-server", "share/applications/" + APP_ID + ".desktop",
             "share/metainfo/" + APP_ID + ".metainfo.xml",
             "share/icons/hicolor/256x256/apps/" + APP_ID + ".png",
             "share/icons/hicolor/scalable/apps/" + APP_ID + ".svg", "share/man/man6/vollarin.6",
             "share/man/man1/vollarin-server.1", "lib/systemd/user/vollarin-server.service",
             "share/vollarin/levels/level7.txt", "share/vollarin/DejaVuSans.ttf",
             "share/vollarin/sounds/menu_music.wav", "share/vollarin/images/icon.png"}) {
        EXPECT_EQ(files.count(prefix + expected), 1u) << expected;
    }
    // Only the two programs; no tests, tools, benchmarks or player files.
    std::set<std::string> programs;
    for (const std::string& file : files) {
        if (file.starts_with(prefix + "bin/")) {
            programs.insert(file);
        }
        EXPECT_EQ(file.find("highscores"), std::string::npos) << file;
        EXPECT_EQ(file.find(".solution"), std::string::npos) << file;
    }
    EXPECT_EQ(programs,
              (std::set<std::string>{prefix + "bin/vollarin", prefix + "bin/vollarin-server"}));

    sf::Image icon;
    ASSERT_TRUE(icon.loadFromFile(
        (install.prefix() / "share/icons/hicolor/256x256/apps" / (APP_ID + ".png")).string()));
    EXPECT_EQ(icon.getSize(), sf::Vector2u(256, 256));
    const std::string unit =
        readFile(install.prefix() / "lib/systemd/user/vollarin-server.service");
    EXPECT_NE(
        unit.find("ExecStart=" + std::string(VOLLARIN_INSTALL_PREFIX) + "/bin/vollarin-server"),
        std::string::npos)
        << unit;
    const std::string metainfo =
        readFile(install.prefix() / "share/metainfo" / (APP_ID + ".metainfo.xml"));
    EXPECT_NE(metainfo.find("<release version=\"" + std::string(VOLLARIN_PROJECT_VERSION) + "\""),
              std::string::npos);

    if (!haveTool("desktop-file-validate") || !haveTool("appstreamcli")) {
        GTEST_SKIP() << "desktop-file-validate or appstreamcli missing (scripts/install-deps "
                        "installs desktop-file-utils and appstream)";
    }
    const CommandResult desktop =
        runCommand("desktop-file-validate " +
                   InstalledTree::quote(
                       (install.prefix() / "share/applications" / (APP_ID + ".desktop")).string()));
    EXPECT_EQ(desktop.status, 0) << desktop.output;
    EXPECT_EQ(desktop.output, "") << desktop.output;
    const CommandResult appstream = runCommand(
        "appstreamcli validate --no-net " +
        InstalledTree::quote(
            (install.prefix() / "share/metainfo" / (APP_ID + ".metainfo.xml")).string()));
    EXPECT_EQ(appstream.status, 0) << appstream.output;
    if (haveTool("man")) {
        for (const char* page : {"share/man/man6/vollarin.6", "share/man/man1/vollarin-server.1"}) {
            const CommandResult man = runCommand(
                "MANWIDTH=80 man --warnings -l " +
                InstalledTree::quote((install.prefix() / page).string()) + " 2>&1 >/dev/null");
            EXPECT_EQ(man.status, 0) << page;
            EXPECT_EQ(man.output, "") << page << ": " << man.output;
        }
    }
}

// The installed game, started from a folder that has nothing of the game in
// it, plays a level and keeps its score in the player's data folder.
class InstalledGame : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(install.ok()) << install.output();
        dataHome = install.scratch("xdg") / "data";
        GameLaunch launch;
        launch.executable = (install.prefix() / "bin" / "vollarin").string();
        launch.workingDirectory = install.scratch("elsewhere");
        launch.environment = {{"XDG_DATA_HOME", dataHome.string()},
                              {"XDG_CONFIG_HOME", (install.scratch("xdg") / "config").string()},
                              // No scores server is wanted here: a port nothing listens on.
                              {"VOLLARIN_BACKEND_URL",
                               "http://127.0.0.1:" + std::to_string(ScriptedServer::unusedPort())}};
        game = std::make_unique<GameProcess>(install.scratch("logs") / "game.log", launch);
    }

    // Pulls straight back from the slingshot at full strength and lets go.
    // The slingshot stands at (50, 540) of the field, which is (280, 512) of
    // the window (the 1600 x 900 field view); 160 window pixels of pull are
    // 200 field pixels, beyond the 150 px limit.
    bool shootFlat() const {
        const int slingX = 280;
        const int slingY = 512;
        if (!game->moveMouse(slingX, slingY) || !game->pressButton()) {
            return false;
        }
        for (int step = 1; step <= 10; ++step) {
            if (!game->moveMouse(slingX - 160 * step / 10, slingY)) {
                return false;
            }
        }
        // Keys go where the pointer is: back over the window, away from
        // every button.
        return game->releaseButton() && game->moveMouse(1200, 650);
    }

    InstalledTree install;
    fs::path dataHome;
    std::unique_ptr<GameProcess> game;
};

TEST_F(InstalledGame, RunsFromAnyFolderAndKeepsItsScoresInTheXdgDataFolder) {
    const auto installedBefore = snapshot(install.prefix());
    ASSERT_TRUE(game->start());
    ASSERT_TRUE(game->findWindow()) << game->log();
    ASSERT_TRUE(game->waitForLog("Transitioning from 0 to 1\n")) << game->log();

    // Data from the installed folder, by absolute path, and all of it found.
    std::string log = game->log();
    const fs::path firstLevel = install.dataDir() / "levels" / "level1.txt";
    std::istringstream records(readFile(firstLevel));
    int entities = 0;
    for (std::string line; std::getline(records, line);) {
        entities += !line.empty() && !line.starts_with("BACKGROUND") ? 1 : 0;
    }
    EXPECT_GT(entities, 0);
    EXPECT_NE(log.find("LevelLoader: Loaded " + std::to_string(entities) + " entities from " +
                       firstLevel.string()),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Failed to load"), std::string::npos) << log;
    EXPECT_EQ(log.find("Could not load"), std::string::npos) << log;
    EXPECT_EQ(log.find("DataPaths:"), std::string::npos) << log;
    // The window carries the 256 px icon.
    const CommandResult icon = runCommand(game->onDisplay() + "xprop -id " + game->windowId() +
                                          " -notype 32c _NET_WM_ICON | head -c 100");
    EXPECT_EQ(icon.output.rfind("_NET_WM_ICON = 256, 256, ", 0), 0u) << icon.output;

    // Menu, level select, the first level.
    sf::Image button;
    auto sizeOf = [&](const char* name) {
        return button.loadFromFile((install.dataDir() / "images" / name).string())
                   ? button.getSize()
                   : sf::Vector2u();
    };
    const MenuButtonRects menu =
        UIRenderer::menuButtonRects({1280, 720}, sizeOf("start_button.png"),
                                    sizeOf("button_quit.png"), sizeOf("button_highscore.png"));
    std::size_t mark = game->log().size();
    ASSERT_TRUE(game->click(static_cast<int>(menu.start.left + menu.start.width / 2),
                            static_cast<int>(menu.start.top + menu.start.height / 2)));
    ASSERT_TRUE(game->waitForLog("Transitioning from 1 to 2\n", mark)) << game->log();
    mark = game->log().size();
    ASSERT_TRUE(game->click(340, 295));
    ASSERT_TRUE(game->waitForLog("Game constructor: finished.", mark)) << game->log();

    // The first level falls to flat shots at full strength; a lost attempt
    // starts over by itself, so keep shooting until it is won. The win comes
    // two seconds after the last enemy falls, which may be after the bird's
    // turn has ended.
    const std::size_t levelStart = game->log().size();
    auto wonYet = [&] {
        return game->log().find("Level completed!", levelStart) != std::string::npos;
    };
    auto waitFor = [&](const std::function<bool()>& done, std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return done();
    };
    for (int shot = 0; shot < 9 && !wonYet(); ++shot) {
        mark = game->log().size();
        ASSERT_TRUE(shootFlat());
        ASSERT_TRUE(game->waitForLog("launched with velocity", mark)) << game->log().substr(mark);
        waitFor(
            [&] {
                const std::string since = game->log().substr(mark);
                return wonYet() || since.find("Bird turn finished!") != std::string::npos ||
                       since.find("Restarted level") != std::string::npos;
            },
            std::chrono::seconds(30));
        waitFor(wonYet, std::chrono::seconds(4));
    }
    const bool won = wonYet();
    ASSERT_TRUE(won) << game->log();

    // The empty table takes the score: a nickname is asked for and stored.
    mark = game->log().size();
    ASSERT_TRUE(game->key("space"));
    ASSERT_TRUE(game->waitForLog("Transitioning from 5 to 6\n", mark)) << game->log();
    for (const char* key : {"t", "e", "s", "t", "e", "r", "Return"}) {
        ASSERT_TRUE(game->key(key));
    }
    const fs::path table = dataHome / "vollarin" / "highscores.txt";
    const auto end = std::chrono::steady_clock::now() + GameProcess::DEADLINE;
    while (!readFile(table).starts_with("0,tester,") && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(readFile(table).starts_with("0,tester,")) << readFile(table) << game->log();
    struct stat folder {};
    ASSERT_EQ(::stat((dataHome / "vollarin").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);

    // Level 2 is playing now: pause, quit to the menu, quit the game.
    mark = game->log().size();
    ASSERT_TRUE(game->key("Escape"));
    ASSERT_TRUE(game->waitForLog("Transitioning from 3 to 4\n", mark)) << game->log();
    // Resume, Start Over, Options, then Quit to Menu.
    for (const char* key : {"Down", "Down", "Down", "Return"}) {
        ASSERT_TRUE(game->key(key));
    }
    std::optional<int> status;
    for (int attempt = 0; attempt < 20 && !status; ++attempt) {
        // The menu may take a frame or two to come back; Quit is clicked
        // until the game ends.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        game->click(static_cast<int>(menu.quit.left + menu.quit.width / 2),
                    static_cast<int>(menu.quit.top + menu.quit.height / 2));
        const std::string tail = game->log();
        if (tail.find("main: Game finished.") != std::string::npos) {
            status = game->waitForExit();
        }
    }
    ASSERT_TRUE(status) << game->log();
    EXPECT_EQ(*status, 0);

    // Nothing was written into the installed tree, nor the working folder.
    EXPECT_EQ(snapshot(install.prefix()), installedBefore);
    EXPECT_TRUE(fs::is_empty(install.scratch("elsewhere")));
}

} // namespace
