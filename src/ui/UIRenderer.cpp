#include "ui/UIRenderer.h"

#include "assets/Renderer.h"
#include "assets/ResourceManager.h"
#include "core/Game.h"
#include "entities/BirdKinds.h"
#include "ui/LevelSelectLayout.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <algorithm>
#include <array>
#include <initializer_list>

namespace {
const sf::Color TITLE_BROWN(139, 69, 19, 255);
const sf::Color TAN(222, 184, 135, 255);
const sf::Color GOLD(255, 215, 0, 255);
const sf::Color SILVER(192, 192, 192, 255);
const sf::Color BRONZE(205, 127, 50, 255);
const sf::Color STAR_GREY(80, 80, 80, 255);
const sf::Color DIM_GREY(150, 150, 150, 255);
const sf::Color HINT_GREY(180, 180, 180, 255);
const sf::Color VEIL(0, 0, 0, 150);
const sf::Color DARK_PANEL(0, 0, 0, 180);
const sf::Color PANEL_OUTLINE(100, 100, 100, 200);
const sf::Color FIELD_FILL(0, 0, 0, 100);

constexpr std::array<const char*, UIRenderer::PAUSE_ENTRY_COUNT> PAUSE_ENTRIES{
    "Resume", "Start Over", "Quit to Menu"};
constexpr float PAUSE_CENTRE_X = 400.0f;
constexpr float PAUSE_TOP = 250.0f;
constexpr float PAUSE_STEP = 42.0f;
constexpr unsigned int PAUSE_TEXT_SIZE = 32;

// Sets a view for the duration of one screen and puts the previous one back,
// so the camera the frame loop left on the window survives the overlay.
class ScopedView {
public:
    ScopedView(sf::RenderWindow& target, const sf::View& view)
        : window(target), previous(target.getView()) {
        window.setView(view);
    }
    ~ScopedView() { window.setView(previous); }
    ScopedView(const ScopedView&) = delete;
    ScopedView& operator=(const ScopedView&) = delete;

private:
    sf::RenderWindow& window;
    sf::View previous;
};

struct SlotButton {
    const sf::FloatRect* slot;
    int id;
};

int firstHit(sf::Vector2f point, std::initializer_list<SlotButton> buttons) {
    for (const SlotButton& button : buttons) {
        if (button.slot->contains(point)) {
            return button.id;
        }
    }
    return 0;
}

// The login button of the menu, the level select and the HUD sits 20 px in
// from the bottom-right corner around a 150 x 100 box.
sf::Vector2f cornerButtonCentre(sf::Vector2f windowSize) {
    return {windowSize.x - 95.0f, windowSize.y - 70.0f};
}

float aspectWidth(sf::Vector2u size, float height) {
    return height * static_cast<float>(size.x) / static_cast<float>(size.y);
}

bool hasArea(sf::Vector2u size) {
    return size.x > 0 && size.y > 0;
}

sf::Vector2u sizeOf(const sf::Texture* texture) {
    return texture != nullptr ? texture->getSize() : sf::Vector2u(0, 0);
}

sf::Color rankColor(int rank) {
    switch (rank) {
    case 1:
        return GOLD;
    case 2:
        return SILVER;
    case 3:
        return BRONZE;
    default:
        return sf::Color::White;
    }
}
} // namespace

UIRenderer::UIRenderer(Game& game, Renderer& renderer, ResourceManager& resources,
                       HighScoreTable& localHighScores)
    : game(game), renderer(renderer), resources(resources), localHighScores(localHighScores) {}

// ---------------------------------------------------------------- helpers

sf::RenderWindow& UIRenderer::window() const {
    return renderer.getWindow();
}

sf::Vector2f UIRenderer::windowSize() const {
    const sf::Vector2u size = window().getSize();
    return {static_cast<float>(size.x), static_cast<float>(size.y)};
}

sf::View UIRenderer::windowView() const {
    const sf::Vector2f size = windowSize();
    return sf::View(sf::FloatRect(0.0f, 0.0f, size.x, size.y));
}

const sf::Texture* UIRenderer::texture(const char* key) const {
    return resources.getTexture(key);
}

sf::FloatRect UIRenderer::setUpText(const std::string& string, const sf::Font& font,
                                    unsigned int size, sf::Color color) {
    text.setFont(font);
    text.setString(sf::String(string));
    text.setCharacterSize(size);
    text.setFillColor(color);
    return text.getLocalBounds();
}

sf::FloatRect UIRenderer::drawMiddledText(const std::string& string, const sf::Font& font,
                                          unsigned int size, sf::Color color,
                                          sf::Vector2f position) {
    const sf::FloatRect bounds = setUpText(string, font, size, color);
    text.setOrigin(bounds.width * 0.5f, bounds.height * 0.5f);
    text.setPosition(position);
    window().draw(text);
    return bounds;
}

float UIRenderer::drawTextBelow(const std::string& string, const sf::Font& font, unsigned int size,
                                sf::Color color, sf::Vector2f top) {
    const sf::FloatRect bounds = setUpText(string, font, size, color);
    text.setOrigin(bounds.width * 0.5f, bounds.height * 0.5f);
    text.setPosition(top.x, top.y + bounds.height * 0.5f);
    window().draw(text);
    return bounds.height;
}

float UIRenderer::measureTextWidth(const std::string& string, unsigned int size) const {
    const sf::Text measured(sf::String(string), renderer.getFont(), size);
    return measured.getLocalBounds().width;
}

void UIRenderer::styleBox(sf::Vector2f size, sf::Color fill, sf::Color outline,
                          float outlineThickness) {
    box.setSize(size);
    box.setFillColor(fill);
    box.setOutlineColor(outline);
    box.setOutlineThickness(outlineThickness);
}

void UIRenderer::drawPanel(sf::Vector2f topLeft, sf::Vector2f size, sf::Color fill,
                           sf::Color outline, float outlineThickness) {
    styleBox(size, fill, outline, outlineThickness);
    box.setOrigin(0.0f, 0.0f);
    box.setPosition(topLeft);
    window().draw(box);
}

sf::FloatRect UIRenderer::drawCentredBox(sf::Vector2f position, sf::Vector2f size, sf::Color fill,
                                         sf::Color outline, float outlineThickness) {
    styleBox(size, fill, outline, outlineThickness);
    box.setOrigin(size * 0.5f);
    box.setPosition(position);
    window().draw(box);
    return box.getGlobalBounds();
}

void UIRenderer::drawImageButton(const sf::Texture* image, sf::FloatRect area,
                                 sf::FloatRect& slot) {
    if (image == nullptr) {
        return; // a button that is not shown keeps its last click area
    }
    const sf::Vector2f centre(area.left + area.width * 0.5f, area.top + area.height * 0.5f);
    renderer.drawSprite(image, centre, area.width, area.height, 0.0f, sf::Color::White);
    slot = area;
}

// ---------------------------------------------------------------- rules

const char* UIRenderer::pauseEntryText(int index) {
    if (index < 0 || index >= PAUSE_ENTRY_COUNT) {
        return nullptr;
    }
    return PAUSE_ENTRIES[static_cast<std::size_t>(index)];
}

sf::Color UIRenderer::bannerColor(const std::string& message) {
    if (message.find("BOOST") != std::string::npos) {
        return sf::Color::Cyan;
    }
    if (message.find("SPLIT") != std::string::npos) {
        return sf::Color::Green;
    }
    if (message.find("EXPLOSION") != std::string::npos) {
        return sf::Color::Red;
    }
    return sf::Color::Yellow;
}

std::string UIRenderer::activeBirdLabel(const Bird& bird) {
    return birdKindInfo(birdKindOf(bird)).hudLabel;
}

int UIRenderer::levelCompleteRowCount(float windowHeight) {
    // Rows run from y = 230 to 20 px above the panels' bottom edge (H - 160),
    // 35 px each, ten at most.
    const float space = windowHeight - 410.0f;
    const int fitting = static_cast<int>(space / 35.0f);
    return std::clamp(fitting, 0, 10);
}

std::string UIRenderer::shortenScoreName(const std::string& name) {
    if (name.size() > 14) {
        return name.substr(0, 12) + "..";
    }
    return name;
}

std::string UIRenderer::maskPassword(const std::string& password) {
    return std::string(password.size(), '*');
}

MenuButtonRects UIRenderer::menuButtonRects(sf::Vector2u windowSize, sf::Vector2u startSize,
                                            sf::Vector2u quitSize, sf::Vector2u highScoreSize) {
    MenuButtonRects rects;
    if (!hasArea(startSize)) {
        return rects; // the side buttons are placed against the start button
    }
    const float centreX = static_cast<float>(windowSize.x) * 0.5f;
    const float rowY = static_cast<float>(windowSize.y) * 0.25f + 195.0f;
    const float startWidth = aspectWidth(startSize, 100.0f);
    rects.startShown = true;
    rects.start = {centreX - startWidth / 2.0f, rowY - 50.0f, startWidth, 100.0f};
    if (hasArea(quitSize)) {
        const float width = aspectWidth(quitSize, 70.0f);
        const float x = (centreX - startWidth / 2.0f) - width / 2.0f - 20.0f;
        rects.quitShown = true;
        rects.quit = {x - width / 2.0f, rowY - 35.0f, width, 70.0f};
    }
    if (hasArea(highScoreSize)) {
        const float width = aspectWidth(highScoreSize, 70.0f);
        const float x = centreX + startWidth / 2.0f + width / 2.0f + 20.0f;
        rects.highScoreShown = true;
        rects.highScore = {x - width / 2.0f, rowY - 35.0f, width, 70.0f};
    }
    return rects;
}

// ---------------------------------------------------------------- hit tests

int UIRenderer::getButtonAt(sf::Vector2f point, GameState state) const {
    switch (state) {
    case Menu:
        return firstHit(point, {{&startButtonRect, 1},
                                {&quitButtonRect, 2},
                                {&highScoreButtonRect, 3},
                                {&menuLoginButtonRect, 4}});
    case LevelSelect:
        return firstHit(point, {{&levelSelectLoginButtonRect, 6}});
    case Playing:
        return firstHit(point, {{&hudLoginButtonRect, 5}});
    case LevelComplete:
        return firstHit(point, {{&levelCompleteLoginButtonRect, 12}});
    case Login:
        // The slots of the view not shown still hold old rectangles (the
        // Sign Out area overlaps the password field), so only the shown
        // view's elements may answer.
        if (game.stateManager.isLoggedIn) {
            return firstHit(point, {{&signOutButtonRect, 9}});
        }
        return firstHit(point, {{&loginButtonRect, 7},
                                {&signUpButtonRect, 8},
                                {&usernameFieldRect, 10},
                                {&passwordFieldRect, 11}});
    default:
        return 0;
    }
}

sf::FloatRect UIRenderer::pauseEntryHitBox(int index) const {
    const char* entry = pauseEntryText(index);
    if (entry == nullptr) {
        return {};
    }
    const float width = measureTextWidth(entry, PAUSE_TEXT_SIZE);
    return {PAUSE_CENTRE_X - width * 0.5f, PAUSE_TOP + PAUSE_STEP * static_cast<float>(index),
            width, static_cast<float>(PAUSE_TEXT_SIZE)};
}

// ---------------------------------------------------------------- loading, menu

void UIRenderer::drawLoadingScreen(GameState state, float progress, float titleY) {
    if (state != Loading) {
        return;
    }
    window().setView(window().getDefaultView());
    const sf::Vector2f size = windowSize();
    renderer.drawBackground(texture("loading_bg"));
    renderer.drawText("VOLLARIN", {size.x * 0.5f - 330.0f, titleY}, 100, TITLE_BROWN, true);
    const float birdX = (size.x - 200.0f) * progress + 100.0f;
    renderer.drawSprite(texture("bird_red"), {birdX, size.y * 0.5f}, 50.0f, 50.0f, 0.0f,
                        sf::Color::White);
    renderer.drawText("Loading...", {size.x * 0.5f - 60.0f, size.y * 0.5f + 45.0f}, 24,
                      sf::Color::White);
}

void UIRenderer::drawMenu(GameState state, bool loggedIn, const std::string& username) {
    if (state != Menu) {
        return;
    }
    const ScopedView view(window(), windowView());
    renderer.drawBackground(texture("loading_bg"));
    drawMenuTitle();
    drawMenuButtons();
    drawLoginButton(loggedIn, username, menuLoginButtonRect, cornerButtonCentre(windowSize()));
}

void UIRenderer::drawMenuTitle() {
    const sf::Vector2f size = windowSize();
    // Drawn through the font object even when it failed to load: it then
    // simply shows nothing.
    const sf::FloatRect bounds = setUpText("VOLLARIN", renderer.getTitleFont(), 100, TITLE_BROWN);
    text.setOrigin(bounds.width * 0.5f, bounds.height * 0.5f);
    text.setPosition(size.x * 0.5f, size.y * 0.25f + bounds.height * 0.5f);
    window().draw(text);
}

void UIRenderer::drawMenuButtons() {
    const sf::Texture* start = texture("start_button");
    const sf::Texture* quit = texture("button_quit");
    const sf::Texture* highScore = texture("button_highscore");
    const MenuButtonRects rects =
        menuButtonRects(window().getSize(), sizeOf(start), sizeOf(quit), sizeOf(highScore));
    if (rects.startShown) {
        drawImageButton(start, rects.start, startButtonRect);
    }
    if (rects.quitShown) {
        drawImageButton(quit, rects.quit, quitButtonRect);
    }
    if (rects.highScoreShown) {
        drawImageButton(highScore, rects.highScore, highScoreButtonRect);
    }
}

void UIRenderer::drawLoginButton(bool loggedIn, const std::string& username, sf::FloatRect& slot,
                                 sf::Vector2f centre) {
    const sf::Texture* icon = texture("button_login");
    if (icon == nullptr) {
        return;
    }
    const float iconWidth = aspectWidth(icon->getSize(), 50.0f);
    const sf::FloatRect label = setUpText(loggedIn ? username : std::string("Login/Sign Up"),
                                          renderer.getFont(), 20, sf::Color::White);
    const float boxWidth = std::max(label.width, iconWidth);
    const float boxHeight = label.height + 50.0f + 10.0f;
    renderer.drawSprite(icon, {centre.x, centre.y - label.height * 0.5f - 5.0f}, iconWidth, 50.0f,
                        0.0f, sf::Color::White);
    text.setOrigin(label.width * 0.5f, label.height * 0.5f);
    text.setPosition(centre.x, centre.y + 30.0f);
    window().draw(text);
    slot = {centre.x - boxWidth / 2.0f, centre.y - boxHeight / 2.0f, boxWidth, boxHeight};
}

// ---------------------------------------------------------------- HUD

void UIRenderer::drawHUD(GameState state, const sf::View& /*gameView*/, int score, int levelIndex,
                         int levelCount, float messageTimer, const std::string& message,
                         const Bird* currentBird, bool loggedIn, const std::string& username) {
    if (state != Playing && state != Paused) {
        return;
    }
    // Screen coordinates: the HUD stays put while the camera scrolls.
    const ScopedView view(window(), window().getDefaultView());
    drawHudTexts(score, levelIndex, levelCount, messageTimer, message, currentBird);
    renderer.drawText("<< Levels", {20.0f, 50.0f}, 18, sf::Color::White);
    startButtonRect = {20.0f, 50.0f, 100.0f, 25.0f};
    drawLoginButton(loggedIn, username, hudLoginButtonRect, cornerButtonCentre(windowSize()));
}

void UIRenderer::drawHudTexts(int score, int levelIndex, int levelCount, float messageTimer,
                              const std::string& message, const Bird* currentBird) {
    const sf::Vector2f size = windowSize();
    renderer.drawText("Score: " + std::to_string(score), {size.x - 150.0f, 20.0f}, 24,
                      sf::Color::Yellow);
    renderer.drawText("Level: " + std::to_string(levelIndex + 1) + "/" + std::to_string(levelCount),
                      {size.x - 150.0f, 50.0f}, 18, sf::Color::White);
    if (messageTimer > 0.0f) {
        renderer.drawText(message, {size.x * 0.5f - 150.0f, 20.0f}, 30, bannerColor(message));
    }
    renderer.drawText("Drag to aim | Click for special | ESC=Pause", {20.0f, size.y - 40.0f}, 14,
                      sf::Color::White);
    if (currentBird != nullptr) {
        renderer.drawText("Active: " + activeBirdLabel(*currentBird), {20.0f, 20.0f}, 18,
                          sf::Color::Cyan);
    }
}

// ---------------------------------------------------------------- level select

void UIRenderer::drawLevelSelect(GameState state, int selectedLevel,
                                 const std::vector<std::string>& levelFiles, bool loggedIn,
                                 const std::string& username) {
    if (state != LevelSelect) {
        return;
    }
    const ScopedView view(window(), windowView());
    renderer.drawBackground(texture("level_list_bg"));
    const LevelSelectLayout layout(window().getSize(), static_cast<int>(levelFiles.size()));
    drawPanel(layout.panelPosition, layout.panelSize, DARK_PANEL, PANEL_OUTLINE, 2.0f);
    renderer.drawCenteredText("SELECT LEVEL", layout.titlePosition(), 40, TAN);
    drawLevelCells(layout, selectedLevel);
    renderer.drawCenteredText("Use UP/DOWN/LEFT/RIGHT, ENTER to select", layout.moveHintPosition(),
                              16, HINT_GREY);
    renderer.drawCenteredText("Press ESC to go back", layout.backHintPosition(), 16, HINT_GREY);
    drawLoginButton(loggedIn, username, levelSelectLoginButtonRect,
                    cornerButtonCentre(windowSize()));
}

void UIRenderer::drawLevelCells(const LevelSelectLayout& layout, int selectedLevel) {
    for (int i = 0; i < layout.levelCount; ++i) {
        const bool selected = i == selectedLevel;
        const sf::Vector2f centre = layout.cellCentre(i);
        renderer.drawRect(centre, LevelSelectLayout::CELL_WIDTH, LevelSelectLayout::CELL_HEIGHT,
                          selected ? sf::Color::Yellow : sf::Color(100, 100, 100, 255));
        renderer.drawCenteredText(std::to_string(i + 1), {centre.x, centre.y - 14.0f}, 28,
                                  selected ? sf::Color::Black : sf::Color::White);
    }
}

// ---------------------------------------------------------------- pause

void UIRenderer::drawPauseMenu(GameState state, int selected) {
    if (state != Paused) {
        return;
    }
    const ScopedView view(window(), window().getDefaultView());
    renderer.drawRect({400.0f, 300.0f}, 800.0f, 600.0f, VEIL);
    renderer.drawText("PAUSED", {400.0f, 150.0f}, 40, sf::Color::White, true);
    drawPauseEntries(selected);
    renderer.drawText("Press ESC to resume", {400.0f, 450.0f}, 16, DIM_GREY);
}

void UIRenderer::drawPauseEntries(int selected) {
    for (int i = 0; i < PAUSE_ENTRY_COUNT; ++i) {
        const bool isSelected = i == selected;
        // The prefix is measured with the entry, so the selected one shifts
        // left a little; clicks use the entry without prefix.
        const std::string label = (isSelected ? "> " : "  ") + std::string(pauseEntryText(i));
        const float width = measureTextWidth(label, PAUSE_TEXT_SIZE);
        renderer.drawText(
            label, {PAUSE_CENTRE_X - width * 0.5f, PAUSE_TOP + PAUSE_STEP * static_cast<float>(i)},
            PAUSE_TEXT_SIZE, isSelected ? sf::Color::Yellow : sf::Color::White);
    }
}

// ---------------------------------------------------------------- login

void UIRenderer::drawLoginScreen(GameState state, bool loggedIn,
                                 const std::string& loggedInUsername,
                                 const std::string& usernameInput, const std::string& passwordInput,
                                 bool cursorVisible, int loginFocus) {
    if (state != Login) {
        return;
    }
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    renderer.drawRect(size * 0.5f, size.x, size.y, VEIL);
    const float y = size.y / 2.0f - 200.0f;
    if (loggedIn) {
        drawSignedInView(y, loggedInUsername);
    } else {
        drawSignedOutView(y, usernameInput, passwordInput, cursorVisible, loginFocus);
    }
    drawMiddledText("Press ESC to resume", renderer.getFont(), 16, DIM_GREY,
                    {size.x / 2.0f, size.y - 50.0f});
}

void UIRenderer::drawSignedInView(float y, const std::string& username) {
    const float cx = windowSize().x / 2.0f;
    drawMiddledText("LOGGED IN", renderer.getTitleFont(), 60, sf::Color::White, {cx, y});
    y += 100.0f;
    drawMiddledText("You are logged in as:", renderer.getFont(), 24, sf::Color::White, {cx, y});
    y += 40.0f;
    drawMiddledText(username, renderer.getFont(), 32, sf::Color::Cyan, {cx, y});
    y += 100.0f;
    drawLoginScreenButton(signOutButtonRect, {cx, y}, {200.0f, 50.0f}, sf::Color(150, 0, 0, 200),
                          "Sign Out");
}

void UIRenderer::drawSignedOutView(float y, const std::string& usernameInput,
                                   const std::string& passwordInput, bool cursorVisible,
                                   int loginFocus) {
    const float cx = windowSize().x / 2.0f;
    drawMiddledText("LOGIN or SIGN UP", renderer.getTitleFont(), 60, sf::Color::White, {cx, y});
    y += 150.0f;
    const float usernameY = y;
    drawLoginField(usernameFieldRect, usernameY, usernameInput, "Username");
    y += 70.0f;
    const float passwordY = y;
    // Only asterisks ever reach the screen.
    const std::string maskedPassword = maskPassword(passwordInput);
    drawLoginField(passwordFieldRect, passwordY, maskedPassword, "Password");
    if (cursorVisible && loginFocus == 1) {
        drawTextCursor(usernameY, usernameInput);
    } else if (cursorVisible && loginFocus == 2) {
        drawTextCursor(passwordY, maskedPassword);
    }
    y += 100.0f;
    drawLoginScreenButton(loginButtonRect, {cx - 100.0f, y}, {150.0f, 50.0f},
                          sf::Color(0, 150, 0, 200), "Login");
    drawLoginScreenButton(signUpButtonRect, {cx + 100.0f, y}, {150.0f, 50.0f},
                          sf::Color(0, 0, 150, 200), "Sign Up");
}

void UIRenderer::drawLoginField(sf::FloatRect& slot, float y, const std::string& shown,
                                const char* placeholder) {
    const sf::Vector2f centre(windowSize().x / 2.0f, y);
    slot = drawCentredBox(centre, {400.0f, 50.0f}, FIELD_FILL, sf::Color::White, 1.0f);
    if (shown.empty()) {
        drawMiddledText(placeholder, renderer.getFont(), 24, DIM_GREY, centre);
    } else {
        drawMiddledText(shown, renderer.getFont(), 24, sf::Color::White, centre);
    }
}

void UIRenderer::drawTextCursor(float fieldCentreY, const std::string& shown) {
    const float cx = windowSize().x / 2.0f;
    const float width = shown.empty() ? 0.0f : measureTextWidth(shown, 24);
    // 2 x 24 bar whose top-left corner is 2 px right of the text's end.
    renderer.drawRect({cx + width / 2.0f + 2.0f + 1.0f, fieldCentreY}, 2.0f, 24.0f,
                      sf::Color::White);
}

void UIRenderer::drawLoginScreenButton(sf::FloatRect& slot, sf::Vector2f centre, sf::Vector2f size,
                                       sf::Color fill, const char* label) {
    slot = drawCentredBox(centre, size, fill, sf::Color::White, 1.0f);
    drawMiddledText(label, renderer.getFont(), 24, sf::Color::White, centre);
}

// ---------------------------------------------------------------- level complete

void UIRenderer::drawLevelComplete(GameState state, int /*levelIndex*/, int stars, int levelScore,
                                   int totalScore, int totalBirds, int unlaunchedBirds,
                                   bool loggedIn, const std::string& username,
                                   const std::vector<HighScore>& scores) {
    if (state != LevelComplete) {
        return;
    }
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    renderer.drawBackground(texture("level_list_bg"));
    renderer.drawText("LEVEL COMPLETE", {size.x / 2.5f, 80.0f}, 48, TITLE_BROWN, true);
    const sf::Vector2f panel((size.x - 80.0f) / 2.0f - 40.0f, size.y - 300.0f);
    const sf::Color fill(60, 80, 60, 180);
    const sf::Color outline(100, 140, 100, 200);
    drawPanel({60.0f, 140.0f}, panel, fill, outline, 2.0f);
    drawPanel({size.x / 2.0f + 20.0f, 140.0f}, panel, fill, outline, 2.0f);
    drawRunSummary(stars, levelScore, totalScore, totalBirds, unlaunchedBirds);
    drawLevelCompleteButtons();
    drawLevelCompleteScores(scores);
    drawLoginButton(loggedIn, username, levelCompleteLoginButtonRect, {160.0f, 70.0f});
}

void UIRenderer::drawRunSummary(int stars, int levelScore, int totalScore, int totalBirds,
                                int unlaunchedBirds) {
    const float columnCentre = (windowSize().x - 80.0f) / 4.0f + 40.0f;
    for (int i = 1; i <= 3; ++i) {
        renderer.drawStar({columnCentre + 60.0f * static_cast<float>(i - 2), 240.0f}, 28.0f,
                          stars >= i ? GOLD : STAR_GREY, 5);
    }
    const std::string birdsUsed =
        std::to_string(totalBirds - unlaunchedBirds) + "/" + std::to_string(totalBirds);
    const std::array<std::pair<const char*, std::string>, 3> rows{{
        {"Level Score:", std::to_string(levelScore)},
        {"Total Score:", std::to_string(totalScore)},
        {"Birds Used:", birdsUsed},
    }};
    float y = 320.0f;
    for (const auto& [label, value] : rows) {
        renderer.drawText(label, {columnCentre - 120.0f, y}, 30, sf::Color::White);
        renderer.drawText(value, {columnCentre + 100.0f, y}, 30, sf::Color::White);
        y += 50.0f;
    }
}

void UIRenderer::drawLevelCompleteButtons() {
    const sf::Vector2f size = windowSize();
    const float y = size.y - 90.0f;
    const float restartX = size.x / 2.0f - 80.0f;
    const float nextX = size.x / 2.0f + 80.0f;
    drawImageButton(texture("restart_button"), {restartX - 50.0f, y - 50.0f, 100.0f, 100.0f},
                    retryButtonRect);
    drawImageButton(texture("next_button"), {nextX - 50.0f, y - 50.0f, 100.0f, 100.0f},
                    nextLevelButtonRect);
}

void UIRenderer::drawLevelCompleteScores(const std::vector<HighScore>& scores) {
    const sf::Vector2f size = windowSize();
    const float panelWidth = (size.x - 80.0f) / 2.0f - 40.0f;
    const float anchorX = size.x / 2.0f + 20.0f + panelWidth / 2.5f;
    renderer.drawText("HIGH SCORES", {anchorX, 170.0f}, 36, GOLD, true);
    if (scores.empty()) {
        renderer.drawText("No scores yet!", {anchorX, 290.0f}, 24, DIM_GREY, true);
        return;
    }
    const int rowCount = levelCompleteRowCount(size.y);
    const float step = (size.y - 410.0f) / static_cast<float>(rowCount + 1);
    const int shown = std::min(rowCount, static_cast<int>(scores.size()));
    for (int rank = 1; rank <= shown; ++rank) {
        const HighScore& entry = scores[static_cast<std::size_t>(rank - 1)];
        const float y = 230.0f + step * static_cast<float>(rank - 1);
        const sf::Color color = rank <= 3 ? GOLD : sf::Color::White;
        renderer.drawText(std::to_string(rank) + ".", {anchorX - 160.0f, y}, 26, color);
        renderer.drawText(shortenScoreName(entry.name), {anchorX - 120.0f, y}, 26, color);
        renderer.drawText(std::to_string(entry.score), {anchorX + 110.0f, y}, 26, color);
    }
}

// ---------------------------------------------------------------- high scores

void UIRenderer::drawHighScores(GameState state, int levelIndex, int /*levelCount*/,
                                const std::vector<HighScore>& scores) {
    if (state != HighScores) {
        return;
    }
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    renderer.drawBackground(texture("level_list_bg"));
    const sf::Vector2f topLeft((size.x - 450.0f) / 2.0f, (size.y - 480.0f) / 2.0f);
    drawPanel(topLeft, {450.0f, 480.0f}, DARK_PANEL, PANEL_OUTLINE, 2.0f);
    const float centreX = topLeft.x + 225.0f;
    const float top = topLeft.y;
    renderer.drawCenteredText("HIGH SCORES", {centreX, top + 25.0f}, 36, sf::Color::Yellow);
    renderer.drawCenteredText("< Level " + std::to_string(levelIndex + 1) + " >",
                              {centreX, top + 75.0f}, 26, sf::Color::Cyan);
    drawHighScoreRows(centreX, top, scores);
    renderer.drawCenteredText("LEFT/RIGHT to change level", {centreX, top + 425.0f}, 16, HINT_GREY);
    renderer.drawCenteredText("ESC/ENTER to go back", {centreX, top + 450.0f}, 16, HINT_GREY);
}

void UIRenderer::drawHighScoreRows(float centreX, float top, const std::vector<HighScore>& scores) {
    if (scores.empty()) {
        renderer.drawCenteredText("No scores yet!", {centreX, top + 130.0f}, 22, DIM_GREY);
        return;
    }
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const int rank = static_cast<int>(i) + 1;
        const std::string row =
            std::to_string(rank) + ". " + scores[i].name + " - " + std::to_string(scores[i].score);
        renderer.drawCenteredText(row, {centreX, top + 130.0f + 36.0f * static_cast<float>(i)}, 22,
                                  rankColor(rank));
    }
}

// ---------------------------------------------------------------- nickname

void UIRenderer::drawNicknameEntry(GameState state, int stars, int levelScore,
                                   const std::string& nickname) {
    if (state != EnterNickname) {
        return;
    }
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    renderer.drawRect(size * 0.5f, size.x, size.y, VEIL);
    const sf::Color panelColor(198, 221, 188, 100);
    drawPanel({size.x / 2.0f - 250.0f, size.y / 2.0f - 400.0f}, {500.0f, 800.0f}, panelColor,
              panelColor, 2.0f);
    drawNicknameForm(stars, levelScore, nickname);
}

void UIRenderer::drawNicknameForm(int stars, int levelScore, const std::string& nickname) {
    const sf::Vector2f size = windowSize();
    const float cx = size.x / 2.0f;
    const float top = size.y / 2.0f - 165.0f;
    const float titleHeight =
        drawTextBelow("NEW HIGH SCORE", renderer.getTitleFont(), 40, TAN, {cx, top});
    const float starsY = top + titleHeight + 25.0f;
    for (int i = 0; i < 3; ++i) {
        renderer.drawStar({cx + 60.0f * static_cast<float>(i - 1), starsY}, 25.0f,
                          i < stars ? GOLD : STAR_GREY, 5);
    }
    const float scoreTop = starsY + 65.0f;
    const float scoreHeight = drawTextBelow(std::to_string(levelScore), renderer.getFont(), 32,
                                            sf::Color::White, {cx, scoreTop});
    const float labelTop = scoreTop + scoreHeight + 15.0f;
    const float labelHeight = drawTextBelow("Enter your nickname:", renderer.getFont(), 24,
                                            sf::Color::White, {cx, labelTop});
    const float boxTop = labelTop + labelHeight + 15.0f;
    drawCentredBox({cx, boxTop + 25.0f}, {300.0f, 50.0f}, FIELD_FILL, sf::Color::White, 1.0f);
    drawMiddledText(nickname + "_", renderer.getFont(), 32, sf::Color::Cyan, {cx, boxTop + 25.0f});
    const float hintTop = boxTop + 65.0f;
    const float hintHeight = drawTextBelow("Type your name (max 10 chars) and press ENTER",
                                           renderer.getFont(), 16, DIM_GREY, {cx, hintTop});
    drawTextBelow("Press ESC to skip", renderer.getFont(), 16, DIM_GREY,
                  {cx, hintTop + hintHeight + 15.0f});
}
