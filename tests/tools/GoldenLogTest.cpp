#include "SolutionFile.h"
#include "core/FrameSequence.h"
#include "core/ShotDriver.h"

#include "BuildPaths.h"
#include "ShellCommand.h"
#include "TemporaryDirectory.h"
#include "core/Game.h"
#include "core/GameTestSupport.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

// The game narrates what it does on standard output, line by line, and
// that narration is the finest record of its behaviour there is: every
// transition, load, hit, point and verdict. These tests replay two fixed
// sessions and compare the narration with the one recorded in
// tests/golden/ byte for byte, so a change meant only to move code around
// cannot change what the game does unnoticed.
//
// To record them anew after a change of behaviour that is meant:
//   VOLLARIN_WRITE_GOLDEN=1 ctest -R GoldenLog
// and review the difference like any other change.
namespace {

const std::filesystem::path GOLDEN_DIR =
    std::filesystem::path(VOLLARIN_SOURCE_DIR) / "tests/golden";
const std::string CHECKER = std::string(VOLLARIN_BINARY_DIR) + "/tools/levelcheck";
// Stands for the backend address of the run, which the system picks.
const std::string BACKEND_PLACEHOLDER = "http://backend.invalid";

// An address on this machine where nothing listens: a port the system gave
// and took back. Every request fails at once with "Network error", as it
// would for a player without a connection, and never waits for a time-out.
std::string closedBackendUrl() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Drops the lines that measure the machine rather than the game.
std::string withoutTimingLines(const std::string& log) {
    std::istringstream lines(log);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("simulated ", 0) != 0) {
            kept += line + "\n";
        }
    }
    return kept;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The first line where the two logs part, to point at the change.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    std::istringstream a(expected);
    std::istringstream b(actual);
    std::string lineA;
    std::string lineB;
    for (int number = 1;; ++number) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB) {
            return "none";
        }
        if (!moreA || !moreB || lineA != lineB) {
            return "line " + std::to_string(number) + ": expected \"" + (moreA ? lineA : "<end>") +
                   "\", got \"" + (moreB ? lineB : "<end>") + "\"";
        }
    }
}

void compareWithGolden(const std::string& name, const std::string& log) {
    const std::filesystem::path golden = GOLDEN_DIR / name;
    if (std::getenv("VOLLARIN_WRITE_GOLDEN") != nullptr) {
        std::ofstream(golden, std::ios::binary) << log;
        GTEST_SKIP() << "recorded " << golden;
    }
    ASSERT_TRUE(std::filesystem::exists(golden)) << golden;
    const std::string expected = readFile(golden);
    EXPECT_TRUE(expected == log) << name << " differs from the recorded log at "
                                 << firstDifference(expected, log);
}

// Everything written to std::cout while it lives.
class CapturedOutput {
public:
    CapturedOutput() : saved(std::cout.rdbuf(buffer.rdbuf())) {}
    ~CapturedOutput() { std::cout.rdbuf(saved); }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;
    std::string text() const { return buffer.str(); }

private:
    std::ostringstream buffer;
    std::streambuf* saved;
};

class GoldenLog : public ::testing::Test {
protected:
    void SetUp() override {
        backendUrl = closedBackendUrl();
        ::setenv("VOLLARIN_BACKEND_URL", backendUrl.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("VOLLARIN_BACKEND_URL"); }

    std::string normalised(const std::string& log) const {
        return replaceAll(withoutTimingLines(log), backendUrl, BACKEND_PLACEHOLDER);
    }

    std::string backendUrl;
};

// ---------------------------------------------------------------- the session

void frames(Game& game, int count) {
    for (int i = 0; i < count; ++i) {
        game.update(Game::STEP_SECONDS);
    }
}

void send(Game& game, const sf::Event& event) {
    game.input.handleEvent(event);
}

void press(Game& game, sf::Keyboard::Key key) {
    send(game, keyPress(key));
}

void type(Game& game, const std::string& text) {
    for (const char c : text) {
        send(game, textEntered(static_cast<sf::Uint32>(c)));
    }
}

// A click on the middle of a rectangle the current screen drew.
void click(Game& game, const sf::FloatRect& rect) {
    game.drawFrame();
    const int x = static_cast<int>(rect.left + rect.width / 2.0f);
    const int y = static_cast<int>(rect.top + rect.height / 2.0f);
    send(game, mousePress(x, y));
    send(game, mouseRelease(x, y));
}

std::vector<Shot> storedShots(int levelNumber) {
    return SolutionFile::read(SolutionFile::pathFor(levelNumber)).value_or(std::vector<Shot>{});
}

// A player's evening: the menus, a won level, a retry, a nickname, the
// pause menu, the high scores, a failed sign-in, the mute key, a lost
// level that starts over, leaving a level, and the last level won to the
// closing screen and back to the menu.
void playScriptedSession(Game& game) {
    ShotDriver driver(game);
    const FrameSequence steady = FrameSequence::steady(Game::STEP_SECONDS, "60 Hz");

    click(game, game.ui.startButtonRect);
    press(game, sf::Keyboard::Right);
    press(game, sf::Keyboard::Left);
    press(game, sf::Keyboard::Enter);
    driver.play(storedShots(1), steady);
    frames(game, 30);

    // Retry with a score for the table: the name first, then the level again.
    click(game, game.ui.retryButtonRect);
    type(game, "golden\r");
    driver.play(storedShots(1),
                FrameSequence::uneven(7, 1.0f / 240.0f, 1.0f / 20.0f, 50, 0.4f, "uneven"));
    press(game, sf::Keyboard::Enter);
    type(game, "golden\r");
    frames(game, 60);

    press(game, sf::Keyboard::Escape);
    press(game, sf::Keyboard::Down);
    press(game, sf::Keyboard::Enter);
    frames(game, 30);
    press(game, sf::Keyboard::Escape);
    press(game, sf::Keyboard::Up);
    press(game, sf::Keyboard::Enter);

    click(game, game.ui.highScoreButtonRect);
    press(game, sf::Keyboard::Right);
    press(game, sf::Keyboard::Right);
    press(game, sf::Keyboard::Left);
    press(game, sf::Keyboard::Escape);

    click(game, game.ui.menuLoginButtonRect);
    click(game, game.ui.usernameFieldRect);
    type(game, "pilot_7");
    press(game, sf::Keyboard::Tab);
    type(game, "short");
    press(game, sf::Keyboard::Enter);
    // Every attempt empties the password: it is typed again each time.
    type(game, "shorter1");
    press(game, sf::Keyboard::Enter);
    type(game, "shorter1");
    click(game, game.ui.signUpButtonRect);
    press(game, sf::Keyboard::Escape);
    press(game, sf::Keyboard::M);
    press(game, sf::Keyboard::M);

    // Level 3 with every bird thrown backwards into the ground: lost, and
    // started over by itself.
    click(game, game.ui.startButtonRect);
    press(game, sf::Keyboard::Down);
    press(game, sf::Keyboard::Down);
    press(game, sf::Keyboard::Enter);
    driver.play(std::vector<Shot>(4, Shot{180, 40, -1}), steady);
    frames(game, 5 * 60);
    game.drawFrame();
    click(game, game.ui.startButtonRect);
    press(game, sf::Keyboard::Escape);

    click(game, game.ui.startButtonRect);
    for (int i = 0; i < 6; ++i) {
        press(game, sf::Keyboard::Right);
    }
    press(game, sf::Keyboard::Enter);
    driver.play(storedShots(7), steady);
    press(game, sf::Keyboard::Enter);
    press(game, sf::Keyboard::Escape);
    frames(game, 10);
    press(game, sf::Keyboard::Escape);
    frames(game, 10);

    sf::Event closed;
    closed.type = sf::Event::Closed;
    send(game, closed);
}

TEST_F(GoldenLog, ScriptedSessionNarratesAsRecorded) {
    const TemporaryDirectory scoreFile;
    std::string log;
    {
        CapturedOutput output;
        std::unique_ptr<Game> game = ShotDriver::makeGame();
        // A table of this test's own, empty at the start: the one beside the
        // build keeps the names of earlier runs, and a full table would ask
        // for no nickname.
        game->localHighScores = HighScoreTable((scoreFile.path / "highscores.txt").string());
        game->localHighScores.loadHighScores();
        // World one's seven as a run of their own, without worlds: its last
        // level ends the run on the closing screen.
        game->levelFiles.resize(7);
        playScriptedSession(*game);
        log = output.text();
    }
    // The session must have reached what it is there to record.
    for (const char* line : {"Level completed! Score: ", "Restarted level 1", "Game Over!",
                             "Restarted level 3", "All levels completed!", "Sound muted",
                             "Special ability activated!", "Failed to fetch high scores"}) {
        EXPECT_NE(log.find(line), std::string::npos) << "the session never logged " << line;
    }
    compareWithGolden("scripted_session.log", normalised(log));
}

TEST_F(GoldenLog, LevelCheckerReplayNarratesAsRecorded) {
    ASSERT_TRUE(std::filesystem::exists(CHECKER)) << CHECKER;
    const std::string command = "cd '" + std::string(VOLLARIN_BINARY_DIR) +
                                "' && ALSOFT_DRIVERS=null '" + CHECKER +
                                "' --replay --verbose --window 1 2 3 4 5 6 7 2>/dev/null";
    const ShellResult run = runShell(command);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string& log = run.output;
    compareWithGolden("levelcheck_replay.log", normalised(log));
}

} // namespace
