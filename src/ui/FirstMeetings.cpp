#include "ui/FirstMeetings.h"

#include "assets/Renderer.h"
#include "assets/ResourceManager.h"
#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "entities/Enemy.h"
#include "entities/EnemyKinds.h"
#include "level/Level.h"
#include "online/ProgressTable.h"
#include "ui/UiScale.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <algorithm>

namespace {
const sf::Color CARD_FILL(20, 20, 30, 225);
const sf::Color CARD_OUTLINE(230, 180, 40, 255);
const sf::Color TITLE_GOLD(255, 215, 0, 255);
const sf::Color HINT_GREY(200, 200, 200, 255);

const sf::Vector2f CARD_SIZE(620.0f, 120.0f);
constexpr float CARD_TOP = 125.0f;
constexpr float PICTURE_SIDE = 72.0f;
constexpr float PADDING = 20.0f;

TextStyle outlined(unsigned int size, sf::Color color) {
    TextStyle style{size, color, false};
    style.outlineThickness = size >= 18 ? 2.0f : 1.0f;
    return style;
}

std::string lowerCase(const char* word) {
    std::string text(word);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

std::string birdName(BirdKind kind) {
    return "bird/" + lowerCase(birdKindInfo(kind).word);
}

std::string enemyName(EnemyKind kind) {
    return "enemy/" + lowerCase(enemyKindInfo(kind).keyword);
}
} // namespace

const std::vector<FirstMeetings::Kind>& FirstMeetings::allKinds() {
    static const std::vector<Kind> kinds{
        {birdName(Normal), "Bird", birdKindInfo(Normal).textureKey,
         "Pull back, aim, let go: it topples what it hits."},
        {birdName(Boost), "Boost Bird", birdKindInfo(Boost).textureKey,
         "In flight, Space or a click speeds it up."},
        {birdName(Split), "Split Bird", birdKindInfo(Split).textureKey,
         "In flight, Space or a click splits it in three."},
        {birdName(Explosion), "Explosion Bird", birdKindInfo(Explosion).textureKey,
         "In flight, Space or a click makes it burst."},
        {enemyName(Basic), "Enemy", enemyKindInfo(Basic).textureKey,
         "Knock out every one of them to win the level."},
        {enemyName(Armed), "Armed Enemy", enemyKindInfo(Armed).textureKey,
         "Tougher than the others, and worth more points."},
        {enemyName(Puppet), "Puppet Enemy", enemyKindInfo(Puppet).textureKey,
         "Frail and worth little, but it must go too."},
    };
    return kinds;
}

std::vector<std::string> FirstMeetings::kindsIn(const Level& level) {
    std::vector<std::string> held;
    for (const auto& entity : level.entities) {
        std::string name;
        if (const auto* bird = dynamic_cast<const Bird*>(entity.get())) {
            name = birdName(birdKindOf(*bird));
        } else if (const auto* enemy = dynamic_cast<const Enemy*>(entity.get())) {
            name = enemyName(enemyKindOf(*enemy));
        }
        if (!name.empty() && std::find(held.begin(), held.end(), name) == held.end()) {
            held.push_back(name);
        }
    }
    // In the table's order, whatever the file's.
    std::vector<std::string> ordered;
    for (const Kind& kind : allKinds()) {
        if (std::find(held.begin(), held.end(), kind.name) != held.end()) {
            ordered.push_back(kind.name);
        }
    }
    return ordered;
}

void FirstMeetings::begin(const Level& level, const ProgressTable& progress) {
    begin(kindsIn(level), progress);
}

void FirstMeetings::begin(const std::vector<std::string>& kinds, const ProgressTable& progress) {
    waiting.clear();
    shown = 0;
    for (const Kind& kind : allKinds()) {
        if (std::find(kinds.begin(), kinds.end(), kind.name) != kinds.end() &&
            !progress.hasMet(kind.name)) {
            waiting.push_back(&kind);
        }
    }
}

const FirstMeetings::Kind* FirstMeetings::current() const {
    return shown < waiting.size() ? waiting[shown] : nullptr;
}

void FirstMeetings::dismiss(ProgressTable& progress) {
    if (const Kind* kind = current()) {
        progress.meet(kind->name);
        ++shown;
    }
}

void FirstMeetings::putAway(ProgressTable& progress) {
    dismiss(progress);
    waiting.clear();
    shown = 0;
}

bool FirstMeetings::handle(const sf::Event& event, sf::Vector2f pointer, sf::Vector2u layoutSize,
                           bool pulling, ProgressTable& progress) {
    if (current() == nullptr) {
        return false;
    }
    const bool answers =
        (event.type == sf::Event::KeyPressed &&
         (event.key.code == sf::Keyboard::Enter ||
          (event.key.code == sf::Keyboard::Space && !pulling))) ||
        (event.type == sf::Event::MouseButtonPressed &&
         event.mouseButton.button == sf::Mouse::Left && cardRect(layoutSize).contains(pointer));
    if (answers) {
        dismiss(progress);
    }
    return answers;
}

sf::FloatRect FirstMeetings::cardRect(sf::Vector2u layoutSize) {
    const float width = std::min(CARD_SIZE.x, static_cast<float>(layoutSize.x) - 2.0f * PADDING);
    return {(static_cast<float>(layoutSize.x) - width) / 2.0f, CARD_TOP, width, CARD_SIZE.y};
}

void FirstMeetings::draw(Renderer& renderer, const UiScale& scale,
                         ResourceManager& resources) const {
    const Kind* kind = current();
    if (kind == nullptr) {
        return;
    }
    sf::RenderWindow& window = renderer.getWindow();
    const sf::View previous = window.getView();
    window.setView(scale.view());
    const sf::FloatRect card = cardRect(scale.layoutSize());
    renderer.drawBox(card, CARD_FILL, CARD_OUTLINE, 2.0f);
    const sf::Vector2f picture(card.left + PADDING + PICTURE_SIDE / 2.0f,
                               card.top + card.height / 2.0f);
    renderer.drawSprite(resources.getTexture(kind->textureKey), picture, PICTURE_SIDE, PICTURE_SIDE,
                        0.0f, sf::Color::White);
    const float textLeft = card.left + 2.0f * PADDING + PICTURE_SIDE;
    renderer.drawTextAt(std::string("New: ") + kind->title, {textLeft, card.top + 16.0f},
                        TextAnchor::TopLeft, outlined(24, TITLE_GOLD));
    renderer.drawTextAt(kind->line, {textLeft, card.top + 56.0f}, TextAnchor::TopLeft,
                        outlined(18, sf::Color::White));
    renderer.drawTextAt("Enter to continue", {card.left + card.width - PADDING, card.top + 92.0f},
                        TextAnchor::TopRight, outlined(16, HINT_GREY));
    window.setView(previous);
}
