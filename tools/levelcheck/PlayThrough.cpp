#include "PlayThrough.h"

#include "core/PlayerModel.h"
#include "core/ShotDriver.h"

#include "core/Game.h"
#include "level/ShippedLevels.h"

#include <SFML/Window/Event.hpp>
#include <algorithm>
#include <optional>
#include <ostream>
#include <random>
#include <string>

namespace {

// Bounds on waiting for the game, in frames: never hit while the game
// behaves, they keep a game that stopped answering from holding the run.
constexpr int MAX_KEYS_TO_FIND_A_LEVEL = 64;
constexpr int MAX_FRAMES_TO_START_OVER = 60 * 30;
constexpr int MAX_FRAMES_TO_DECIDE = 60 * 60;

} // namespace

PlayThrough::PlayThrough(Game& game, std::uint32_t seed, FrameSequence frames, std::ostream& log)
    : game(game), seed(seed), frames(std::move(frames)), log(log) {}

void PlayThrough::click(float x, float y) {
    sf::Event event{};
    event.mouseButton = {sf::Mouse::Left, static_cast<int>(x), static_cast<int>(y)};
    event.type = sf::Event::MouseButtonPressed;
    game.input.handleEvent(event);
    event.type = sf::Event::MouseButtonReleased;
    game.input.handleEvent(event);
}

void PlayThrough::press(int key) {
    sf::Event event{};
    event.type = sf::Event::KeyPressed;
    event.key.code = static_cast<sf::Keyboard::Key>(key);
    game.input.handleEvent(event);
}

void PlayThrough::type(const char* text) {
    for (const char* c = text; *c != '\0'; ++c) {
        sf::Event event{};
        event.type = sf::Event::TextEntered;
        event.text.unicode = static_cast<sf::Uint32>(*c);
        game.input.handleEvent(event);
    }
}

void PlayThrough::frame() {
    game.runFrame(frames.next());
}

bool PlayThrough::reachFirstLevel(int firstLevel) {
    // The buttons are where the last drawn frame put them.
    frame();
    const sf::FloatRect start = game.ui.startButtonRect;
    click(start.left + start.width / 2.0f, start.top + start.height / 2.0f);
    frame();
    if (game.stateManager.state != LevelSelect) {
        return false;
    }
    const int world = game.worldOf(firstLevel);
    for (int i = 0;
         i < MAX_KEYS_TO_FIND_A_LEVEL && game.worldOf(game.stateManager.selectedLevel) != world;
         ++i) {
        press(sf::Keyboard::PageDown);
    }
    for (int i = 0; i < MAX_KEYS_TO_FIND_A_LEVEL && game.stateManager.selectedLevel != firstLevel;
         ++i) {
        press(sf::Keyboard::Left);
    }
    press(sf::Keyboard::Enter);
    frame();
    return game.stateManager.state == Playing && game.currentLevelIndex == firstLevel;
}

bool PlayThrough::awaitStartOver() {
    for (int i = 0; i < MAX_FRAMES_TO_START_OVER && game.stateManager.gameOverPending &&
                    game.stateManager.state == Playing;
         ++i) {
        frame();
    }
    return game.stateManager.state == Playing && !game.stateManager.gameOverPending;
}

bool PlayThrough::goOn() {
    frame();
    const sf::FloatRect next = game.ui.nextLevelButtonRect;
    click(next.left + next.width / 2.0f, next.top + next.height / 2.0f);
    if (game.stateManager.state == EnterNickname) {
        type(NICKNAME);
        type("\r");
    }
    frame();
    return game.stateManager.state == Playing || game.stateManager.state == GameComplete;
}

PlayThrough::Summary PlayThrough::run(int world, int levelCount) {
    Summary summary;
    const std::vector<World>& worlds = ShippedLevels::manifest().worlds();
    if (world < 1 || world > static_cast<int>(worlds.size())) {
        log << "play-through: there is no world " << world << std::endl;
        return summary;
    }
    const World& played = worlds[static_cast<std::size_t>(world - 1)];
    const int count =
        levelCount > 0 ? std::min(levelCount, played.levelCount()) : played.levelCount();
    // The frames are the sequence's, not the clock's: nothing to wait for.
    game.framePacer.setLimit(0);
    // Whoever reaches a later world has won the ones before it.
    for (int level = 0; level < played.firstLevel; ++level) {
        game.progress.record(level, 1, 1);
    }
    if (!reachFirstLevel(played.firstLevel)) {
        log << "play-through: level " << played.firstLevel + 1
            << " could not be started from the level select" << std::endl;
        return summary;
    }
    summary.started = true;

    ShotDriver driver(game);
    driver.runWholeFrames(true);
    const PlayerModel model(driver);
    std::mt19937 engine(seed);
    for (int i = 0; i < count; ++i) {
        const int index = played.firstLevel + i;
        LevelResult result;
        result.level = index + 1;
        while (result.tries < MAX_TRIES && !result.won) {
            driver.followStartedLevel();
            const std::vector<std::string> kinds = driver.birdKinds();
            Outcome outcome = driver.play(
                [&](std::size_t bird) {
                    return bird < kinds.size()
                               ? std::optional<Shot>(model.nextShot(engine, kinds[bird]))
                               : std::nullopt;
                },
                frames);
            // A level still undecided (a bird rolling on) is watched to its end.
            for (int f = 0;
                 f < MAX_FRAMES_TO_DECIDE && !outcome.won && !outcome.lost &&
                 game.stateManager.state == Playing && !game.stateManager.gameOverPending;
                 ++f) {
                frame();
            }
            if (!outcome.won && game.stateManager.state == LevelComplete) {
                outcome.won = true;
                outcome.score = game.contactListener.levelScore;
                outcome.stars = game.stateManager.stars;
            }
            ++result.tries;
            summary.tries.push_back({result.level, result.tries, outcome.won, outcome.score,
                                     outcome.won ? outcome.stars : 0});
            log << "level " << result.level << ", try " << result.tries << ": "
                << (outcome.won ? "won" : "lost") << ", score " << outcome.score << ", stars "
                << summary.tries.back().stars << std::endl;
            if (outcome.won) {
                result.won = true;
                result.score = outcome.score;
                result.stars = outcome.stars;
            } else if (!awaitStartOver()) {
                // The loss never came: the person presses Retry.
                driver.startLevel(index);
            }
        }
        summary.levels.push_back(result);
        if (!result.won) {
            log << "play-through: gave up on level " << result.level << " after " << result.tries
                << " tries" << std::endl;
            break;
        }
        summary.stars += result.stars;
        summary.totalScore += result.score;
        const bool more = i + 1 < count;
        if ((more || index == played.lastLevel()) && !goOn()) {
            log << "play-through: Next Level did not go on from level " << result.level
                << std::endl;
            break;
        }
        if (more && game.currentLevelIndex != index + 1) {
            log << "play-through: Next Level led to level " << game.currentLevelIndex + 1
                << " instead of " << index + 2 << std::endl;
            break;
        }
    }
    summary.worldClosed = game.stateManager.state == GameComplete;
    summary.gameTotal = summary.worldClosed ? game.stateManager.finalScore : game.totalScore;
    return summary;
}

void PlayThrough::printSummary(std::ostream& out, const Summary& summary) {
    int won = 0;
    for (const LevelResult& level : summary.levels) {
        out << "summary: level " << level.level << ": ";
        if (level.won) {
            ++won;
            out << "won at try " << level.tries << ", " << level.stars << " star(s), score "
                << level.score << std::endl;
        } else {
            out << "not won in " << level.tries << " tries" << std::endl;
        }
    }
    out << "summary: " << won << " of " << summary.levels.size() << " level(s) won in "
        << summary.tries.size() << " tries, " << summary.stars << " of "
        << 3 * summary.levels.size() << " stars, total score " << summary.totalScore
        << " (the game's: " << summary.gameTotal
        << (summary.worldClosed ? ", on the world's closing screen" : "") << ")" << std::endl;
}
