#include "core/GameTestSupport.h"

#include "core/ControllerInput.h"
#include "core/FieldCamera.h"
#include "level/ShippedLevels.h"
#include "online/HighScoreTable.h"

#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>

// The game played without a mouse: every screen by the keys or a fed
// controller, the shots aimed by them, and the look around the field.
namespace {

constexpr float STEP = Game::STEP_SECONDS;
// The window of the level checker: one window pixel is one field pixel, so
// the shipped solutions mean the same pulls here.
constexpr unsigned WIDTH = 1200;
constexpr unsigned HEIGHT = 900;
// Shots go at the same step marks the level checker fires at.
constexpr std::uint64_t FIRE_MARK = 15;
constexpr int VERDICT_FRAMES = 60 * 40;

struct Shot {
    float angle;
    float pull;
    int specialAfter; // steps after the launch; < 0: none
};

std::vector<Shot> solutionOf(int levelNumber) {
    std::ifstream file(
        ShippedLevels::path(levelNumber).substr(0, ShippedLevels::path(levelNumber).size() - 4) +
        ".solution");
    std::vector<Shot> shots;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string word;
        Shot shot{};
        if (words >> word && word == "SHOT" &&
            words >> shot.angle >> shot.pull >> shot.specialAfter) {
            shots.push_back(shot);
        }
    }
    return shots;
}

sf::Event key(sf::Keyboard::Key code, bool shift = false) {
    sf::Event event = keyPress(code);
    event.key.shift = shift;
    return event;
}

// A controller whose sticks and buttons the test sets.
struct PadState {
    std::array<float, sf::Joystick::AxisCount> axes{};
    std::array<bool, 8> buttons{};
    PadState() {
        axes[sf::Joystick::Z] = -100.0f;
        axes[sf::Joystick::R] = -100.0f;
    }
};

class FedPad : public JoystickSource {
public:
    explicit FedPad(const PadState& state) : state(state) {}
    bool connected() const override { return true; }
    float axis(sf::Joystick::Axis axis) const override {
        return state.axes[static_cast<std::size_t>(axis)];
    }
    bool button(unsigned int index) const override { return state.buttons.at(index); }

private:
    const PadState& state;
};

} // namespace

class PlayedWithoutAMouse : public testing::Test {
protected:
    void SetUp() override {
        game = std::make_unique<Game>(WIDTH, HEIGHT, "Skysling Clone");
        game->update(Game::LOADING_SECONDS);
        game->localHighScores = HighScoreTable((dir.path / "highscores.txt").string());
        ASSERT_EQ(game->stateManager.state, Menu);
    }

    void press(sf::Keyboard::Key code, bool shift = false) {
        game->input.handleEvent(key(code, shift));
    }

    // One fixed step per frame, with the controller read as the frame loop does.
    void frame() {
        game->input.pollController(STEP);
        game->update(STEP);
    }

    void framesUntil(const std::function<bool()>& done, int limit = VERDICT_FRAMES) {
        for (int i = 0; i < limit && !done(); ++i) {
            frame();
        }
    }

    std::uint64_t stepsOfAttempt() const { return game->attempt.stepsTaken(); }

    bool readyToFire() const {
        return game->stateManager.state == Playing && !game->turnActive &&
               game->countUnlaunchedBirds() > 0;
    }

    void awaitFireMark() {
        framesUntil([this] { return stepsOfAttempt() % FIRE_MARK == 0 && readyToFire(); });
    }

    // The keys from the opening aim to `shot`: coarse steps, then fine ones
    // with Shift.
    void aimByKeys(const Shot& shot) {
        press(sf::Keyboard::Left, true); // the first arrow takes the bird
        press(sf::Keyboard::Right, true);
        auto walk = [this](float from, float to, float coarse, float fine, sf::Keyboard::Key up,
                           sf::Keyboard::Key down) {
            float at = from;
            while (std::abs(to - at) >= coarse) {
                press(to > at ? up : down);
                at += to > at ? coarse : -coarse;
            }
            while (std::abs(to - at) > 1e-3f) {
                press(to > at ? up : down, true);
                at += to > at ? fine : -fine;
            }
        };
        walk(InputHandler::AIM_START_LENGTH, shot.pull, InputHandler::AIM_LENGTH_STEP,
             InputHandler::AIM_LENGTH_FINE_STEP, sf::Keyboard::Left, sf::Keyboard::Right);
        walk(InputHandler::AIM_START_ANGLE, shot.angle, InputHandler::AIM_ANGLE_STEP,
             InputHandler::AIM_ANGLE_FINE_STEP, sf::Keyboard::Up, sf::Keyboard::Down);
    }

    void playLevelByKeys(int levelNumber) {
        for (const Shot& shot : solutionOf(levelNumber)) {
            awaitFireMark();
            ASSERT_TRUE(readyToFire()) << "level " << levelNumber;
            aimByKeys(shot);
            ASSERT_TRUE(game->isDragging);
            // The pull the keys made is the one a mouse would have made.
            const float radians = shot.angle * 3.14159265f / 180.0f;
            const sf::Vector2f expected =
                game->slingshotPos +
                shot.pull * sf::Vector2f(-std::cos(radians), std::sin(radians));
            EXPECT_NEAR(game->dragPos.x, expected.x, 1.0f);
            EXPECT_NEAR(game->dragPos.y, expected.y, 1.0f);
            press(sf::Keyboard::Space);
            ASSERT_TRUE(game->turnActive);
            if (shot.specialAfter >= 0) {
                for (int i = 0; i < shot.specialAfter; ++i) {
                    frame();
                }
                press(sf::Keyboard::Enter);
            }
        }
        framesUntil([this] { return game->stateManager.state != Playing; });
    }

    TemporaryDirectory dir;
    std::unique_ptr<Game> game;
};

TEST_F(PlayedWithoutAMouse, AWholeGameByTheKeysAloneIsRecordedAsTheMouseWouldBe) {
    press(sf::Keyboard::Enter); // Start
    ASSERT_EQ(game->stateManager.state, LevelSelect);
    press(sf::Keyboard::Enter); // the first level
    ASSERT_EQ(game->stateManager.state, Playing);

    // Escape pauses and resumes without spending a step.
    press(sf::Keyboard::Escape);
    EXPECT_EQ(game->stateManager.state, Paused);
    press(sf::Keyboard::Escape);
    EXPECT_EQ(game->stateManager.state, Playing);

    // World one, which ends on its closing screen.
    for (int level = 1; level <= ShippedLevels::manifest().worlds().front().levelCount(); ++level) {
        ASSERT_EQ(game->currentLevelIndex, level - 1);
        playLevelByKeys(level);
        ASSERT_EQ(game->stateManager.state, LevelComplete) << "level " << level;
        // The inputs kept for the replay are the mouse's: press, pulls, release.
        const auto& inputs = game->attempt.recordedInputs();
        ASSERT_FALSE(inputs.empty());
        EXPECT_EQ(inputs.front().kind, ReplayInput::Kind::Press);
        press(sf::Keyboard::Enter);
        if (game->stateManager.state == EnterNickname) {
            press(sf::Keyboard::Escape);
        }
    }
    EXPECT_EQ(game->stateManager.state, GameComplete);
}

TEST_F(PlayedWithoutAMouse, AFedControllerWalksTheMenusAimsLaunchesAndPauses) {
    PadState pad;
    game->input.controller().setSource(std::make_unique<FedPad>(pad));
    auto tap = [&](auto set) {
        set(true);
        frame();
        set(false);
        frame();
    };
    auto buttonOf = [&](unsigned index) {
        return [&, index](bool on) { pad.buttons[index] = on; };
    };
    auto dpadRight = [&](bool on) { pad.axes[sf::Joystick::PovX] = on ? 100.0f : 0.0f; };

    // The d-pad walks the menu, B backs out to Quit, A takes the entry.
    const ButtonId first = game->stateManager.menuSelection;
    tap(dpadRight);
    EXPECT_NE(game->stateManager.menuSelection, first);
    tap(buttonOf(ControllerInput::BUTTON_B));
    EXPECT_EQ(game->stateManager.menuSelection, QuitButton);
    tap(dpadRight);
    EXPECT_EQ(game->stateManager.menuSelection, StartButton);
    tap(buttonOf(ControllerInput::BUTTON_A));
    ASSERT_EQ(game->stateManager.state, LevelSelect);
    tap(dpadRight);
    EXPECT_EQ(game->stateManager.selectedLevel, 1);
    tap(buttonOf(ControllerInput::BUTTON_B));
    ASSERT_EQ(game->stateManager.state, Menu);
    tap(buttonOf(ControllerInput::BUTTON_A));
    tap(buttonOf(ControllerInput::BUTTON_A));
    ASSERT_EQ(game->stateManager.state, Playing);

    // Start pauses and resumes.
    tap(buttonOf(ControllerInput::BUTTON_START));
    EXPECT_EQ(game->stateManager.state, Paused);
    tap(buttonOf(ControllerInput::BUTTON_START));
    ASSERT_EQ(game->stateManager.state, Playing);

    // Held left, the stick keeps pulling further back, a step each frame,
    // up to the slingshot's limit; held down it lowers the aim.
    pad.axes[sf::Joystick::X] = -100.0f;
    for (int i = 0; i < 60; ++i) {
        frame();
    }
    pad.axes[sf::Joystick::X] = 0.0f;
    ASSERT_TRUE(game->isDragging);
    const sf::Vector2f pulled = game->dragPos - game->slingshotPos;
    EXPECT_NEAR(std::hypot(pulled.x, pulled.y), Attempt::PULL_LIMIT, 1.5f);
    const float before = pulled.y;
    pad.axes[sf::Joystick::Y] = 100.0f;
    frame();
    frame();
    pad.axes[sf::Joystick::Y] = 0.0f;
    // A lower flight: the pull point rises towards the slingshot's height.
    EXPECT_LT(game->dragPos.y - game->slingshotPos.y, before);

    tap(buttonOf(ControllerInput::BUTTON_A));
    EXPECT_TRUE(game->turnActive);
    EXPECT_FALSE(game->isDragging);
    framesUntil([this] { return game->stateManager.state != Playing || readyToFire(); });
}

// As Shift on the keys: a shoulder button held, or the stick leaned only a
// little, moves the aim in fine steps; a lean inside the fine zone does not
// move it at all.
TEST_F(PlayedWithoutAMouse, AShoulderButtonOrASmallLeanAimsInFineSteps) {
    PadState pad;
    game->input.controller().setSource(std::make_unique<FedPad>(pad));
    press(sf::Keyboard::Enter);
    press(sf::Keyboard::Enter);
    ASSERT_EQ(game->stateManager.state, Playing);
    auto pull = [this] {
        const sf::Vector2f pulled = game->dragPos - game->slingshotPos;
        return std::hypot(pulled.x, pulled.y);
    };
    // Six frames leaned the given way from where the aim is.
    auto leanFor6Frames = [&](float lean, bool shoulder) {
        pad.axes[sf::Joystick::X] = lean;
        pad.buttons[ControllerInput::BUTTON_LEFT_SHOULDER] = shoulder;
        const float before = pull();
        for (int i = 0; i < 6; ++i) {
            frame();
        }
        pad.axes[sf::Joystick::X] = 0.0f;
        pad.buttons[ControllerInput::BUTTON_LEFT_SHOULDER] = false;
        frame();
        return pull() - before;
    };
    leanFor6Frames(-100.0f, false); // takes up the bird
    ASSERT_TRUE(game->isDragging);
    EXPECT_NEAR(leanFor6Frames(-100.0f, false), 6 * InputHandler::AIM_LENGTH_STEP, 1.5f);
    EXPECT_NEAR(leanFor6Frames(-100.0f, true), 6 * InputHandler::AIM_LENGTH_FINE_STEP, 1.5f);
    EXPECT_NEAR(leanFor6Frames(-30.0f, false), 6 * InputHandler::AIM_LENGTH_FINE_STEP, 1.5f);
    EXPECT_NEAR(leanFor6Frames(30.0f, false), -6 * InputHandler::AIM_LENGTH_FINE_STEP, 1.5f);
    EXPECT_NEAR(leanFor6Frames(-10.0f, false), 0.0f, 0.5f);
}

TEST_F(PlayedWithoutAMouse, TheLookAroundStaysInsideTheLevelAndGoesBackAtTheLaunch) {
    press(sf::Keyboard::Enter);
    press(sf::Keyboard::Enter);
    ASSERT_EQ(game->stateManager.state, Playing);
    const sf::View rules = game->gameView;
    auto inside = [](const sf::View& view) {
        const sf::FloatRect& bounds = FieldCamera::LEVEL_BOUNDS;
        const sf::Vector2f half = view.getSize() * 0.5f;
        const sf::Vector2f centre = view.getCenter();
        return centre.x - half.x >= bounds.left - 0.5f &&
               centre.x + half.x <= bounds.left + bounds.width + 0.5f &&
               centre.y - half.y >= bounds.top - 0.5f &&
               centre.y + half.y <= bounds.top + bounds.height + 0.5f;
    };

    // The wheel zooms out, however far it is rolled, no further than the
    // whole level.
    auto roll = [this](float delta) {
        sf::Event wheel{};
        wheel.type = sf::Event::MouseWheelScrolled;
        wheel.mouseWheelScroll.delta = delta;
        game->input.handleEvent(wheel);
    };
    for (int i = 0; i < 20; ++i) {
        roll(-1.0f);
    }
    const sf::Vector2f widest = game->shownView().getSize();
    EXPECT_GT(widest.x, rules.getSize().x * 1.5f);
    EXPECT_TRUE(inside(game->shownView()));
    roll(-1.0f);
    EXPECT_EQ(game->shownView().getSize(), widest);

    // A right-button drag far past every edge stays within the bounds.
    for (const sf::Vector2i towards : {sf::Vector2i(-5000, -5000), sf::Vector2i(5000, 5000)}) {
        game->input.handleEvent(mousePress(600, 450, sf::Mouse::Right));
        game->input.handleEvent(mouseMove(600 + towards.x, 450 + towards.y));
        game->input.handleEvent(mouseRelease(600 + towards.x, 450 + towards.y, sf::Mouse::Right));
        EXPECT_TRUE(inside(game->shownView()));
        frame();
    }
    // One step back in shows less at once.
    press(sf::Keyboard::Add);
    EXPECT_LT(game->shownView().getSize().x, widest.x);
    EXPECT_TRUE(inside(game->shownView()));

    // The world never saw any of it, and a pull lands where it is seen.
    EXPECT_EQ(game->gameView.getSize(), rules.getSize());
    press(sf::Keyboard::Left);
    ASSERT_TRUE(game->isDragging);
    press(sf::Keyboard::Space);
    ASSERT_TRUE(game->turnActive);
    EXPECT_FALSE(game->look.isActive());
    EXPECT_EQ(game->shownView().getCenter(), game->gameView.getCenter());
    // While the bird flies the player's look is not taken.
    press(sf::Keyboard::Subtract);
    EXPECT_FALSE(game->look.isActive());
}
