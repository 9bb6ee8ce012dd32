#include "ui/MyLevelsScreen.h"

#include "assets/Renderer.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/View.hpp>
#include <algorithm>

namespace {
const sf::Color TITLE_BROWN(139, 69, 19, 255);
const sf::Color GOLD(255, 215, 0, 255);
const sf::Color HINT_GREY(200, 200, 200, 255);
const sf::Color ERROR_RED(240, 110, 100, 255);
const sf::Color ROW_FILL(0, 0, 0, 170);
const sf::Color ROW_SELECTED(230, 180, 40, 230);
const sf::Color ROW_OUTLINE(100, 100, 100, 200);

constexpr float TITLE_TOP = 30.0f;
constexpr float LIST_TOP = 110.0f;
constexpr float LIST_MAX_WIDTH = 900.0f;
constexpr float EDGE = 20.0f;
constexpr float PADDING = 16.0f;
constexpr float ROW_HEIGHT = 58.0f;
constexpr float ROW_GAP = 8.0f;
constexpr float HINT_ABOVE_BOTTOM = 28.0f;
// Texts longer than this are cut, so a row never runs out of its box.
constexpr std::size_t MAX_NAME_CHARS = 40;
constexpr std::size_t MAX_VERDICT_CHARS = 80;

TextStyle outlined(unsigned int size, sf::Color color, bool titleFont = false) {
    TextStyle style{size, color, titleFont};
    style.outlineThickness = size >= 18 ? 2.0f : 1.0f;
    return style;
}

std::string cut(const std::string& text, std::size_t length) {
    return text.size() <= length ? text : text.substr(0, length - 3) + "...";
}

bool isKey(const sf::Event& event, sf::Keyboard::Key key) {
    return event.type == sf::Event::KeyPressed && event.key.code == key;
}
} // namespace

MyLevelsScreen::MyLevelsScreen(sf::Vector2u windowSize)
    : size(static_cast<float>(windowSize.x), static_cast<float>(windowSize.y)) {}

sf::FloatRect MyLevelsScreen::rowBox(int indexOnPage) const {
    const float width = std::min(LIST_MAX_WIDTH, size.x - 2.0f * EDGE);
    return {(size.x - width) / 2.0f,
            LIST_TOP + static_cast<float>(indexOnPage) * (ROW_HEIGHT + ROW_GAP), width, ROW_HEIGHT};
}

MyLevelsScreen::Action MyLevelsScreen::handle(const sf::Event& event, sf::Vector2f pointer,
                                              const std::vector<Row>& rows, int& selection) const {
    const int count = static_cast<int>(rows.size());
    if (isKey(event, sf::Keyboard::Escape) || isKey(event, sf::Keyboard::Tab)) {
        return Action::Back;
    }
    if (count == 0) {
        return Action::None;
    }
    selection = std::clamp(selection, 0, count - 1);
    const auto playSelected = [&] {
        return rows[static_cast<std::size_t>(selection)].playable ? Action::Play : Action::None;
    };
    if (event.type == sf::Event::KeyPressed) {
        switch (event.key.code) {
        case sf::Keyboard::Up:
            selection = std::max(0, selection - 1);
            break;
        case sf::Keyboard::Down:
            selection = std::min(count - 1, selection + 1);
            break;
        case sf::Keyboard::PageUp:
            selection = std::max(0, selection - ROWS_PER_PAGE);
            break;
        case sf::Keyboard::PageDown:
            selection = std::min(count - 1, selection + ROWS_PER_PAGE);
            break;
        case sf::Keyboard::Enter:
        case sf::Keyboard::Space:
            return playSelected();
        default:
            break;
        }
        return Action::None;
    }
    if (event.type == sf::Event::MouseButtonPressed &&
        event.mouseButton.button == sf::Mouse::Left) {
        const int first = selection / ROWS_PER_PAGE * ROWS_PER_PAGE;
        for (int i = 0; i < ROWS_PER_PAGE && first + i < count; ++i) {
            if (rowBox(i).contains(pointer)) {
                selection = first + i;
                return playSelected();
            }
        }
    }
    return Action::None;
}

void MyLevelsScreen::draw(Renderer& renderer, const std::vector<Row>& rows, int selection,
                          const std::string& folder, const sf::Texture* backdrop) const {
    sf::RenderWindow& window = renderer.getWindow();
    const sf::View previous = window.getView();
    window.setView(sf::View(sf::FloatRect(0.0f, 0.0f, size.x, size.y)));
    renderer.drawBackground(backdrop);
    const float cx = size.x / 2.0f;
    renderer.drawTextAt("MY LEVELS", {cx, TITLE_TOP}, TextAnchor::TopCentre,
                        outlined(48, TITLE_BROWN, true));

    const int count = static_cast<int>(rows.size());
    if (count == 0) {
        renderer.drawTextAt("No levels of your own yet. Levels saved in", {cx, LIST_TOP + 20.0f},
                            TextAnchor::TopCentre, outlined(22, sf::Color::White));
        renderer.drawTextAt(cut(folder, 90), {cx, LIST_TOP + 56.0f}, TextAnchor::TopCentre,
                            outlined(18, HINT_GREY));
        renderer.drawTextAt("show here.", {cx, LIST_TOP + 88.0f}, TextAnchor::TopCentre,
                            outlined(22, sf::Color::White));
    }
    const int chosen = std::clamp(selection, 0, std::max(0, count - 1));
    const int page = chosen / ROWS_PER_PAGE;
    const int first = page * ROWS_PER_PAGE;
    for (int i = 0; i < ROWS_PER_PAGE && first + i < count; ++i) {
        const Row& row = rows[static_cast<std::size_t>(first + i)];
        const bool selected = first + i == chosen;
        const sf::FloatRect box = rowBox(i);
        if (box.top + box.height > size.y - 2.0f * HINT_ABOVE_BOTTOM) {
            break;
        }
        renderer.drawBox(box, selected ? ROW_SELECTED : ROW_FILL, ROW_OUTLINE,
                         selected ? 3.0f : 1.0f);
        renderer.drawTextAt(cut(row.name, MAX_NAME_CHARS), {box.left + PADDING, box.top + 6.0f},
                            TextAnchor::TopLeft, outlined(22, sf::Color::White));
        renderer.drawTextAt(cut(row.verdict, MAX_VERDICT_CHARS),
                            {box.left + PADDING, box.top + box.height - 6.0f - 16.0f},
                            TextAnchor::TopLeft,
                            outlined(16, row.playable ? HINT_GREY : ERROR_RED));
        if (!row.best.empty()) {
            renderer.drawTextAt("Best " + row.best,
                                {box.left + box.width - PADDING, box.top + box.height / 2.0f},
                                TextAnchor::CentreRight, outlined(22, GOLD));
        }
    }
    const int pages = std::max(1, (count + ROWS_PER_PAGE - 1) / ROWS_PER_PAGE);
    renderer.drawTextAt("Page " + std::to_string(page + 1) + " of " + std::to_string(pages) +
                            "   UP/DOWN, PAGE UP/DOWN to choose, ENTER to play, ESC or TAB "
                            "for the shipped levels",
                        {cx, size.y - HINT_ABOVE_BOTTOM}, TextAnchor::Centre,
                        outlined(16, HINT_GREY));
    window.setView(previous);
}
