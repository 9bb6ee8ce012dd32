#pragma once

#include "assets/TextStyle.h"
#include "core/GameState.h"
#include "entities/BirdKinds.h"
#include "online/HighScore.h"
#include "online/ProgressTable.h"
#include "ui/ButtonId.h"
#include "ui/LevelSelectLayout.h"
#include "ui/NicknameEntry.h"
#include "ui/PauseLayout.h"

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Rect.hpp>
#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class Bird;
class Renderer;
class ResourceManager;
class LoginForm;
namespace sf {
class Font;
class RenderWindow;
class Texture;
} // namespace sf

// Where the menu's three image buttons go for given texture sizes; a zero
// size stands for a missing texture.
struct MenuButtonRects {
    bool startShown = false;
    bool quitShown = false;
    bool highScoreShown = false;
    sf::FloatRect start;
    sf::FloatRect quit;
    sf::FloatRect highScore;
    // Top centre of the line of stars earned, under the row of buttons.
    sf::Vector2f starTally;
};

// A level from outside the shipped list, as its results show it.
struct OwnLevelResult {
    std::string name;
    LevelBest best;
};

// Draws every screen and the in-game HUD from what it is given: a screen
// receives everything it shows as parameters and reads nothing of the game.
// Each screen draws only when the state it is given is its own, and while
// drawing writes the rectangles of its clickable elements into the slots
// below, which the input handling hit-tests (getButtonAt). A slot keeps its
// last value until rewritten.
//
// Where the screens' rules live: the button ids in ButtonId.h, which slot
// each id reads (buttonSlot) and which ids each screen offers in this class's
// source; the geometry of the pause menu, the level select and the login form
// in PauseLayout, LevelSelectLayout and LoginForm, shared with the input
// handling; a banner's colour in the bird kinds' table (BirdKinds). Which
// screen handles input and draws in which state is core/ScreenTable's.
class UIRenderer {
public:
    UIRenderer(Renderer& renderer, ResourceManager& resources);

    void drawLoadingScreen(GameState state, float progress, float titleY);
    // starsPossible > 0: the stars earned over all levels show under the
    // buttons.
    // `selected`: the entry the keyboard has selected, framed.
    void drawMenu(GameState state, bool loggedIn, const std::string& username, int starsEarned = 0,
                  int starsPossible = 0, ButtonId selected = NoButton);
    void drawLoginButton(bool loggedIn, const std::string& username, sf::FloatRect& slot,
                         sf::Vector2f centre);
    // `messageKind`: the bird whose special the banner announces, which
    // gives its colour; none for the game's own banners.
    // `levelName`: a level from outside the shipped list shows by its name,
    // not by a number among them.
    void drawHUD(GameState state, const sf::View& gameView, int score, int levelIndex,
                 int levelCount, float messageTimer, const std::string& message,
                 const Bird* currentBird, bool loggedIn, const std::string& username,
                 std::optional<BirdKind> messageKind = std::nullopt,
                 const std::string& levelName = {});
    // Each cell shows the level's best stars and score from `bests`.
    // `levelFiles`, `bests` and `selectedLevel` are the page's (the selection
    // -1 when it lies on another page).
    void drawLevelSelect(GameState state, int selectedLevel,
                         const std::vector<std::string>& levelFiles, bool loggedIn,
                         const std::string& username, const std::vector<LevelBest>& bests = {},
                         const WorldPage& page = {});
    void drawPauseMenu(GameState state, int selected);
    // `offline`: the last fetch of the online list got no answer, so the
    // list says "Offline" instead of rows or "No scores yet!". The local
    // list of the level shows beside it when the player is signed out or
    // offline. `newBest`: the score beat the best stored for the level.
    // `localScores`: this computer's list of the level. `ownLevel`: the
    // level is not a shipped one, so it has no score tables: its name and
    // its best on this computer stand in their place.
    void drawLevelComplete(GameState state, int levelIndex, int stars, int levelScore,
                           int totalScore, int totalBirds, int unlaunchedBirds, bool loggedIn,
                           const std::string& username, const std::vector<HighScore>& scores,
                           bool offline = false, bool newBest = false,
                           const std::vector<HighScore>& localScores = {},
                           const OwnLevelResult* ownLevel = nullptr);
    // The online list of the level beside this computer's (`localScores`).
    void drawHighScores(GameState state, int levelIndex, int levelCount,
                        const std::vector<HighScore>& scores, bool offline = false,
                        const std::vector<HighScore>& localScores = {});
    // `offered`: the name is the one offered by default, untouched; it shows
    // selected, as typing replaces it.
    void drawNicknameEntry(GameState state, int stars, int levelScore, const std::string& nickname,
                           bool offered = false);
    // loginError, when not empty, tells the player why the last attempt
    // did not go through. The view drawn (signed in or out) is the one whose
    // buttons getButtonAt answers for in Login.
    // `openedFrom`: the screen Escape goes back to, which the hint names.
    void drawLoginScreen(GameState state, bool loggedIn, const std::string& loggedInUsername,
                         const std::string& usernameInput, const std::string& passwordInput,
                         bool cursorVisible, int loginFocus, const std::string& loginError = {},
                         GameState openedFrom = Playing);

    // A crossed-out speaker in the top-right corner, below the HUD's score
    // lines, on every screen while the sound is muted.
    void drawMutedIcon();
    // A screen waiting for the scores server: `text` ("Signing in…") by a
    // spinner near the bottom of the window. `phase` (seconds) turns it.
    void drawBusyNote(const std::string& text, float phase);
    static sf::FloatRect mutedIconRect(sf::Vector2f windowSize);

    // The player's UI scale in percent (UiScale): the screens lay
    // themselves out for layoutSize() and are stretched over the window.
    void setUiScale(int percent) { uiScalePercent = percent; }
    sf::Vector2u layoutSize() const;

    // Id of the first of the state's buttons whose slot contains point
    // (half-open test), or NoButton. Menu: Start, Quit, HighScore,
    // MenuLogin, MenuOptions; LevelSelect: LevelSelectLogin; Playing: HudLogin;
    // LevelComplete: LevelCompleteLogin; Login: those of the view last drawn
    // (LoginForm::buttons).
    int getButtonAt(sf::Vector2f point, GameState state) const;
    // The slot a button's drawing writes and its hit test reads.
    const sf::FloatRect& buttonSlot(ButtonId button) const;
    // Click area of pause entry index in window pixels: exactly the
    // rectangle the entry's text is drawn into (PauseLayout); empty outside
    // the entries.
    sf::FloatRect pauseEntryHitBox(int index) const;

    // Rules of the screens that do not need a window.
    static constexpr int PAUSE_ENTRY_COUNT = PauseLayout::ENTRY_COUNT;
    static const char* pauseEntryText(int index); // null outside the entries
    // A nickname for this computer's high-score list has at most this many
    // characters; its box holds that many.
    static constexpr std::size_t NICKNAME_MAX_LENGTH = NicknameEntry::MAX_LENGTH;
    // The colour of a bird's special banner, by the bird's kind; the game's
    // own banners (no kind) are yellow.
    static sf::Color bannerColor(std::optional<BirdKind> kind);
    static std::string activeBirdLabel(const Bird& bird);
    // High-score rows that fit the level-complete panel of a window this high.
    static int levelCompleteRowCount(float windowHeight);
    // Names longer than 14 characters become their first 12 plus "..".
    static std::string shortenScoreName(const std::string& name);
    static std::string maskPassword(const std::string& password);
    // "\u2605 14 / 21"
    static std::string starTallyText(int earned, int possible);
    static MenuButtonRects menuButtonRects(sf::Vector2u windowSize, sf::Vector2u startSize,
                                           sf::Vector2u quitSize, sf::Vector2u highScoreSize);

    sf::FloatRect startButtonRect;
    sf::FloatRect nextLevelButtonRect;
    sf::FloatRect retryButtonRect;
    sf::FloatRect quitButtonRect;
    sf::FloatRect highScoreButtonRect;
    sf::FloatRect menuLoginButtonRect;
    sf::FloatRect hudLoginButtonRect;
    sf::FloatRect levelSelectLoginButtonRect;
    sf::FloatRect levelCompleteLoginButtonRect;
    sf::FloatRect menuEditorButtonRect;
    sf::FloatRect usernameFieldRect;
    sf::FloatRect passwordFieldRect;
    sf::FloatRect loginButtonRect;
    sf::FloatRect signUpButtonRect;
    sf::FloatRect signOutButtonRect;
    sf::FloatRect menuOptionsButtonRect;

private:
    sf::RenderWindow& window() const;
    sf::Vector2f windowSize() const;
    sf::View windowView() const;
    const sf::Texture* texture(const char* key) const;

    float textWidth(const std::string& string, const TextStyle& style) const;
    // string, or as much of its start as fits maxWidth followed by "..".
    std::string fitText(const std::string& string, const TextStyle& style, float maxWidth) const;
    // The end of string that fits maxWidth (a field scrolls to its cursor).
    std::string fitTail(const std::string& string, const TextStyle& style, float maxWidth) const;
    // A rectangle centred on position; returns its bounds (outline
    // included), which is what the screens publish as click areas.
    sf::FloatRect drawBoxCenteredOn(sf::Vector2f position, sf::Vector2f size, sf::Color fill,
                                    sf::Color outline, float outlineThickness);
    void drawImageButton(const sf::Texture* image, sf::FloatRect area, sf::FloatRect& slot);

    MenuButtonRects drawMenuButtons();
    void drawBanner(const std::string& message, sf::Color color,
                    const std::vector<sf::FloatRect>& topLines);
    void drawWorldHeader(const LevelSelectLayout& layout, const WorldPage& page);
    void drawLevelCells(const LevelSelectLayout& layout, int selectedLevel, const WorldPage& page,
                        const std::vector<LevelBest>& bests);
    void drawSignedInView(const LoginForm& form, const std::string& username);
    void drawSignedOutView(const LoginForm& form, const std::string& usernameInput,
                           const std::string& passwordInput, bool cursorVisible, int loginFocus);
    // Returns the shown text's ink box (empty while the placeholder shows).
    sf::FloatRect drawLoginField(sf::FloatRect& slot, sf::Vector2f centre, const std::string& shown,
                                 const char* placeholder);
    void drawLoginScreenButton(sf::FloatRect& slot, sf::Vector2f centre, sf::Vector2f size,
                               sf::Color fill, const char* label);
    void drawRunSummary(const sf::FloatRect& panel, int stars, int levelScore, int totalScore,
                        int totalBirds, int unlaunchedBirds);
    void drawLevelCompleteButtons();
    // localScores, when given, is listed under the online list.
    void drawOwnLevelBest(const sf::FloatRect& panel, const OwnLevelResult& ownLevel);
    void drawLevelCompleteScores(const sf::FloatRect& panel, const std::vector<HighScore>& scores,
                                 bool offline, const std::vector<HighScore>* localScores);
    void drawRankedRows(const sf::FloatRect& panel, float top, float step, int rows,
                        unsigned int size, const std::vector<HighScore>& scores);
    // The mark of a verified score, for text of `size`.
    static float verifiedMarkWidth(unsigned int size);
    void drawVerifiedMark(sf::Vector2f topLeft, unsigned int size);
    void drawHighScoreRows(float centreX, float top, float width,
                           const std::vector<HighScore>& scores, const char* emptyText,
                           int maxRows);

    Renderer& renderer;
    ResourceManager& resources;
    // The login view drawn last: only its buttons answer in Login.
    bool loginShowsSignedIn = false;
    int uiScalePercent = 100;
};
