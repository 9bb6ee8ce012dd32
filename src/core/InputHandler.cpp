#include "core/InputHandler.h"

#include "assets/SoundManager.h"
#include "core/Game.h"
#include "core/ScreenTable.h"
#include "level/ShippedLevels.h"
#include "ui/ClosingScreen.h"
#include "ui/LevelSelectLayout.h"
#include "ui/MyLevelsScreen.h"
#include "ui/NicknameEntry.h"
#include "ui/PauseLayout.h"
#include "ui/TypedCodes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <iterator>

namespace {

bool isLeftPress(const sf::Event& event) {
    return event.type == sf::Event::MouseButtonPressed &&
           event.mouseButton.button == sf::Mouse::Left;
}

bool isKey(const sf::Event& event, sf::Keyboard::Key key) {
    return event.type == sf::Event::KeyPressed && event.key.code == key;
}

// The menu's entries in the order the arrow keys walk them: the row of
// buttons from left to right, then the corner buttons, editor, options and
// login; from Quit (where Escape goes) Up comes round to the login.
constexpr std::array<ButtonId, 6> MENU_KEY_ORDER{
    QuitButton, StartButton, HighScoreButton, MenuEditorButton, MenuOptionsButton, MenuLoginButton};
} // namespace

InputHandler::InputHandler(Game& game) : game(game) {}

void InputHandler::processEvents(sf::RenderWindow& window) {
    sf::Event event;
    while (window.pollEvent(event)) {
        handleEvent(event);
    }
    pollController();
}

void InputHandler::pollController(float dt) {
    const bool playing = game.stateManager.state == Playing;
    for (const sf::Event& key : pad.poll(playing, playing && !game.turnActive)) {
        handleEvent(key);
    }
    if (playing) {
        // Window pixels a full lean moves the look each second.
        constexpr float LOOK_SPEED = 900.0f;
        const sf::Vector2f lean = pad.lookLean() * (LOOK_SPEED * dt);
        if (lean != sf::Vector2f()) {
            game.lookAround(0.0f, {static_cast<int>(lean.x), static_cast<int>(lean.y)});
        }
    }
}

void InputHandler::handleEvent(const sf::Event& event) {
    if (event.type == sf::Event::Closed) {
        game.window.close();
        std::cout << "processEvents: Window closed event." << std::endl;
        game.setRunning(false);
        return;
    }
    if (event.type == sf::Event::Resized) {
        game.fitViewsToWindow();
        std::cout << "Window resized to " << event.size.width << "x" << event.size.height
                  << std::endl;
        return;
    }
    if (handleEveryScreenKey(event)) {
        return;
    }
    const ScreenTable::Screen& screen = ScreenTable::of(game.stateManager.state);
    if (screen.handleInput != nullptr) {
        (this->*screen.handleInput)(event);
    }
}

bool InputHandler::isTypingText() const {
    const GameStateManager& flow = game.stateManager;
    return flow.state == EnterNickname ||
           (flow.state == Login && LoginForm::takesText(flow.isLoggedIn, flow.loginFocus)) ||
           (flow.state == Editor && game.editor.isNaming());
}

bool InputHandler::handleEveryScreenKey(const sf::Event& event) {
    if (event.type != sf::Event::KeyPressed || event.key.control || event.key.alt ||
        event.key.system) {
        return false;
    }
    if (event.key.code == sf::Keyboard::F11) {
        game.toggleFullscreen();
        return true;
    }
    // The letter also arrives as typed text; in a field it is only that.
    if (event.key.code == sf::Keyboard::M && !isTypingText()) {
        game.toggleMute();
        return true;
    }
    return false;
}

sf::Vector2f InputHandler::toWindowView(int x, int y) const {
    return game.window.mapPixelToCoords({x, y}, game.screenScale().view());
}

void InputHandler::handleMenu(const sf::Event& event) {
    GameStateManager& flow = game.stateManager;
    if (event.type == sf::Event::KeyPressed) {
        // As on the level select: the arrows move, Enter takes, Escape backs
        // out, which here means Quit (selected, so a second key confirms).
        const auto at = std::find(MENU_KEY_ORDER.begin(), MENU_KEY_ORDER.end(), flow.menuSelection);
        const int index = at == MENU_KEY_ORDER.end()
                              ? 0
                              : static_cast<int>(std::distance(MENU_KEY_ORDER.begin(), at));
        const int count = static_cast<int>(MENU_KEY_ORDER.size());
        switch (event.key.code) {
        case sf::Keyboard::Up:
        case sf::Keyboard::Left:
            flow.menuSelection =
                MENU_KEY_ORDER[static_cast<std::size_t>((index + count - 1) % count)];
            break;
        case sf::Keyboard::Down:
        case sf::Keyboard::Right:
            flow.menuSelection = MENU_KEY_ORDER[static_cast<std::size_t>((index + 1) % count)];
            break;
        case sf::Keyboard::Enter:
            performMenuEntry(flow.menuSelection);
            break;
        case sf::Keyboard::Escape:
            flow.menuSelection = QuitButton;
            break;
        case sf::Keyboard::E:
            game.openEditor();
            break;
        case sf::Keyboard::O:
            game.openOptions(Menu);
            break;
        default:
            break;
        }
        return;
    }
    if (!isLeftPress(event)) {
        return;
    }
    const sf::Vector2f point = toWindowView(event.mouseButton.x, event.mouseButton.y);
    const auto button = static_cast<ButtonId>(game.ui.getButtonAt(point, Menu));
    if (button != NoButton) {
        performMenuEntry(button);
    }
}

void InputHandler::performMenuEntry(ButtonId button) {
    GameStateManager& flow = game.stateManager;
    switch (button) {
    case StartButton:
        SoundManager::getInstance().play(ButtonClick, 100.0f);
        flow.transitionTo(LevelSelect);
        flow.selectedLevel = 0;
        break;
    case QuitButton:
        game.setRunning(false);
        break;
    case HighScoreButton:
        flow.transitionTo(HighScores);
        flow.fetchHighScores(game.currentLevelIndex);
        break;
    case MenuLoginButton:
        flow.openLogin(Menu);
        break;
    case MenuEditorButton:
        game.openEditor();
        break;
    case MenuOptionsButton:
        game.openOptions(Menu);
        break;
    default:
        break;
    }
}

void InputHandler::handleLevelSelect(const sf::Event& event) {
    if (isKey(event, sf::Keyboard::W)) {
        game.watchKeptReplay(game.stateManager.selectedLevel + 1, true);
        return;
    }
    // The player's own levels are the level select's other page.
    if (isKey(event, sf::Keyboard::Tab)) {
        game.openMyLevels();
        return;
    }
    GameStateManager& flow = game.stateManager;
    const int count = static_cast<int>(game.levelFiles.size());
    if (isLeftPress(event)) {
        const sf::Vector2f point = toWindowView(event.mouseButton.x, event.mouseButton.y);
        if (game.ui.getButtonAt(point, LevelSelect) == LevelSelectLoginButton) {
            flow.openLogin(LevelSelect);
        }
    }
    if (event.type == sf::Event::KeyPressed) {
        handleLevelSelectKey(event.key.code, count);
    }
    if (isLeftPress(event)) {
        const sf::Vector2f point = toWindowView(event.mouseButton.x, event.mouseButton.y);
        // The cells are the shown world's, or the whole list without worlds.
        const int world = game.worldOf(flow.selectedLevel);
        const World* page =
            world >= 0 ? &ShippedLevels::manifest().worlds()[static_cast<std::size_t>(world)]
                       : nullptr;
        const LevelSelectLayout layout(game.screenScale().layoutSize(),
                                       page != nullptr ? page->levelCount() : count);
        if (layout.myLevelsHint().contains(point)) {
            game.openMyLevels();
            return;
        }
        if (page != nullptr && ShippedLevels::manifest().worldCount() > 1) {
            if (const int direction = layout.pageButtonAt(point); direction != 0) {
                turnLevelSelectPage(direction);
                return;
            }
        }
        const int cell = layout.cellAt(point);
        if (cell >= 0) {
            flow.selectedLevel = (page != nullptr ? page->firstLevel : 0) + cell;
            startSelectedLevel();
        }
    }
}

void InputHandler::startSelectedLevel() {
    GameStateManager& flow = game.stateManager;
    const int world = game.worldOf(flow.selectedLevel);
    if (world >= 0 && !game.worldProgress().unlocked(world)) {
        std::cout << "Level select: level " << flow.selectedLevel + 1 << " is locked." << std::endl;
        return;
    }
    game.currentLevelIndex = flow.selectedLevel;
    flow.startLevel();
}

void InputHandler::turnLevelSelectPage(int direction) {
    GameStateManager& flow = game.stateManager;
    const int world = game.worldOf(flow.selectedLevel);
    const int worlds = ShippedLevels::manifest().worldCount();
    if (world < 0 || worlds < 2) {
        return;
    }
    const int shown = ((world + direction) % worlds + worlds) % worlds;
    flow.selectedLevel =
        ShippedLevels::manifest().worlds()[static_cast<std::size_t>(shown)].firstLevel;
}

void InputHandler::handleLevelSelectKey(sf::Keyboard::Key key, int count) {
    GameStateManager& flow = game.stateManager;
    if (key == sf::Keyboard::Escape) {
        flow.transitionTo(Menu);
    } else if (key == sf::Keyboard::Enter) {
        startSelectedLevel();
    } else if (key == sf::Keyboard::PageUp || key == sf::Keyboard::PageDown) {
        turnLevelSelectPage(key == sf::Keyboard::PageUp ? -1 : 1);
    } else if (count > 0 && (key == sf::Keyboard::Up || key == sf::Keyboard::Left)) {
        flow.selectedLevel = (flow.selectedLevel - 1 + count) % count;
    } else if (count > 0 && (key == sf::Keyboard::Down || key == sf::Keyboard::Right)) {
        flow.selectedLevel = (flow.selectedLevel + 1) % count;
    }
}

void InputHandler::handlePlaying(const sf::Event& event) {
    GameStateManager& flow = game.stateManager;
    // Trying a level out of the editor: Escape goes straight back to it.
    if (game.isTestPlaying() && isKey(event, sf::Keyboard::Escape)) {
        game.endTestPlay("stopped");
        return;
    }
    if (isKey(event, sf::Keyboard::Escape)) {
        flow.transitionTo(Paused);
        flow.pauseSelection = PauseLayout::ResumeEntry;
        return;
    }
    // A card that introduces a new kind takes only what answers it.
    const sf::Vector2f pointer = event.type == sf::Event::MouseButtonPressed
                                     ? toWindowView(event.mouseButton.x, event.mouseButton.y)
                                     : sf::Vector2f();
    if (game.meetings.handle(event, pointer, game.screenScale().layoutSize(), game.isDragging,
                             game.progress)) {
        return;
    }
    if (handlePlayingKey(event)) {
        return;
    }
    const bool onAButton = event.type == sf::Event::MouseButtonPressed && [&] {
        const sf::Vector2f point = toWindowView(event.mouseButton.x, event.mouseButton.y);
        return game.ui.startButtonRect.contains(point) ||
               game.ui.getButtonAt(point, Playing) == HudLoginButton;
    }();
    // Any mouse button works the HUD's buttons; elsewhere the right one
    // drags the look around.
    if (!onAButton && handleLookAround(event)) {
        return;
    }
    if (isLeftPress(event)) {
        if (game.turnActive) {
            game.activateSpecial();
        } else {
            game.pressSlingshot({event.mouseButton.x, event.mouseButton.y});
        }
    }
    if (event.type == sf::Event::MouseButtonPressed) {
        const sf::Vector2f point = toWindowView(event.mouseButton.x, event.mouseButton.y);
        if (game.ui.startButtonRect.contains(point) && game.isTestPlaying()) {
            game.endTestPlay("stopped");
        } else if (game.ui.startButtonRect.contains(point)) {
            flow.leaveToLevelSelect();
        } else if (game.ui.getButtonAt(point, Playing) == HudLoginButton) {
            flow.openLogin(Playing);
        }
        return;
    }
    if (event.type == sf::Event::MouseMoved && game.isDragging) {
        game.pullSlingshot({event.mouseMove.x, event.mouseMove.y});
    } else if (event.type == sf::Event::MouseButtonReleased &&
               event.mouseButton.button == sf::Mouse::Left && game.isDragging) {
        game.launchBird();
        game.isDragging = false;
    }
}

bool InputHandler::handlePlayingKey(const sf::Event& event) {
    if (event.type != sf::Event::KeyPressed) {
        return false;
    }
    const bool fine = event.key.shift;
    const float lengthStep = fine ? AIM_LENGTH_FINE_STEP : AIM_LENGTH_STEP;
    const float angleStep = fine ? AIM_ANGLE_FINE_STEP : AIM_ANGLE_STEP;
    switch (event.key.code) {
    case sf::Keyboard::Left: // pulling further back
        aimByKeys(lengthStep, 0.0f);
        return true;
    case sf::Keyboard::Right:
        aimByKeys(-lengthStep, 0.0f);
        return true;
    case sf::Keyboard::Up:
        aimByKeys(0.0f, angleStep);
        return true;
    case sf::Keyboard::Down:
        aimByKeys(0.0f, -angleStep);
        return true;
    case sf::Keyboard::Space:
        if (game.turnActive) {
            game.activateSpecial();
        } else if (game.isDragging) {
            game.launchBird();
            game.isDragging = false;
        }
        return true;
    case sf::Keyboard::Enter:
        if (game.turnActive) {
            game.activateSpecial();
        }
        return true;
    default:
        return false;
    }
}

bool InputHandler::handleLookAround(const sf::Event& event) {
    switch (event.type) {
    case sf::Event::MouseWheelScrolled:
        // Rolling towards the player (down) steps back to see more.
        game.lookAround(-event.mouseWheelScroll.delta, {});
        return true;
    case sf::Event::KeyPressed:
        if (event.key.code == sf::Keyboard::Subtract || event.key.code == sf::Keyboard::Hyphen) {
            game.lookAround(1.0f, {});
            return true;
        }
        if (event.key.code == sf::Keyboard::Add || event.key.code == sf::Keyboard::Equal) {
            game.lookAround(-1.0f, {});
            return true;
        }
        return false;
    case sf::Event::MouseButtonPressed:
        if (event.mouseButton.button != sf::Mouse::Right) {
            return false;
        }
        panning = true;
        panFrom = {event.mouseButton.x, event.mouseButton.y};
        return true;
    case sf::Event::MouseButtonReleased:
        if (event.mouseButton.button != sf::Mouse::Right) {
            return false;
        }
        panning = false;
        return true;
    case sf::Event::MouseMoved:
        if (!panning) {
            return false;
        }
        // The field follows the pointer, as if it were held.
        game.lookAround(0.0f, panFrom - sf::Vector2i(event.mouseMove.x, event.mouseMove.y));
        panFrom = {event.mouseMove.x, event.mouseMove.y};
        return true;
    default:
        return false;
    }
}

// The keys move the same pull point a mouse would, through the same press
// and pull: the preview, the launch and the replay cannot tell them apart.
void InputHandler::aimByKeys(float lengthChange, float angleChange) {
    if (game.turnActive) {
        return;
    }
    auto toPixel = [this](sf::Vector2f point) {
        return game.window.mapCoordsToPixel(point, game.shownView());
    };
    if (!game.isDragging) {
        game.pressSlingshot(toPixel(game.slingshotPos));
        if (!game.isDragging) {
            return; // no bird to pull
        }
        aimLength = AIM_START_LENGTH;
        aimAngle = AIM_START_ANGLE;
    }
    aimLength = std::clamp(aimLength + lengthChange, 0.0f, Attempt::PULL_LIMIT);
    aimAngle = std::clamp(aimAngle + angleChange, AIM_MIN_ANGLE, AIM_MAX_ANGLE);
    constexpr float DEGREES_TO_RADIANS = 3.14159265f / 180.0f;
    const float radians = aimAngle * DEGREES_TO_RADIANS;
    // The bird flies from the pull point through the slingshot: to send it
    // up and to the right, the point lies down and to the left.
    const sf::Vector2f pulled =
        game.slingshotPos - aimLength * sf::Vector2f(std::cos(radians), -std::sin(radians));
    game.pullSlingshot(toPixel(pulled));
}

void InputHandler::handlePaused(const sf::Event& event) {
    GameStateManager& flow = game.stateManager;
    if (event.type == sf::Event::KeyPressed) {
        switch (event.key.code) {
        case sf::Keyboard::Escape:
            flow.resumePlaying();
            break;
        case sf::Keyboard::Up:
            flow.pauseSelection =
                (flow.pauseSelection + PauseLayout::ENTRY_COUNT - 1) % PauseLayout::ENTRY_COUNT;
            break;
        case sf::Keyboard::Down:
            flow.pauseSelection = (flow.pauseSelection + 1) % PauseLayout::ENTRY_COUNT;
            break;
        case sf::Keyboard::Enter:
            performPauseEntry(flow.pauseSelection);
            break;
        case sf::Keyboard::O:
            game.openOptions(Paused);
            break;
        default:
            break;
        }
        return;
    }
    if (!isLeftPress(event)) {
        return;
    }
    const sf::Vector2f point = toWindowView(event.mouseButton.x, event.mouseButton.y);
    for (int i = 0; i < PauseLayout::ENTRY_COUNT; ++i) {
        if (game.ui.pauseEntryHitBox(i).contains(point)) {
            flow.pauseSelection = i;
            performPauseEntry(i);
            return;
        }
    }
}

void InputHandler::performPauseEntry(int index) {
    GameStateManager& flow = game.stateManager;
    if (index == PauseLayout::ResumeEntry) {
        flow.resumePlaying();
    } else if (index == PauseLayout::StartOverEntry) {
        game.restartLevel();
        flow.resumePlaying();
    } else if (index == PauseLayout::OptionsEntry) {
        game.openOptions(Paused);
    } else if (index == PauseLayout::QuitToMenuEntry) {
        flow.quitToMenu();
    }
}

void InputHandler::handleOptions(const sf::Event& event) {
    sf::Vector2f pointer;
    if (event.type == sf::Event::MouseButtonPressed) {
        pointer = toWindowView(event.mouseButton.x, event.mouseButton.y);
    } else if (event.type == sf::Event::MouseMoved) {
        pointer = toWindowView(event.mouseMove.x, event.mouseMove.y);
    }
    if (game.optionsScreen.handle(event, pointer, game.screenScale().layoutSize()) ==
        OptionsScreen::Outcome::Leave) {
        game.closeOptions();
    }
}

void InputHandler::handleLevelComplete(const sf::Event& event) {
    if (isKey(event, sf::Keyboard::W)) {
        game.watchKeptReplay(game.currentLevelIndex + 1, false);
        return;
    }
    GameStateManager& flow = game.stateManager;
    if (isLeftPress(event)) {
        const sf::Vector2f point = toWindowView(event.mouseButton.x, event.mouseButton.y);
        if (game.ui.getButtonAt(point, LevelComplete) == LevelCompleteLoginButton) {
            flow.openLogin(LevelComplete);
        } else if (game.ui.nextLevelButtonRect.contains(point)) {
            flow.leaveResults(GameStateManager::ResultsExit::Next);
        } else if (game.ui.retryButtonRect.contains(point)) {
            flow.leaveResults(GameStateManager::ResultsExit::Retry);
        }
    } else if (isKey(event, sf::Keyboard::Left) || isKey(event, sf::Keyboard::Right) ||
               isKey(event, sf::Keyboard::Up) || isKey(event, sf::Keyboard::Down)) {
        // The two buttons, Retry and Next, take turns under the frame.
        flow.resultsExit = flow.resultsExit == GameStateManager::ResultsExit::Retry
                               ? GameStateManager::ResultsExit::Next
                               : GameStateManager::ResultsExit::Retry;
    } else if (isKey(event, sf::Keyboard::Space)) {
        flow.leaveResults(flow.resultsExit, ' ');
    } else if (isKey(event, sf::Keyboard::Enter)) {
        flow.leaveResults(flow.resultsExit, CARRIAGE_RETURN_CODE);
    } else if (isKey(event, sf::Keyboard::Escape)) {
        flow.leaveResults(GameStateManager::ResultsExit::Leave);
    }
}

void InputHandler::handleEnterNickname(const sf::Event& event) {
    GameStateManager& flow = game.stateManager;
    if (isKey(event, sf::Keyboard::Escape)) {
        flow.skipNickname();
        return;
    }
    if (event.type != sf::Event::TextEntered) {
        return;
    }
    if (NicknameEntry::type(flow.nicknameField(), event.text.unicode) ==
        NicknameEntry::Typed::Submitted) {
        flow.submitNickname();
    }
}

void InputHandler::handleHighScores(const sf::Event& event) {
    if (event.type != sf::Event::KeyPressed) {
        return;
    }
    GameStateManager& flow = game.stateManager;
    const int count = static_cast<int>(game.levelFiles.size());
    switch (event.key.code) {
    case sf::Keyboard::Escape:
    case sf::Keyboard::Enter:
        flow.transitionTo(Menu);
        break;
    case sf::Keyboard::Left:
        if (game.currentLevelIndex >= 1) {
            game.currentLevelIndex -= 1;
            flow.fetchHighScores(game.currentLevelIndex);
        }
        break;
    case sf::Keyboard::Right:
        if (game.currentLevelIndex < count - 1) {
            game.currentLevelIndex += 1;
            flow.fetchHighScores(game.currentLevelIndex);
        }
        break;
    default:
        break;
    }
}

void InputHandler::handleMyLevels(const sf::Event& event) {
    sf::Vector2f pointer;
    if (event.type == sf::Event::MouseButtonPressed) {
        pointer = toWindowView(event.mouseButton.x, event.mouseButton.y);
    }
    const std::vector<MyLevelsScreen::Row> rows = game.myLevelsRows();
    switch (MyLevelsScreen(game.screenScale().layoutSize())
                .handle(event, pointer, rows, game.ownLevelSelection)) {
    case MyLevelsScreen::Action::Play:
        game.playOwnLevel(game.ownLevels[static_cast<std::size_t>(game.ownLevelSelection)].path);
        break;
    case MyLevelsScreen::Action::Back:
        game.stateManager.transitionTo(LevelSelect);
        break;
    case MyLevelsScreen::Action::None:
        break;
    }
}

void InputHandler::handleWatching(const sf::Event& event) {
    game.handleWatchInput(event);
}

void InputHandler::handleEditor(const sf::Event& event) {
    game.editor.handle(event, game.window.getSize());
}

void InputHandler::handleLogin(const sf::Event& event) {
    GameStateManager& flow = game.stateManager;
    if (isKey(event, sf::Keyboard::Escape)) {
        flow.transitionTo(flow.previousState);
        flow.loginFocus = LoginForm::NoField;
        return;
    }
    if (event.type == sf::Event::TextEntered) {
        LoginForm::type(event.text.unicode, flow.loginFocus, flow.usernameInput, flow.passwordInput,
                        flow.loginError);
        return;
    }
    if (isKey(event, sf::Keyboard::Enter) && flow.isLoggedIn) {
        flow.signOut(); // the one button of the signed-in view
        return;
    }
    if (event.type == sf::Event::KeyPressed && !flow.isLoggedIn) {
        // The keyboard alone works the form: Tab and Down move the focus
        // through the fields and the buttons, Up back; Enter presses the
        // focused button, and in a field it is Login.
        const sf::Keyboard::Key key = event.key.code;
        if (key == sf::Keyboard::Tab || key == sf::Keyboard::Down || key == sf::Keyboard::Up) {
            const bool back =
                key == sf::Keyboard::Up || (key == sf::Keyboard::Tab && event.key.shift);
            focusLoginField(LoginForm::nextField(flow.loginFocus, back ? -1 : 1));
        } else if (key == sf::Keyboard::Enter) {
            if (LoginForm::buttonOf(flow.loginFocus) == SignUpButton) {
                flow.signUp();
            } else {
                flow.signIn();
            }
        }
        return;
    }
    if (!isLeftPress(event)) {
        return;
    }
    const sf::Vector2f point = toWindowView(event.mouseButton.x, event.mouseButton.y);
    const auto button = static_cast<ButtonId>(game.ui.getButtonAt(point, Login));
    switch (button) {
    case LoginButton:
        flow.signIn();
        break;
    case SignUpButton:
        flow.signUp();
        break;
    case SignOutButton:
        flow.signOut();
        break;
    case UsernameFieldButton:
    case PasswordFieldButton:
        focusLoginField(LoginForm::fieldOf(button));
        break;
    default:
        flow.loginFocus = LoginForm::NoField;
        break;
    }
}

void InputHandler::handleGameComplete(const sf::Event& event) {
    GameStateManager& flow = game.stateManager;
    sf::Vector2f pointer;
    if (event.type == sf::Event::MouseButtonPressed) {
        pointer = toWindowView(event.mouseButton.x, event.mouseButton.y);
    }
    switch (ClosingScreen(game.screenScale().layoutSize())
                .handle(event, pointer, flow.closingSelection)) {
    case ClosingScreen::BackToMenu:
        flow.transitionTo(Menu);
        break;
    case ClosingScreen::PlayAgain:
        flow.playAgain();
        break;
    case ClosingScreen::NoChoice:
        break;
    }
}

void InputHandler::focusLoginField(LoginForm::Field field) {
    game.stateManager.loginFocus = field;
    if (LoginForm::isTextField(field)) {
        std::cout << LoginForm::focusLogLine(field) << std::endl;
    }
}
