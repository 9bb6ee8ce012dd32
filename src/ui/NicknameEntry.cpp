#include "ui/NicknameEntry.h"

#include "ui/TypedCodes.h"

namespace {
constexpr sf::Uint32 FIRST_PRINTABLE = 0x20;
constexpr sf::Uint32 LAST_PRINTABLE = 0x7E;
// The high-score file's field separator.
constexpr sf::Uint32 COMMA = ',';

// Enter arrives as either, depending on the system.
bool isReturn(sf::Uint32 code) {
    return code == CARRIAGE_RETURN_CODE || code == LINE_FEED_CODE;
}
} // namespace

bool NicknameEntry::allowed(sf::Uint32 code) {
    return code >= FIRST_PRINTABLE && code <= LAST_PRINTABLE && code != COMMA;
}

void NicknameEntry::open(Field field, const std::string& lastName, sf::Uint32 openingText) {
    field.text = lastName.substr(0, MAX_LENGTH);
    field.offered = !field.text.empty();
    field.openingText = openingText;
}

NicknameEntry::Typed NicknameEntry::type(Field field, sf::Uint32 code) {
    const sf::Uint32 swallowed = field.openingText;
    field.openingText = 0;
    if (swallowed != 0 && (code == swallowed || (isReturn(code) && isReturn(swallowed)))) {
        return Typed::Ignored;
    }
    if (isReturn(code)) {
        return Typed::Submitted;
    }
    if (code == BACKSPACE_CODE) {
        field.offered = false;
        if (field.text.empty()) {
            return Typed::Ignored;
        }
        field.text.pop_back();
        return Typed::Edited;
    }
    if (!allowed(code)) {
        return Typed::Ignored;
    }
    if (field.offered) {
        field.text.clear();
        field.offered = false;
    }
    if (field.text.size() >= MAX_LENGTH) {
        return Typed::Ignored;
    }
    field.text.push_back(static_cast<char>(code));
    return Typed::Edited;
}

std::string NicknameEntry::finished(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}
