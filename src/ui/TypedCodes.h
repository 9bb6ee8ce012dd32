#pragma once

#include <SFML/Config.hpp>

// Character codes of typed text (sf::Event::TextEntered) that the text
// fields act on rather than take in: the login form and the nickname entry.
inline constexpr sf::Uint32 BACKSPACE_CODE = 8;
inline constexpr sf::Uint32 LINE_FEED_CODE = 10;
inline constexpr sf::Uint32 CARRIAGE_RETURN_CODE = 13;
