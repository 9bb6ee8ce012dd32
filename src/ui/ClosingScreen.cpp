#include "ui/ClosingScreen.h"

#include "assets/Renderer.h"
#include "ui/UIRenderer.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/View.hpp>
#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace {
const sf::Color TITLE_BROWN(139, 69, 19, 255);
const sf::Color GOLD(255, 215, 0, 255);
const sf::Color TAN(222, 184, 135, 255);
const sf::Color STAR_EMPTY(90, 90, 90, 255);
const sf::Color STAR_RIM(40, 30, 10, 255);
const sf::Color HINT_GREY(200, 200, 200, 255);
const sf::Color PANEL_FILL(0, 0, 0, 170);
const sf::Color PANEL_OUTLINE(100, 100, 100, 200);
const sf::Color BUTTON_FILL(60, 110, 60, 230);
const sf::Color BUTTON_SELECTED(230, 180, 40, 255);

constexpr std::array<const char*, ClosingScreen::CHOICE_COUNT> BUTTON_LABELS{"Menu", "Play Again"};
constexpr const char* NEXT_WORLD_LABEL = "Next World";
constexpr unsigned int TITLE_SIZE = 56;
constexpr unsigned int SMALLEST_TITLE_SIZE = 24;

constexpr float TITLE_TOP = 30.0f;
constexpr float SCORE_TOP = 110.0f;
constexpr float STARS_TOP = 160.0f;
constexpr float LIST_TOP = 215.0f;
constexpr float LIST_HEADING = 44.0f;
constexpr float LIST_MAX_WIDTH = 560.0f;
constexpr float EDGE = 20.0f;
constexpr float PADDING = 24.0f;
constexpr float MAX_ROW_STEP = 34.0f;
constexpr float BUTTONS_ABOVE_BOTTOM = 95.0f;
constexpr float HINT_ABOVE_BOTTOM = 28.0f;
const sf::Vector2f BUTTON_SIZE(200.0f, 56.0f);
constexpr float BUTTON_GAP = 40.0f;
constexpr float ROW_STAR_RADIUS = 9.0f;
constexpr float ROW_STAR_PITCH = 24.0f;

TextStyle outlined(unsigned int size, sf::Color color, bool titleFont = false) {
    TextStyle style{size, color, titleFont};
    style.outlineThickness = size >= 18 ? 2.0f : 1.0f;
    return style;
}

bool isKey(const sf::Event& event, sf::Keyboard::Key key) {
    return event.type == sf::Event::KeyPressed && event.key.code == key;
}
} // namespace

ClosingScreen::ClosingScreen(sf::Vector2u windowSize)
    : size(static_cast<float>(windowSize.x), static_cast<float>(windowSize.y)) {}

sf::FloatRect ClosingScreen::button(int choice) const {
    const float centreY = size.y - BUTTONS_ABOVE_BOTTOM;
    const float offset = (BUTTON_SIZE.x + BUTTON_GAP) / 2.0f;
    const float centreX = size.x / 2.0f + (choice == BackToMenu ? -offset : offset);
    return {centreX - BUTTON_SIZE.x / 2.0f, centreY - BUTTON_SIZE.y / 2.0f, BUTTON_SIZE.x,
            BUTTON_SIZE.y};
}

sf::FloatRect ClosingScreen::listArea() const {
    const float width = std::min(LIST_MAX_WIDTH, size.x - 2.0f * EDGE);
    const float bottom = button(BackToMenu).top - EDGE;
    return {(size.x - width) / 2.0f, LIST_TOP, width, std::max(0.0f, bottom - LIST_TOP)};
}

float ClosingScreen::rowStep(int rows) const {
    if (rows <= 0) {
        return MAX_ROW_STEP;
    }
    const float room = listArea().height - LIST_HEADING - PADDING / 2.0f;
    return std::clamp(room / static_cast<float>(rows), 0.0f, MAX_ROW_STEP);
}

ClosingScreen::Choice ClosingScreen::handle(const sf::Event& event, sf::Vector2f pointer,
                                            int& selection) const {
    if (isKey(event, sf::Keyboard::Escape)) {
        return BackToMenu;
    }
    if (isKey(event, sf::Keyboard::Enter) || isKey(event, sf::Keyboard::Space)) {
        return selection == PlayAgain ? PlayAgain : BackToMenu;
    }
    if (event.type == sf::Event::KeyPressed) {
        switch (event.key.code) {
        case sf::Keyboard::Left:
        case sf::Keyboard::Right:
        case sf::Keyboard::Up:
        case sf::Keyboard::Down:
            selection = selection == PlayAgain ? BackToMenu : PlayAgain;
            break;
        default:
            break;
        }
        return NoChoice;
    }
    if (event.type == sf::Event::MouseButtonPressed &&
        event.mouseButton.button == sf::Mouse::Left) {
        for (int choice = 0; choice < CHOICE_COUNT; ++choice) {
            if (button(choice).contains(pointer)) {
                selection = choice;
                return static_cast<Choice>(choice);
            }
        }
    }
    return NoChoice;
}

void ClosingScreen::draw(Renderer& renderer, const Shown& shown, int selection,
                         const sf::Texture* backdrop) const {
    sf::RenderWindow& window = renderer.getWindow();
    const sf::View previous = window.getView();
    window.setView(sf::View(sf::FloatRect(0.0f, 0.0f, size.x, size.y)));

    renderer.drawBackground(backdrop);
    const float cx = size.x / 2.0f;
    std::string title = "ALL LEVELS COMPLETE";
    if (!shown.worldName.empty()) {
        title = shown.worldName + " COMPLETE";
        std::transform(title.begin(), title.end(), title.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    }
    // A long world name shrinks the title until it fits the window.
    unsigned int titleSize = TITLE_SIZE;
    while (titleSize > SMALLEST_TITLE_SIZE &&
           renderer.measureText(title, outlined(titleSize, TITLE_BROWN, true)).width >
               size.x - 2.0f * EDGE) {
        titleSize -= 4;
    }
    renderer.drawTextAt(title, {cx, TITLE_TOP}, TextAnchor::TopCentre,
                        outlined(titleSize, TITLE_BROWN, true));
    renderer.drawTextAt("Final Score: " + std::to_string(shown.finalScore), {cx, SCORE_TOP},
                        TextAnchor::TopCentre, outlined(36, sf::Color::White));
    renderer.drawTextAt(UIRenderer::starTallyText(shown.starsEarned, shown.starsPossible),
                        {cx, STARS_TOP}, TextAnchor::TopCentre, outlined(32, GOLD));

    const sf::FloatRect list = listArea();
    renderer.drawBox(list, PANEL_FILL, PANEL_OUTLINE, 2.0f);
    renderer.drawTextAt("Best on this computer", {cx, list.top + 12.0f}, TextAnchor::TopCentre,
                        outlined(24, TAN, true));
    const int rows = static_cast<int>(shown.bests.size());
    const float step = rowStep(rows);
    // Rows shrink with the room; below this they would overlap.
    const unsigned int rowSize = step >= 30.0f ? 22u : step >= 20.0f ? 16u : 0u;
    for (int i = 0; rowSize > 0 && i < rows; ++i) {
        const LevelBest& best = shown.bests[static_cast<std::size_t>(i)];
        const float y = list.top + LIST_HEADING + step * (static_cast<float>(i) + 0.5f);
        const TextStyle style = outlined(rowSize, sf::Color::White);
        renderer.drawTextAt("Level " + std::to_string(shown.firstLevel + i + 1),
                            {list.left + PADDING, y}, TextAnchor::CentreLeft, style);
        for (int star = 0; star < ProgressTable::MAX_STARS; ++star) {
            const sf::Vector2f at(cx + ROW_STAR_PITCH * static_cast<float>(star - 1), y);
            renderer.drawStar(at, ROW_STAR_RADIUS + 2.0f, STAR_RIM, 5);
            renderer.drawStar(at, ROW_STAR_RADIUS, best.stars > star ? GOLD : STAR_EMPTY, 5);
        }
        renderer.drawTextAt(best.completed() ? std::to_string(best.score) : std::string("-"),
                            {list.left + list.width - PADDING, y}, TextAnchor::CentreRight, style);
    }

    for (int choice = 0; choice < CHOICE_COUNT; ++choice) {
        const bool selected = choice == selection;
        const sf::FloatRect box = button(choice);
        renderer.drawBox(box, selected ? BUTTON_SELECTED : BUTTON_FILL, sf::Color::White,
                         selected ? 3.0f : 1.0f);
        const bool intoNextWorld = choice == PlayAgain && shown.nextWorld;
        renderer.drawTextAt(
            intoNextWorld ? NEXT_WORLD_LABEL : BUTTON_LABELS[static_cast<std::size_t>(choice)],
            {box.left + box.width / 2.0f, box.top + box.height / 2.0f}, TextAnchor::Centre,
            selected ? TextStyle{26, sf::Color::Black} : outlined(26, sf::Color::White));
    }
    renderer.drawTextAt("LEFT/RIGHT to choose, ENTER to go on, ESC for the menu",
                        {cx, size.y - HINT_ABOVE_BOTTOM}, TextAnchor::Centre,
                        outlined(16, HINT_GREY));
    window.setView(previous);
}
