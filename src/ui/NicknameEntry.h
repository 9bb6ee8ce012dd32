#pragma once

#include <SFML/Config.hpp>
#include <cstddef>
#include <string>

// The nickname field's own rules, shared by its input (InputHandler), the
// flow that stores the name (GameStateManager) and its drawing (UIRenderer).
// A name goes into this computer's high-score file as one field of a
// comma-separated line, so it may hold letters, digits, spaces and the
// punctuation of printable ASCII, but never a comma or a line break.
class NicknameEntry {
public:
    // A name has at most this many characters; its box holds that many.
    static constexpr std::size_t MAX_LENGTH = 10;

    // Whether a typed character code may be part of a name.
    static bool allowed(sf::Uint32 code);

    // What one typed character did to the field.
    enum class Typed { Ignored, Edited, Submitted };

    // The field as the screen keeps it.
    struct Field {
        std::string& text;
        // The text is the name offered when the screen opened and has not
        // been touched: the first character typed replaces it whole.
        bool& offered;
        // The text the key that opened the screen also sends (its Space or
        // Enter), swallowed once so it neither types nor submits; 0: none.
        sf::Uint32& openingText;
    };

    // Opens the field on `lastName` (may be empty), offered as the default.
    // `openingText`: see Field.
    static void open(Field field, const std::string& lastName, sf::Uint32 openingText);
    // One typed character code: a backspace removes the last character, a
    // return submits, an allowed character is appended while there is room.
    static Typed type(Field field, sf::Uint32 code);
    // The name to store: the text without blanks at either end; empty when
    // there is nothing else.
    static std::string finished(const std::string& text);
};
