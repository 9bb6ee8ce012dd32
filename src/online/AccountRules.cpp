#include "online/AccountRules.h"

#include <algorithm>

bool AccountRules::isPrintable(sf::Uint32 code) {
    return code >= 0x20 && code <= 0x7e;
}

bool AccountRules::isUsernameCharacter(char c) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    return letter || digit || c == '_' || c == '-';
}

std::string AccountRules::usernameProblem(const std::string& username) {
    if (username.empty()) {
        return "Enter a user name";
    }
    if (username.size() > USERNAME_MAX_LENGTH) {
        return "A user name has at most 20 characters";
    }
    if (!std::all_of(username.begin(), username.end(), isUsernameCharacter)) {
        return "A user name has only letters, digits, _ and -";
    }
    return {};
}

std::string AccountRules::passwordProblem(const std::string& password) {
    if (password.size() < PASSWORD_MIN_LENGTH) {
        return "A password has at least 6 characters";
    }
    if (password.size() > PASSWORD_MAX_LENGTH) {
        return "A password has at most 72 characters";
    }
    const bool printable = std::all_of(password.begin(), password.end(), [](char c) {
        return isPrintable(static_cast<unsigned char>(c));
    });
    if (!printable) {
        return "A password has only printable characters";
    }
    return {};
}
