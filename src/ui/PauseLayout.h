#pragma once

#include <SFML/Graphics/Rect.hpp>
#include <SFML/System/Vector2.hpp>

// Geometry of the pause menu, in window pixels: a veil over the whole window
// and, centred on it, the title, four entries and a hint. An entry's click
// area is the rectangle its text is drawn into, so the screen draws with
// entryRect and the input handling hit-tests with the same call. The entries'
// order (Entry) is shared by their texts (UIRenderer) and what each does
// (InputHandler).
class PauseLayout {
public:
    // The entries from the top; pauseSelection holds one of them.
    enum Entry : int { ResumeEntry = 0, StartOverEntry = 1, OptionsEntry = 2, QuitToMenuEntry = 3 };
    static constexpr int ENTRY_COUNT = 4;
    static constexpr unsigned int TITLE_SIZE = 40;
    static constexpr unsigned int ENTRY_SIZE = 32;
    static constexpr unsigned int HINT_SIZE = 16;
    static constexpr float ENTRY_PITCH = 42.0f;
    // Between the selection marker and its entry.
    static constexpr float MARKER_GAP = 12.0f;

    explicit PauseLayout(sf::Vector2u windowSize);

    sf::FloatRect veil;
    sf::Vector2f titleTop; // centre x, top of the ink
    sf::Vector2f hintTop;  // centre x, top of the ink

    // The rectangle entry `index`'s text fills, for a text whose ink box
    // measures inkSize: centred across the window, on the entry's row.
    sf::FloatRect entryRect(int index, sf::Vector2f inkSize) const;
    // Where the selection marker's ink ends: left of the entry, mid-height.
    static sf::Vector2f markerPoint(const sf::FloatRect& entry);

private:
    sf::Vector2f centre;
};
