#pragma once

#include <SFML/Config.hpp>
#include <cstddef>
#include <string>

// What the game accepts as a user name and a password, checked before
// anything is sent to the scores server (which holds names to the same rule).
// A name becomes part of the account's address, so it keeps to characters
// that read the same everywhere.
class AccountRules {
public:
    static constexpr std::size_t USERNAME_MAX_LENGTH = 20;
    static constexpr std::size_t PASSWORD_MIN_LENGTH = 6;
    static constexpr std::size_t PASSWORD_MAX_LENGTH = 72;

    // Printable ASCII, the space included: what may be typed into a field.
    static bool isPrintable(sf::Uint32 code);
    // A letter, a digit, an underscore or a hyphen.
    static bool isUsernameCharacter(char c);

    // Empty when the text may be sent; otherwise what the player should
    // change, as shown on the login screen.
    static std::string usernameProblem(const std::string& username);
    static std::string passwordProblem(const std::string& password);
};
