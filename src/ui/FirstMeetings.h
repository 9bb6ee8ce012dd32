#pragma once

#include <SFML/Graphics/Rect.hpp>
#include <SFML/System/Vector2.hpp>
#include <SFML/Window/Event.hpp>
#include <cstddef>
#include <string>
#include <vector>

class Level;
class ProgressTable;
class Renderer;
class ResourceManager;
class UiScale;

// The cards that introduce a kind of bird or enemy the first time a level
// holds one: its picture, one line on what it does and "Enter to
// continue". Each kind is shown once; the progress file remembers the kinds
// met.
//
// A card never holds the attempt up: it lies over the top of the field while
// the player aims, the world and every input it does not take go on as
// without it, and a launch puts it away. So an attempt, its replay and its
// log are the same with or without cards.
class FirstMeetings {
public:
    struct Kind {
        std::string name; // as the progress file keeps it, e.g. "bird/boost"
        const char* title;
        const char* textureKey;
        const char* line;
    };

    // Every kind a level can hold, birds then enemies.
    static const std::vector<Kind>& allKinds();
    // The names of the kinds `level` holds, each once, in the table's order.
    static std::vector<std::string> kindsIn(const Level& level);

    // A level starts: its kinds the player has not met wait for their cards.
    void begin(const Level& level, const ProgressTable& progress);
    void begin(const std::vector<std::string>& kinds, const ProgressTable& progress);
    // The card shown now, or null.
    const Kind* current() const;
    // The card shown now is read: its kind is met (and kept), the next shows.
    void dismiss(ProgressTable& progress);
    // A bird was launched: the card shown now counts as read, the others
    // wait for the next start of a level.
    void putAway(ProgressTable& progress);

    // Takes the events that answer the card: Enter, Space while nothing is
    // pulled (A on a controller), a click on the card. `pointer`: a mouse
    // event's position in layout units. False for every other event, and
    // when no card shows.
    bool handle(const sf::Event& event, sf::Vector2f pointer, sf::Vector2u layoutSize, bool pulling,
                ProgressTable& progress);

    // The card's place in a layout of this size: across the top of the
    // field, under the score lines and the banner, clear of the slingshot.
    static sf::FloatRect cardRect(sf::Vector2u layoutSize);
    void draw(Renderer& renderer, const UiScale& scale, ResourceManager& resources) const;

private:
    std::vector<const Kind*> waiting;
    std::size_t shown = 0;
};
