#include "ui/UIRenderer.h"

#include "assets/Renderer.h"
#include "assets/ResourceManager.h"
#include "online/HighScoreTable.h"
#include "ui/LevelSelectLayout.h"
#include "ui/LoginForm.h"
#include "ui/UiScale.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

namespace {
const sf::Color TITLE_BROWN(139, 69, 19, 255);
const sf::Color TAN(222, 184, 135, 255);
const sf::Color GOLD(255, 215, 0, 255);
const sf::Color SILVER(192, 192, 192, 255);
const sf::Color BRONZE(205, 127, 50, 255);
const sf::Color STAR_GREY(80, 80, 80, 255);
const sf::Color STAR_RIM(40, 30, 10, 255);
const sf::Color CELL_STAR_EMPTY(150, 150, 150, 255);
const sf::Color CELL_STAR_ON_CURSOR(200, 90, 0, 255);
const sf::Color DIM_GREY(150, 150, 150, 255);
const sf::Color HINT_GREY(180, 180, 180, 255);
const sf::Color LOCKED_CELL(55, 55, 60, 255);
const sf::Color ERROR_RED(255, 120, 120, 255);
const sf::Color VEIL(0, 0, 0, 150);
// The tick beside a score the backend verified by playing its replay.
const sf::Color VERIFIED_GREEN(90, 220, 110, 255);
const sf::Color DARK_PANEL(0, 0, 0, 180);
const sf::Color PANEL_OUTLINE(100, 100, 100, 200);
const sf::Color FIELD_FILL(0, 0, 0, 100);
const sf::Color NICKNAME_SELECTION(40, 90, 170, 255);
// The game's own banners ("Game Over! Restarting..."): a bird's special
// takes its kind's colour instead.
const sf::Color PLAIN_BANNER(255, 255, 0, 255);

// Indexed by PauseLayout::Entry.
constexpr std::array<const char*, UIRenderer::PAUSE_ENTRY_COUNT> PAUSE_ENTRIES{
    "Resume", "Start Over", "Options", "Quit to Menu"};

// Distance kept between anything drawn and the window's edges.
constexpr float EDGE_MARGIN = 20.0f;
// Between a menu button and the frame that marks it selected.
constexpr float SELECTION_MARGIN = 6.0f;
const sf::Vector2f OPTIONS_BUTTON_SIZE(140.0f, 50.0f);
// Inner padding of panels and input boxes, between their edge and their text.
constexpr float PANEL_PADDING = 30.0f;
constexpr float FIELD_PADDING = 12.0f;
// The login button's label is cut to this width, so that a long name keeps
// the button in its corner.
constexpr float LOGIN_LABEL_MAX_WIDTH = 200.0f;
// Letters that reach from the top of a line to the bottom of its descenders:
// typed lines are placed by these, so they do not jump as letters come in.
const char* const LINE_REFERENCE = "Hg";
constexpr int HIGH_SCORE_ROWS = 10;
// This computer's list shows what the local table keeps for a level.
constexpr std::size_t LOCAL_ROWS = HighScoreTable::MAX_ENTRIES_PER_LEVEL;
// The high-score screen's panel: two columns of lists and the hints below.
const sf::Vector2f HIGH_SCORES_PANEL(880.0f, 530.0f);
constexpr float HIGH_SCORES_ROW_STEP = 30.0f;
// The level-complete screen: where the list's rows begin, and the smaller
// rows used when this computer's list shares the panel with the online one.
constexpr float ROWS_TOP = 230.0f;
constexpr float STACKED_ROW_STEP = 30.0f;
constexpr unsigned int STACKED_ROW_SIZE = 22;
constexpr float STACKED_SECTION_GAP = 14.0f;
constexpr float LOCAL_HEADING_HEIGHT = 38.0f;
// Below the run's three rows in the left panel.
constexpr float NEW_BEST_TOP = 478.0f;

TextStyle plain(unsigned int size, sf::Color color, bool titleFont = false) {
    return TextStyle{size, color, titleFont};
}

// Text that lies over pictures and the playing field: a dark outline keeps it
// readable on any colour behind it.
TextStyle outlined(unsigned int size, sf::Color color, bool titleFont = false) {
    TextStyle style{size, color, titleFont};
    style.outlineThickness = size >= 18 ? 2.0f : 1.0f;
    style.outlineColor = sf::Color::Black;
    return style;
}

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

// Which slot each button id reads, indexed by ButtonId (NoButton reads none).
const std::array<sf::FloatRect UIRenderer::*, MenuOptionsButton + 1> BUTTON_SLOTS{
    nullptr,
    &UIRenderer::startButtonRect,
    &UIRenderer::quitButtonRect,
    &UIRenderer::highScoreButtonRect,
    &UIRenderer::menuLoginButtonRect,
    &UIRenderer::hudLoginButtonRect,
    &UIRenderer::levelSelectLoginButtonRect,
    &UIRenderer::loginButtonRect,
    &UIRenderer::signUpButtonRect,
    &UIRenderer::signOutButtonRect,
    &UIRenderer::usernameFieldRect,
    &UIRenderer::passwordFieldRect,
    &UIRenderer::levelCompleteLoginButtonRect,
    &UIRenderer::menuEditorButtonRect,
    &UIRenderer::menuOptionsButtonRect,
};

// The buttons each screen offers, in the order they are hit-tested; Login's
// depend on its view (LoginForm::buttons).
const std::vector<ButtonId>& screenButtons(GameState state, bool loginSignedIn) {
    static const std::vector<ButtonId> none;
    static const std::vector<ButtonId> menu{StartButton,     QuitButton,       HighScoreButton,
                                            MenuLoginButton, MenuEditorButton, MenuOptionsButton};
    static const std::vector<ButtonId> levelSelect{LevelSelectLoginButton};
    static const std::vector<ButtonId> playing{HudLoginButton};
    static const std::vector<ButtonId> levelComplete{LevelCompleteLoginButton};
    switch (state) {
    case Menu:
        return menu;
    case LevelSelect:
        return levelSelect;
    case Playing:
        return playing;
    case LevelComplete:
        return levelComplete;
    case Login:
        return LoginForm::buttons(loginSignedIn);
    default:
        return none;
    }
}

// The one check at the top of every screen's drawing: a screen draws only in
// its own states.
bool drawsIn(GameState state, std::initializer_list<GameState> own) {
    return std::find(own.begin(), own.end(), state) != own.end();
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

// The bytes after the first of a UTF-8 character.
bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

void dropLastCharacter(std::string& text) {
    while (!text.empty() && isContinuationByte(text.back())) {
        text.pop_back();
    }
    if (!text.empty()) {
        text.pop_back();
    }
}

float right(const sf::FloatRect& rect) {
    return rect.left + rect.width;
}

float bottom(const sf::FloatRect& rect) {
    return rect.top + rect.height;
}
} // namespace

UIRenderer::UIRenderer(Renderer& renderer, ResourceManager& resources)
    : renderer(renderer), resources(resources) {}

// ---------------------------------------------------------------- helpers

sf::RenderWindow& UIRenderer::window() const {
    return renderer.getWindow();
}

sf::Vector2u UIRenderer::layoutSize() const {
    return UiScale(uiScalePercent, window().getSize()).layoutSize();
}

sf::Vector2f UIRenderer::windowSize() const {
    const sf::Vector2u size = layoutSize();
    return {static_cast<float>(size.x), static_cast<float>(size.y)};
}

sf::View UIRenderer::windowView() const {
    const sf::Vector2f size = windowSize();
    return sf::View(sf::FloatRect(0.0f, 0.0f, size.x, size.y));
}

const sf::Texture* UIRenderer::texture(const char* key) const {
    return resources.getTexture(key);
}

float UIRenderer::textWidth(const std::string& string, const TextStyle& style) const {
    return renderer.measureText(string, style).width;
}

std::string UIRenderer::fitText(const std::string& string, const TextStyle& style,
                                float maxWidth) const {
    if (textWidth(string, style) <= maxWidth) {
        return string;
    }
    // Drop letters from the end until the rest and ".." fit; a letter of
    // several UTF-8 bytes goes whole.
    std::string kept = string;
    while (!kept.empty() && textWidth(kept + "..", style) > maxWidth) {
        dropLastCharacter(kept);
    }
    return kept + "..";
}

std::string UIRenderer::fitTail(const std::string& string, const TextStyle& style,
                                float maxWidth) const {
    // What is being typed stays in view: the start scrolls out instead.
    std::size_t start = 0;
    while (start < string.size() && textWidth(string.substr(start), style) > maxWidth) {
        ++start;
        while (start < string.size() && isContinuationByte(string[start])) {
            ++start;
        }
    }
    return string.substr(start);
}

sf::FloatRect UIRenderer::drawBoxCenteredOn(sf::Vector2f position, sf::Vector2f size,
                                            sf::Color fill, sf::Color outline,
                                            float outlineThickness) {
    return renderer.drawBox({position - size * 0.5f, size}, fill, outline, outlineThickness);
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

sf::Color UIRenderer::bannerColor(std::optional<BirdKind> kind) {
    return kind ? birdKindInfo(*kind).bannerColor : PLAIN_BANNER;
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
    // Counted in letters, not bytes: a name from the server may be UTF-8.
    std::size_t letters = 0;
    std::size_t twelfthEnd = name.size();
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (isContinuationByte(name[i])) {
            continue;
        }
        ++letters;
        if (letters == 13) {
            twelfthEnd = i;
        }
    }
    if (letters > 14) {
        return name.substr(0, twelfthEnd) + "..";
    }
    return name;
}

std::string UIRenderer::maskPassword(const std::string& password) {
    return std::string(password.size(), '*');
}

MenuButtonRects UIRenderer::menuButtonRects(sf::Vector2u windowSize, sf::Vector2u startSize,
                                            sf::Vector2u quitSize, sf::Vector2u highScoreSize) {
    MenuButtonRects rects;
    const float centreX = static_cast<float>(windowSize.x) * 0.5f;
    const float rowY = static_cast<float>(windowSize.y) * 0.25f + 195.0f;
    // Under the start button's place, with room to breathe.
    rects.starTally = {centreX, rowY + 50.0f + 30.0f};
    if (!hasArea(startSize)) {
        return rects; // the side buttons are placed against the start button
    }
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
    for (const ButtonId button : screenButtons(state, loginShowsSignedIn)) {
        if (buttonSlot(button).contains(point)) {
            return button;
        }
    }
    return NoButton;
}

const sf::FloatRect& UIRenderer::buttonSlot(ButtonId button) const {
    static const sf::FloatRect nothing;
    const auto index = static_cast<std::size_t>(button);
    if (index >= BUTTON_SLOTS.size() || BUTTON_SLOTS[index] == nullptr) {
        return nothing;
    }
    return this->*BUTTON_SLOTS[index];
}

sf::FloatRect UIRenderer::pauseEntryHitBox(int index) const {
    const char* entry = pauseEntryText(index);
    if (entry == nullptr) {
        return {};
    }
    const sf::FloatRect ink =
        renderer.measureText(entry, TextStyle{PauseLayout::ENTRY_SIZE, sf::Color::White});
    return PauseLayout(layoutSize()).entryRect(index, {ink.width, ink.height});
}

// ---------------------------------------------------------------- loading, menu

void UIRenderer::drawLoadingScreen(GameState state, float progress, float titleY) {
    if (!drawsIn(state, {Loading})) {
        return;
    }
    // Left set afterwards: nothing else is drawn while loading.
    window().setView(windowView());
    const sf::Vector2f size = windowSize();
    renderer.drawBackground(texture("loading_bg"));
    renderer.drawTextAt("VOLLARIN", {size.x * 0.5f, titleY}, TextAnchor::TopCentre,
                        plain(100, TITLE_BROWN, true));
    const float birdX = (size.x - 200.0f) * progress + 100.0f;
    renderer.drawSprite(texture("bird_red"), {birdX, size.y * 0.5f}, 50.0f, 50.0f, 0.0f,
                        sf::Color::White);
    renderer.drawTextAt("Loading...", {size.x * 0.5f, size.y * 0.5f + 45.0f}, TextAnchor::TopCentre,
                        plain(24, sf::Color::White));
}

void UIRenderer::drawMenu(GameState state, bool loggedIn, const std::string& username,
                          int starsEarned, int starsPossible, ButtonId selected) {
    if (!drawsIn(state, {Menu})) {
        return;
    }
    const ScopedView view(window(), windowView());
    renderer.drawBackground(texture("loading_bg"));
    const sf::Vector2f size = windowSize();
    renderer.drawTextAt("VOLLARIN", {size.x * 0.5f, size.y * 0.25f}, TextAnchor::TopCentre,
                        plain(100, TITLE_BROWN, true));
    const MenuButtonRects rects = drawMenuButtons();
    if (starsPossible > 0) {
        renderer.drawTextAt(starTallyText(starsEarned, starsPossible), rects.starTally,
                            TextAnchor::TopCentre, outlined(32, GOLD));
    }
    drawLoginButton(loggedIn, username, menuLoginButtonRect, cornerButtonCentre(size));
    // In the corner across from the login button.
    const sf::Vector2f optionsCentre(EDGE_MARGIN + OPTIONS_BUTTON_SIZE.x / 2.0f,
                                     cornerButtonCentre(size).y);
    menuOptionsButtonRect = drawBoxCenteredOn(optionsCentre, OPTIONS_BUTTON_SIZE,
                                              sf::Color(40, 40, 60, 200), sf::Color::White, 1.0f);
    renderer.drawTextAt("Options", optionsCentre, TextAnchor::Centre,
                        outlined(24, sf::Color::White));
    // The editor's way in, beside the options.
    const sf::Vector2f editorSize(150.0f, OPTIONS_BUTTON_SIZE.y);
    const sf::Vector2f editorCentre(menuOptionsButtonRect.left + menuOptionsButtonRect.width +
                                        EDGE_MARGIN + editorSize.x / 2.0f,
                                    optionsCentre.y);
    menuEditorButtonRect = drawBoxCenteredOn(editorCentre, editorSize, sf::Color(40, 44, 60, 220),
                                             sf::Color::White, 1.0f);
    renderer.drawTextAt("Editor (E)", editorCentre, TextAnchor::Centre,
                        outlined(22, sf::Color::White));
    const sf::FloatRect chosen = buttonSlot(selected);
    if (chosen.width > 0.0f && chosen.height > 0.0f) {
        renderer.drawBox({chosen.left - SELECTION_MARGIN, chosen.top - SELECTION_MARGIN,
                          chosen.width + 2.0f * SELECTION_MARGIN,
                          chosen.height + 2.0f * SELECTION_MARGIN},
                         sf::Color::Transparent, sf::Color::Yellow, 3.0f);
    }
}

std::string UIRenderer::starTallyText(int earned, int possible) {
    return "\u2605 " + std::to_string(earned) + " / " + std::to_string(possible);
}

MenuButtonRects UIRenderer::drawMenuButtons() {
    const sf::Texture* start = texture("start_button");
    const sf::Texture* quit = texture("button_quit");
    const sf::Texture* highScore = texture("button_highscore");
    const MenuButtonRects rects =
        menuButtonRects(layoutSize(), sizeOf(start), sizeOf(quit), sizeOf(highScore));
    if (rects.startShown) {
        drawImageButton(start, rects.start, startButtonRect);
    }
    if (rects.quitShown) {
        drawImageButton(quit, rects.quit, quitButtonRect);
    }
    if (rects.highScoreShown) {
        drawImageButton(highScore, rects.highScore, highScoreButtonRect);
    }
    return rects;
}

void UIRenderer::drawLoginButton(bool loggedIn, const std::string& username, sf::FloatRect& slot,
                                 sf::Vector2f centre) {
    const sf::Texture* icon = texture("button_login");
    if (icon == nullptr) {
        return;
    }
    const TextStyle labelStyle = outlined(20, sf::Color::White);
    const std::string label = fitText(loggedIn ? username : std::string("Login/Sign Up"),
                                      labelStyle, LOGIN_LABEL_MAX_WIDTH);
    const sf::FloatRect ink = renderer.measureText(label, labelStyle);
    const float iconWidth = aspectWidth(icon->getSize(), 50.0f);
    const float boxWidth = std::max(ink.width, iconWidth);
    const float boxHeight = ink.height + 50.0f + 10.0f;
    // The whole button stays inside the window, whatever the label's width.
    const sf::Vector2f size = windowSize();
    centre.x = std::max(std::min(centre.x, size.x - EDGE_MARGIN - boxWidth / 2.0f),
                        EDGE_MARGIN + boxWidth / 2.0f);
    centre.y = std::max(std::min(centre.y, size.y - EDGE_MARGIN - boxHeight / 2.0f),
                        EDGE_MARGIN + boxHeight / 2.0f);
    // Icon on top, label under it, 10 px apart, together filling the box.
    renderer.drawSprite(icon, {centre.x, centre.y - ink.height * 0.5f - 5.0f}, iconWidth, 50.0f,
                        0.0f, sf::Color::White);
    renderer.drawTextAt(label, {centre.x, centre.y + 30.0f}, TextAnchor::Centre, labelStyle);
    slot = {centre.x - boxWidth / 2.0f, centre.y - boxHeight / 2.0f, boxWidth, boxHeight};
}

// ---------------------------------------------------------------- muted icon

sf::FloatRect UIRenderer::mutedIconRect(sf::Vector2f windowSize) {
    constexpr float SIDE = 36.0f;
    constexpr float TOP = 80.0f; // below the HUD's score and level lines
    return {windowSize.x - EDGE_MARGIN - SIDE, TOP, SIDE, SIDE};
}

void UIRenderer::drawBusyNote(const std::string& text, float phase) {
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    constexpr int DOTS = 8;
    constexpr float RADIUS = 10.0f;
    constexpr float TURNS_PER_SECOND = 1.0f;
    constexpr float TWO_PI = 6.2831853f;
    const sf::Vector2f centre(size.x * 0.5f - 120.0f, size.y - 70.0f);
    renderer.drawRect({size.x * 0.5f, centre.y}, 300.0f, 36.0f, DARK_PANEL);
    // The brightest dot goes round; the others fade behind it.
    const int lead = static_cast<int>(phase * TURNS_PER_SECOND * DOTS) % DOTS;
    for (int dot = 0; dot < DOTS; ++dot) {
        const float angle = TWO_PI * static_cast<float>(dot) / DOTS;
        const int behind = (lead - dot + DOTS) % DOTS;
        const auto alpha = static_cast<sf::Uint8>(255 - behind * 28);
        renderer.drawCircle(centre + RADIUS * sf::Vector2f(std::cos(angle), std::sin(angle)), 2.5f,
                            sf::Color(255, 255, 255, alpha));
    }
    renderer.drawTextAt(text, {centre.x + 2.0f * RADIUS, centre.y}, TextAnchor::CentreLeft,
                        plain(20, sf::Color::White));
}

void UIRenderer::drawMutedIcon() {
    const ScopedView view(window(), windowView());
    const sf::FloatRect box = mutedIconRect(windowSize());
    constexpr float OUTLINE = 1.0f; // drawn inside the icon's area
    renderer.drawBox({box.left + OUTLINE, box.top + OUTLINE, box.width - 2.0f * OUTLINE,
                      box.height - 2.0f * OUTLINE},
                     sf::Color(0, 0, 0, 150), sf::Color(255, 255, 255, 180), OUTLINE);
    // Drawn on a 36-unit grid inside the box.
    const float unit = box.width / 36.0f;
    auto at = [&](float x, float y) {
        return sf::Vector2f(box.left + x * unit, box.top + y * unit);
    };
    const sf::Color white = sf::Color::White;
    const std::vector<sf::Vertex> speaker{
        // body
        {at(7, 14), white},
        {at(13, 14), white},
        {at(13, 22), white},
        {at(7, 14), white},
        {at(13, 22), white},
        {at(7, 22), white},
        // cone
        {at(13, 14), white},
        {at(20, 8), white},
        {at(20, 28), white},
        {at(13, 14), white},
        {at(20, 28), white},
        {at(13, 22), white},
    };
    renderer.drawTriangles(speaker);
    const sf::Color cross(230, 40, 40);
    renderer.drawLine(at(23, 13.5f), at(32, 22.5f), cross, 2.5f * unit);
    renderer.drawLine(at(23, 22.5f), at(32, 13.5f), cross, 2.5f * unit);
}

// ---------------------------------------------------------------- HUD

void UIRenderer::drawHUD(GameState state, const sf::View& /*gameView*/, int score, int levelIndex,
                         int levelCount, float messageTimer, const std::string& message,
                         const Bird* currentBird, bool loggedIn, const std::string& username,
                         std::optional<BirdKind> messageKind, const std::string& levelName) {
    if (!drawsIn(state, {Playing, Paused})) {
        return;
    }
    // Window pixels: the HUD stays put while the camera scrolls, and follows
    // the window's corners when it is resized.
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    std::vector<sf::FloatRect> topLines;
    topLines.push_back(renderer.drawTextAt("Score: " + std::to_string(score),
                                           {size.x - EDGE_MARGIN, 20.0f}, TextAnchor::TopRight,
                                           outlined(24, sf::Color::Yellow)));
    const TextStyle levelStyle = outlined(18, sf::Color::White);
    // A name takes at most half the width, where the number would be.
    const std::string levelText =
        levelName.empty()
            ? "Level: " + std::to_string(levelIndex + 1) + "/" + std::to_string(levelCount)
            : fitText("Level: " + levelName, levelStyle, size.x * 0.5f);
    topLines.push_back(renderer.drawTextAt(levelText, {size.x - EDGE_MARGIN, 50.0f},
                                           TextAnchor::TopRight, levelStyle));
    if (currentBird != nullptr) {
        topLines.push_back(renderer.drawTextAt("Active: " + activeBirdLabel(*currentBird),
                                               {EDGE_MARGIN, 20.0f}, TextAnchor::TopLeft,
                                               outlined(18, sf::Color::Cyan)));
    }
    topLines.push_back(renderer.drawTextAt("<< Levels", {EDGE_MARGIN, 50.0f}, TextAnchor::TopLeft,
                                           outlined(18, sf::Color::White)));
    startButtonRect = {20.0f, 50.0f, 100.0f, 25.0f};
    if (messageTimer > 0.0f) {
        drawBanner(message, bannerColor(messageKind), topLines);
    }
    renderer.drawTextAt("Drag to aim | Click for special | ESC=Pause",
                        {EDGE_MARGIN, size.y - 30.0f}, TextAnchor::CentreLeft,
                        outlined(14, sf::Color::White));
    drawLoginButton(loggedIn, username, hudLoginButtonRect, cornerButtonCentre(size));
}

void UIRenderer::drawBanner(const std::string& message, sf::Color color,
                            const std::vector<sf::FloatRect>& topLines) {
    // Centred at the top; a banner too wide for the gap between the corner
    // lines goes below them rather than over them.
    const TextStyle style = outlined(30, color);
    const sf::FloatRect ink = renderer.measureText(message, style);
    const float centreX = windowSize().x * 0.5f;
    sf::FloatRect placed(centreX - ink.width / 2.0f, 20.0f, ink.width, ink.height);
    float lowest = 0.0f;
    bool blocked = false;
    for (const sf::FloatRect& line : topLines) {
        lowest = std::max(lowest, bottom(line));
        blocked = blocked || placed.intersects(line);
    }
    if (blocked) {
        placed.top = lowest + 12.0f;
    }
    renderer.drawTextAt(message, {centreX, placed.top}, TextAnchor::TopCentre, style);
}

// ---------------------------------------------------------------- level select

void UIRenderer::drawLevelSelect(GameState state, int selectedLevel,
                                 const std::vector<std::string>& levelFiles, bool loggedIn,
                                 const std::string& username, const std::vector<LevelBest>& bests,
                                 const WorldPage& page) {
    if (!drawsIn(state, {LevelSelect})) {
        return;
    }
    const ScopedView view(window(), windowView());
    renderer.drawBackground(
        texture(page.background.empty() ? "level_list_bg" : page.background.c_str()));
    const LevelSelectLayout layout(layoutSize(), static_cast<int>(levelFiles.size()));
    renderer.drawBox({layout.panelPosition, layout.panelSize}, DARK_PANEL, PANEL_OUTLINE, 2.0f);
    renderer.drawTextAt("SELECT LEVEL", layout.titlePosition(), TextAnchor::TopCentre,
                        plain(40, TAN));
    drawWorldHeader(layout, page);
    drawLevelCells(layout, selectedLevel, page, bests);
    const std::string moveHint = page.locked ? page.lockedHint
                                 : page.count > 1
                                     ? "Use the arrows, ENTER to select, PAGE UP/DOWN for worlds"
                                     : "Use UP/DOWN/LEFT/RIGHT, ENTER to select";
    renderer.drawTextAt(moveHint, layout.moveHintPosition(), TextAnchor::TopCentre,
                        plain(16, HINT_GREY));
    renderer.drawTextAt("Press ESC to go back", layout.backHintPosition(), TextAnchor::TopCentre,
                        plain(16, HINT_GREY));
    const sf::FloatRect myLevels = layout.myLevelsHint();
    renderer.drawTextAt("Tab: My levels", {myLevels.left, myLevels.top + myLevels.height * 0.5f},
                        TextAnchor::CentreLeft, plain(16, TAN));
    drawLoginButton(loggedIn, username, levelSelectLoginButtonRect,
                    cornerButtonCentre(windowSize()));
}

void UIRenderer::drawWorldHeader(const LevelSelectLayout& layout, const WorldPage& page) {
    if (page.name.empty()) {
        return;
    }
    const std::string title = "World " + std::to_string(page.number + 1) + ": " + page.name;
    renderer.drawTextAt(page.locked ? title + " (locked)" : title, layout.worldNamePosition(),
                        TextAnchor::TopCentre, plain(20, page.locked ? HINT_GREY : GOLD));
    if (page.count < 2) {
        return;
    }
    // Turning past either end wraps around, so both buttons always work.
    for (const int direction : {-1, 1}) {
        const sf::FloatRect box = layout.pageButton(direction);
        renderer.drawBox(box, sf::Color(100, 100, 100, 255), TAN, 2.0f);
        renderer.drawTextAt(direction < 0 ? "<" : ">",
                            {box.left + box.width / 2.0f, box.top + box.height / 2.0f},
                            TextAnchor::Centre, plain(28, sf::Color::White));
    }
}

void UIRenderer::drawLevelCells(const LevelSelectLayout& layout, int selectedLevel,
                                const WorldPage& page, const std::vector<LevelBest>& bests) {
    for (int i = 0; i < layout.levelCount; ++i) {
        const bool selected = i == selectedLevel;
        const sf::Color ink = selected ? sf::Color::Black : sf::Color::White;
        const sf::Color idle = page.locked ? LOCKED_CELL : sf::Color(100, 100, 100, 255);
        renderer.drawRect(layout.cellCentre(i), LevelSelectLayout::CELL_WIDTH,
                          LevelSelectLayout::CELL_HEIGHT, selected ? sf::Color::Yellow : idle);
        renderer.drawTextAt(std::to_string(page.firstLevel + i + 1), layout.numberCentre(i),
                            TextAnchor::Centre,
                            plain(28, page.locked && !selected ? HINT_GREY : ink));
        if (page.locked) {
            renderer.drawTextAt("locked", layout.bestScoreCentre(i), TextAnchor::Centre,
                                plain(16, selected ? sf::Color::Black : HINT_GREY));
            continue;
        }
        const LevelBest best = static_cast<std::size_t>(i) < bests.size()
                                   ? bests[static_cast<std::size_t>(i)]
                                   : LevelBest{};
        if (best.completed()) {
            renderer.drawTextAt(std::to_string(best.score), layout.bestScoreCentre(i),
                                TextAnchor::Centre, plain(16, ink));
        }
        // Gold would melt into the yellow of the cursor: there an earned star
        // turns deep amber and an empty one is only its dark outline. A dark
        // rim keeps every star apart from its cell.
        const sf::Color earned = selected ? CELL_STAR_ON_CURSOR : GOLD;
        const sf::Color empty = selected ? sf::Color::Yellow : CELL_STAR_EMPTY;
        for (int star = 0; star < LevelSelectLayout::CELL_STARS; ++star) {
            const sf::Vector2f centre = layout.starCentre(i, star);
            renderer.drawStar(centre, LevelSelectLayout::CELL_STAR_RADIUS + 2.0f, STAR_RIM, 5);
            renderer.drawStar(centre, LevelSelectLayout::CELL_STAR_RADIUS,
                              best.stars > star ? earned : empty, 5);
        }
    }
}

// ---------------------------------------------------------------- pause

void UIRenderer::drawPauseMenu(GameState state, int selected) {
    if (!drawsIn(state, {Paused})) {
        return;
    }
    const ScopedView view(window(), windowView());
    const PauseLayout layout(window().getSize());
    renderer.drawRect(
        {layout.veil.left + layout.veil.width / 2.0f, layout.veil.top + layout.veil.height / 2.0f},
        layout.veil.width, layout.veil.height, VEIL);
    renderer.drawTextAt("PAUSED", layout.titleTop, TextAnchor::TopCentre,
                        plain(PauseLayout::TITLE_SIZE, sf::Color::White, true));
    for (int i = 0; i < PAUSE_ENTRY_COUNT; ++i) {
        const bool isSelected = i == selected;
        const sf::Color color = isSelected ? sf::Color::Yellow : sf::Color::White;
        // Drawn into exactly the rectangle that clicks are tested against.
        const sf::FloatRect entry = pauseEntryHitBox(i);
        renderer.drawTextAt(pauseEntryText(i), {entry.left, entry.top}, TextAnchor::TopLeft,
                            plain(PauseLayout::ENTRY_SIZE, color));
        if (isSelected) {
            renderer.drawTextAt(">", PauseLayout::markerPoint(entry), TextAnchor::CentreRight,
                                plain(PauseLayout::ENTRY_SIZE, color));
        }
    }
    renderer.drawTextAt("Press ESC to resume", layout.hintTop, TextAnchor::TopCentre,
                        plain(PauseLayout::HINT_SIZE, DIM_GREY));
}

// ---------------------------------------------------------------- login

void UIRenderer::drawLoginScreen(GameState state, bool loggedIn,
                                 const std::string& loggedInUsername,
                                 const std::string& usernameInput, const std::string& passwordInput,
                                 bool cursorVisible, int loginFocus, const std::string& loginError,
                                 GameState openedFrom) {
    if (!drawsIn(state, {Login})) {
        return;
    }
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    const LoginForm form(layoutSize());
    // The game's own backdrop, dimmed so the form reads over it.
    renderer.drawBackground(texture("loading_bg"));
    renderer.drawRect(size * 0.5f, size.x, size.y, VEIL);
    renderer.drawTextAt("VOLLARIN", form.gameTitle, TextAnchor::TopCentre,
                        outlined(LoginForm::GAME_TITLE_SIZE, TITLE_BROWN, true));
    loginShowsSignedIn = loggedIn;
    if (loggedIn) {
        drawSignedInView(form, loggedInUsername);
    } else {
        drawSignedOutView(form, usernameInput, passwordInput, cursorVisible, loginFocus);
        if (!loginError.empty()) {
            renderer.drawTextAt(
                fitText(loginError, outlined(20, ERROR_RED), size.x - 2.0f * EDGE_MARGIN),
                form.error, TextAnchor::Centre, outlined(20, ERROR_RED));
        }
    }
    renderer.drawTextAt(LoginForm::backHint(openedFrom), form.hint, TextAnchor::Centre,
                        plain(16, HINT_GREY));
}

void UIRenderer::drawSignedInView(const LoginForm& form, const std::string& username) {
    renderer.drawTextAt("LOGGED IN", form.title, TextAnchor::Centre,
                        plain(60, sf::Color::White, true));
    renderer.drawTextAt("You are logged in as:", form.signedInLabel, TextAnchor::Centre,
                        plain(24, sf::Color::White));
    renderer.drawTextAt(username, form.signedInName, TextAnchor::Centre, plain(32, sf::Color::Cyan),
                        LINE_REFERENCE);
    drawLoginScreenButton(signOutButtonRect, form.signOut, LoginForm::SIGN_OUT_SIZE,
                          sf::Color(150, 0, 0, 200), "Sign Out");
}

void UIRenderer::drawSignedOutView(const LoginForm& form, const std::string& usernameInput,
                                   const std::string& passwordInput, bool cursorVisible,
                                   int loginFocus) {
    renderer.drawTextAt("LOGIN or SIGN UP", form.title, TextAnchor::Centre,
                        plain(60, sf::Color::White, true));
    // Only asterisks ever reach the screen for the password.
    const sf::FloatRect username =
        drawLoginField(usernameFieldRect, form.usernameField, usernameInput, "Username");
    const sf::FloatRect password = drawLoginField(passwordFieldRect, form.passwordField,
                                                  maskPassword(passwordInput), "Password");
    if (cursorVisible &&
        (loginFocus == LoginForm::UsernameField || loginFocus == LoginForm::PasswordField)) {
        const sf::FloatRect& shown = loginFocus == LoginForm::UsernameField ? username : password;
        renderer.drawRect(form.cursorCentre(loginFocus, shown), LoginForm::CURSOR_WIDTH,
                          LoginForm::CURSOR_HEIGHT, sf::Color::White);
    }
    drawLoginScreenButton(loginButtonRect, form.login, LoginForm::FORM_BUTTON_SIZE,
                          sf::Color(0, 150, 0, 200), "Login");
    drawLoginScreenButton(signUpButtonRect, form.signUp, LoginForm::FORM_BUTTON_SIZE,
                          sf::Color(0, 0, 150, 200), "Sign Up");
    // The button the keys are on, framed as the menu frames its own.
    const ButtonId focused = LoginForm::buttonOf(loginFocus);
    if (focused != NoButton) {
        const sf::FloatRect chosen = buttonSlot(focused);
        renderer.drawBox({chosen.left - SELECTION_MARGIN, chosen.top - SELECTION_MARGIN,
                          chosen.width + 2.0f * SELECTION_MARGIN,
                          chosen.height + 2.0f * SELECTION_MARGIN},
                         sf::Color::Transparent, sf::Color::Yellow, 3.0f);
    }
}

sf::FloatRect UIRenderer::drawLoginField(sf::FloatRect& slot, sf::Vector2f centre,
                                         const std::string& shown, const char* placeholder) {
    const sf::Vector2f box(LoginForm::FIELD_WIDTH, LoginForm::FIELD_HEIGHT);
    slot = drawBoxCenteredOn(centre, box, FIELD_FILL, sf::Color::White, 1.0f);
    if (shown.empty()) {
        renderer.drawTextAt(placeholder, centre, TextAnchor::Centre, plain(24, DIM_GREY),
                            LINE_REFERENCE);
        return {};
    }
    const TextStyle style = plain(24, sf::Color::White);
    // Room for the text and the cursor after it.
    const float room = LoginForm::FIELD_WIDTH - 2.0f * FIELD_PADDING - 4.0f;
    return renderer.drawTextAt(fitTail(shown, style, room), centre, TextAnchor::Centre, style,
                               LINE_REFERENCE);
}

void UIRenderer::drawLoginScreenButton(sf::FloatRect& slot, sf::Vector2f centre, sf::Vector2f size,
                                       sf::Color fill, const char* label) {
    slot = drawBoxCenteredOn(centre, size, fill, sf::Color::White, 1.0f);
    renderer.drawTextAt(label, centre, TextAnchor::Centre, outlined(24, sf::Color::White));
}

// ---------------------------------------------------------------- level complete

void UIRenderer::drawLevelComplete(GameState state, int /*levelIndex*/, int stars, int levelScore,
                                   int totalScore, int totalBirds, int unlaunchedBirds,
                                   bool loggedIn, const std::string& username,
                                   const std::vector<HighScore>& scores, bool offline, bool newBest,
                                   const std::vector<HighScore>& localScores,
                                   const OwnLevelResult* ownLevel) {
    if (!drawsIn(state, {LevelComplete})) {
        return;
    }
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    renderer.drawBackground(texture("level_list_bg"));
    renderer.drawTextAt("LEVEL COMPLETE", {size.x / 2.0f, 80.0f}, TextAnchor::TopCentre,
                        plain(48, TITLE_BROWN, true));
    // Two panels side by side, 60 px in from either edge and 40 px apart.
    const sf::Vector2f panel((size.x - 80.0f) / 2.0f - 40.0f, size.y - 300.0f);
    const sf::Color fill(60, 80, 60, 180);
    const sf::Color outline(100, 140, 100, 200);
    const sf::FloatRect left = renderer.drawBox({{60.0f, 140.0f}, panel}, fill, outline, 2.0f);
    const sf::FloatRect rightPanel =
        renderer.drawBox({{size.x / 2.0f + 20.0f, 140.0f}, panel}, fill, outline, 2.0f);
    drawRunSummary(left, stars, levelScore, totalScore, totalBirds, unlaunchedBirds);
    if (newBest) {
        renderer.drawTextAt("New best!", {left.left + left.width / 2.0f, NEW_BEST_TOP},
                            TextAnchor::TopCentre, outlined(32, GOLD, true));
    }
    drawLevelCompleteButtons();
    // A player whose scores do not reach the server (signed out, or nothing
    // answers) still sees what this computer remembers.
    const bool showLocal = !loggedIn || offline;
    if (ownLevel != nullptr) {
        drawOwnLevelBest(rightPanel, *ownLevel);
    } else {
        drawLevelCompleteScores(rightPanel, scores, offline, showLocal ? &localScores : nullptr);
    }
    drawLoginButton(loggedIn, username, levelCompleteLoginButtonRect, {160.0f, 70.0f});
}

void UIRenderer::drawRunSummary(const sf::FloatRect& panel, int stars, int levelScore,
                                int totalScore, int totalBirds, int unlaunchedBirds) {
    const float columnCentre = panel.left + panel.width / 2.0f;
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
    // Labels from the panel's left, values ending at its right: any score fits.
    const TextStyle style = plain(30, sf::Color::White);
    float y = 320.0f;
    for (const auto& [label, value] : rows) {
        renderer.drawTextAt(label, {panel.left + PANEL_PADDING, y}, TextAnchor::TopLeft, style);
        renderer.drawTextAt(value, {right(panel) - PANEL_PADDING, y}, TextAnchor::TopRight, style);
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

void UIRenderer::drawOwnLevelBest(const sf::FloatRect& panel, const OwnLevelResult& ownLevel) {
    const float centreX = panel.left + panel.width / 2.0f;
    const TextStyle heading = plain(36, GOLD, true);
    renderer.drawTextAt(fitText(ownLevel.name, heading, panel.width - 2.0f * PANEL_PADDING),
                        {centreX, 170.0f}, TextAnchor::TopCentre, heading);
    renderer.drawTextAt("Your own level", {centreX, ROWS_TOP}, TextAnchor::TopCentre,
                        plain(28, TAN, true));
    const std::string best = ownLevel.best.completed()
                                 ? "Best here: " + std::to_string(ownLevel.best.score) + ", " +
                                       std::to_string(ownLevel.best.stars) +
                                       (ownLevel.best.stars == 1 ? " star" : " stars")
                                 : "No best yet";
    renderer.drawTextAt(best, {centreX, ROWS_TOP + LOCAL_HEADING_HEIGHT + STACKED_ROW_STEP},
                        TextAnchor::TopCentre, outlined(STACKED_ROW_SIZE, sf::Color::White, true));
}

void UIRenderer::drawLevelCompleteScores(const sf::FloatRect& panel,
                                         const std::vector<HighScore>& scores, bool offline,
                                         const std::vector<HighScore>* localScores) {
    const float centreX = panel.left + panel.width / 2.0f;
    renderer.drawTextAt("HIGH SCORES", {centreX, 170.0f}, TextAnchor::TopCentre,
                        plain(36, GOLD, true));
    // Nothing current to list: say why, where the rows would begin.
    const char* const emptyText = offline ? "Offline" : "No scores yet!";
    const bool onlineRows = !offline && !scores.empty();
    if (localScores == nullptr) {
        if (!onlineRows) {
            renderer.drawTextAt(emptyText, {centreX, 290.0f}, TextAnchor::TopCentre,
                                outlined(24, DIM_GREY, true));
            return;
        }
        const sf::Vector2f size = windowSize();
        const int rowCount = levelCompleteRowCount(size.y);
        const float step = (size.y - 410.0f) / static_cast<float>(rowCount + 1);
        drawRankedRows(panel, ROWS_TOP, step, std::min(rowCount, static_cast<int>(scores.size())),
                       26, scores);
        return;
    }
    // Both lists, one above the other in smaller rows: this computer's (at
    // most five) keeps its room, the online list takes what is left.
    const float bottomLimit = bottom(panel) - EDGE_MARGIN;
    const int localShown =
        std::min(static_cast<int>(localScores->size()), static_cast<int>(LOCAL_ROWS));
    const float localHeight =
        LOCAL_HEADING_HEIGHT + STACKED_ROW_STEP * static_cast<float>(std::max(localShown, 1));
    const int onlineRoom = static_cast<int>(
        (bottomLimit - localHeight - STACKED_SECTION_GAP - ROWS_TOP) / STACKED_ROW_STEP);
    int onlineShown = 1; // the line that says why there are none
    if (onlineRows) {
        onlineShown =
            std::clamp(std::min(onlineRoom, static_cast<int>(scores.size())), 0, HIGH_SCORE_ROWS);
        drawRankedRows(panel, ROWS_TOP, STACKED_ROW_STEP, onlineShown, STACKED_ROW_SIZE, scores);
    } else {
        renderer.drawTextAt(emptyText, {centreX, ROWS_TOP}, TextAnchor::TopCentre,
                            outlined(STACKED_ROW_SIZE, DIM_GREY, true));
    }
    const float localTop =
        ROWS_TOP + STACKED_ROW_STEP * static_cast<float>(onlineShown) + STACKED_SECTION_GAP;
    renderer.drawTextAt("On this computer", {centreX, localTop}, TextAnchor::TopCentre,
                        plain(28, TAN, true));
    const float localRowsTop = localTop + LOCAL_HEADING_HEIGHT;
    if (localShown == 0) {
        renderer.drawTextAt("No scores yet!", {centreX, localRowsTop}, TextAnchor::TopCentre,
                            outlined(STACKED_ROW_SIZE, DIM_GREY, true));
        return;
    }
    drawRankedRows(panel, localRowsTop, STACKED_ROW_STEP, localShown, STACKED_ROW_SIZE,
                   *localScores);
}

void UIRenderer::drawRankedRows(const sf::FloatRect& panel, float top, float step, int rows,
                                unsigned int size, const std::vector<HighScore>& scores) {
    // Columns: ranks right-aligned, names after them, scores against the
    // panel's right edge; a name is cut to the room left between.
    const TextStyle measure = plain(size, sf::Color::White);
    const float rankRight = panel.left + PANEL_PADDING + textWidth("10.", measure);
    const float nameLeft = rankRight + 12.0f;
    const float scoreRight = right(panel) - PANEL_PADDING;
    const int shown = std::min(rows, static_cast<int>(scores.size()));
    for (int rank = 1; rank <= shown; ++rank) {
        const HighScore& entry = scores[static_cast<std::size_t>(rank - 1)];
        const float y = top + step * static_cast<float>(rank - 1);
        const TextStyle style = plain(size, rank <= 3 ? GOLD : sf::Color::White);
        const std::string score = std::to_string(entry.score);
        const float scoreWidth = textWidth(score, style);
        const float markRoom = entry.verified ? verifiedMarkWidth(size) + 6.0f : 0.0f;
        const float nameRoom = scoreRight - scoreWidth - markRoom - 16.0f - nameLeft;
        if (entry.verified) {
            drawVerifiedMark(
                {scoreRight - scoreWidth - markRoom, y + static_cast<float>(size) * 0.15f}, size);
        }
        renderer.drawTextAt(std::to_string(rank) + ".", {rankRight, y}, TextAnchor::TopRight,
                            style);
        renderer.drawTextAt(fitText(shortenScoreName(entry.name), style, nameRoom), {nameLeft, y},
                            TextAnchor::TopLeft, style, LINE_REFERENCE);
        renderer.drawTextAt(score, {scoreRight, y}, TextAnchor::TopRight, style);
    }
}

float UIRenderer::verifiedMarkWidth(unsigned int size) {
    return static_cast<float>(size) * 0.7f;
}

// A tick as tall as the text's capitals, its top-left corner at `topLeft`.
void UIRenderer::drawVerifiedMark(sf::Vector2f topLeft, unsigned int size) {
    const float width = verifiedMarkWidth(size);
    const float height = static_cast<float>(size) * 0.7f;
    const float thickness = std::max(2.0f, static_cast<float>(size) / 8.0f);
    const sf::Vector2f bottom(topLeft.x + width * 0.38f, topLeft.y + height);
    renderer.drawLine({topLeft.x, topLeft.y + height * 0.55f}, bottom, VERIFIED_GREEN, thickness);
    renderer.drawLine(bottom, {topLeft.x + width, topLeft.y}, VERIFIED_GREEN, thickness);
}

// ---------------------------------------------------------------- high scores

void UIRenderer::drawHighScores(GameState state, int levelIndex, int /*levelCount*/,
                                const std::vector<HighScore>& scores, bool offline,
                                const std::vector<HighScore>& localScores) {
    if (!drawsIn(state, {HighScores})) {
        return;
    }
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    renderer.drawBackground(texture("level_list_bg"));
    // Two columns, the online list and this computer's, above the two hints.
    const sf::Vector2f panelSize(std::min(HIGH_SCORES_PANEL.x, size.x - 2.0f * EDGE_MARGIN),
                                 HIGH_SCORES_PANEL.y);
    const sf::Vector2f topLeft((size.x - panelSize.x) / 2.0f, (size.y - panelSize.y) / 2.0f);
    renderer.drawBox({topLeft, panelSize}, DARK_PANEL, PANEL_OUTLINE, 2.0f);
    const float centreX = topLeft.x + panelSize.x / 2.0f;
    const float top = topLeft.y;
    renderer.drawTextAt("HIGH SCORES", {centreX, top + 25.0f}, TextAnchor::TopCentre,
                        plain(36, sf::Color::Yellow));
    renderer.drawTextAt("< Level " + std::to_string(levelIndex + 1) + " >", {centreX, top + 75.0f},
                        TextAnchor::TopCentre, plain(26, sf::Color::Cyan));

    const float column = panelSize.x / 2.0f;
    const float rowWidth = column - 2.0f * EDGE_MARGIN;
    const float onlineX = topLeft.x + column / 2.0f;
    const float localX = topLeft.x + column * 1.5f;
    const float headingTop = top + 125.0f;
    const float rowsTop = top + 160.0f;
    const TextStyle heading = plain(20, TAN);
    renderer.drawTextAt("Online", {onlineX, headingTop}, TextAnchor::TopCentre, heading);
    renderer.drawTextAt("On this computer", {localX, headingTop}, TextAnchor::TopCentre, heading);
    const float listHeight = HIGH_SCORES_ROW_STEP * static_cast<float>(HIGH_SCORE_ROWS);
    renderer.drawRect({centreX, rowsTop + (listHeight - (rowsTop - headingTop)) / 2.0f}, 1.0f,
                      listHeight + (rowsTop - headingTop), PANEL_OUTLINE);
    // Rows left over from an earlier fetch would pass for this level's.
    static const std::vector<HighScore> none;
    drawHighScoreRows(onlineX, rowsTop, rowWidth, offline ? none : scores,
                      offline ? "Offline" : "No scores yet!", HIGH_SCORE_ROWS);
    drawHighScoreRows(localX, rowsTop, rowWidth, localScores, "No scores yet!",
                      static_cast<int>(LOCAL_ROWS));
    renderer.drawTextAt("LEFT/RIGHT to change level", {centreX, top + panelSize.y - 55.0f},
                        TextAnchor::TopCentre, plain(16, HINT_GREY));
    renderer.drawTextAt("ESC/ENTER to go back", {centreX, top + panelSize.y - 30.0f},
                        TextAnchor::TopCentre, plain(16, HINT_GREY));
}

void UIRenderer::drawHighScoreRows(float centreX, float top, float width,
                                   const std::vector<HighScore>& scores, const char* emptyText,
                                   int maxRows) {
    if (scores.empty()) {
        renderer.drawTextAt(emptyText, {centreX, top}, TextAnchor::TopCentre,
                            outlined(22, DIM_GREY));
        return;
    }
    const std::size_t shown =
        std::min(scores.size(), static_cast<std::size_t>(std::max(maxRows, 0)));
    for (std::size_t i = 0; i < shown; ++i) {
        const int rank = static_cast<int>(i) + 1;
        const TextStyle style = plain(22, rankColor(rank));
        const std::string prefix = std::to_string(rank) + ". ";
        const std::string suffix = " - " + std::to_string(scores[i].score);
        // The name gives way when the row would not fit the column.
        const float nameRoom = width - textWidth(prefix + suffix, style);
        const float markRoom = scores[i].verified ? verifiedMarkWidth(22) + 8.0f : 0.0f;
        const std::string row =
            prefix + fitText(scores[i].name, style, nameRoom - markRoom) + suffix;
        const float y = top + HIGH_SCORES_ROW_STEP * static_cast<float>(i);
        const sf::FloatRect drawn = renderer.drawTextAt(
            row, {centreX - markRoom / 2.0f, y}, TextAnchor::TopCentre, style, LINE_REFERENCE);
        if (scores[i].verified) {
            drawVerifiedMark({drawn.left + drawn.width + 8.0f, y + 22.0f * 0.15f}, 22);
        }
    }
}

// ---------------------------------------------------------------- nickname

void UIRenderer::drawNicknameEntry(GameState state, int stars, int levelScore,
                                   const std::string& nickname, bool offered) {
    if (!drawsIn(state, {EnterNickname})) {
        return;
    }
    const ScopedView view(window(), windowView());
    const sf::Vector2f size = windowSize();
    renderer.drawRect(size * 0.5f, size.x, size.y, VEIL);

    // Everything is measured first, so that the panel wraps its content.
    const TextStyle titleStyle = plain(40, TAN, true);
    const TextStyle scoreStyle = plain(32, sf::Color::White);
    const TextStyle labelStyle = plain(24, sf::Color::White);
    const TextStyle fieldStyle = plain(32, sf::Color::Cyan);
    const TextStyle hintStyle = plain(16, DIM_GREY);
    const std::string score = std::to_string(levelScore);
    const std::string hint =
        "Type your name (max " + std::to_string(NICKNAME_MAX_LENGTH) + " chars) and press ENTER";
    const char* const skip = "Press ESC to skip";
    constexpr float STAR_RADIUS = 25.0f;
    constexpr float BOX_HEIGHT = 50.0f;
    const float titleHeight = renderer.measureText("NEW HIGH SCORE", titleStyle).height;
    const float scoreHeight = renderer.measureText(score, scoreStyle).height;
    const float labelHeight = renderer.measureText("Enter your nickname:", labelStyle).height;
    const float hintHeight = renderer.measureText(hint, hintStyle).height;
    const float skipHeight = renderer.measureText(skip, hintStyle).height;
    // The box holds the widest nickname there is, with its cursor.
    const float boxWidth =
        std::max(300.0f, textWidth(std::string(NICKNAME_MAX_LENGTH, 'W') + "_", fieldStyle) +
                             2.0f * FIELD_PADDING);
    const float contentHeight = titleHeight + 20.0f + 2.0f * STAR_RADIUS + 20.0f + scoreHeight +
                                15.0f + labelHeight + 15.0f + BOX_HEIGHT + 20.0f + hintHeight +
                                12.0f + skipHeight;
    const float panelWidth = std::max({500.0f, textWidth(hint, hintStyle) + 2.0f * PANEL_PADDING,
                                       boxWidth + 2.0f * PANEL_PADDING});
    const sf::Vector2f panel(panelWidth, contentHeight + 2.0f * PANEL_PADDING);
    const sf::Color panelColor(198, 221, 188, 100);
    renderer.drawBox({size * 0.5f - panel * 0.5f, panel}, panelColor, panelColor, 2.0f);

    const float cx = size.x / 2.0f;
    float y = size.y / 2.0f - panel.y / 2.0f + PANEL_PADDING;
    renderer.drawTextAt("NEW HIGH SCORE", {cx, y}, TextAnchor::TopCentre, titleStyle);
    y += titleHeight + 20.0f + STAR_RADIUS;
    for (int i = 0; i < 3; ++i) {
        renderer.drawStar({cx + 60.0f * static_cast<float>(i - 1), y}, STAR_RADIUS,
                          i < stars ? GOLD : STAR_GREY, 5);
    }
    y += STAR_RADIUS + 20.0f;
    renderer.drawTextAt(score, {cx, y}, TextAnchor::TopCentre, scoreStyle);
    y += scoreHeight + 15.0f;
    renderer.drawTextAt("Enter your nickname:", {cx, y}, TextAnchor::TopCentre, labelStyle);
    y += labelHeight + 15.0f;
    const sf::Vector2f boxCentre(cx, y + BOX_HEIGHT / 2.0f);
    drawBoxCenteredOn(boxCentre, {boxWidth, BOX_HEIGHT}, FIELD_FILL, sf::Color::White, 1.0f);
    if (offered) {
        // Selected, as in any text box: the first key typed replaces it.
        const sf::FloatRect ink = renderer.measureText(nickname, fieldStyle);
        renderer.drawRect(boxCentre, ink.width + FIELD_PADDING, BOX_HEIGHT - FIELD_PADDING,
                          NICKNAME_SELECTION);
        renderer.drawTextAt(nickname, boxCentre, TextAnchor::Centre, plain(32, sf::Color::White),
                            "Hg_");
    } else {
        // The "_" cursor rides on the name; both keep to the line's baseline.
        renderer.drawTextAt(nickname + "_", boxCentre, TextAnchor::Centre, fieldStyle, "Hg_");
    }
    y += BOX_HEIGHT + 20.0f;
    renderer.drawTextAt(hint, {cx, y}, TextAnchor::TopCentre, hintStyle);
    y += hintHeight + 12.0f;
    renderer.drawTextAt(skip, {cx, y}, TextAnchor::TopCentre, hintStyle);
}
