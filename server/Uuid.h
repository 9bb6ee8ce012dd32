#pragma once

#include <optional>
#include <string>

namespace backend {

// Random (version 4) UUIDs for user and session ids, and the textual
// normalisation that makes two spellings of one id compare equal.
class Uuid {
public:
    static std::string generate();

    // The canonical lower-case form of a UUID text, or nothing when the text
    // is not a UUID. Accepts upper-case hex, as the database's uuid type does.
    static std::optional<std::string> normalise(const std::string& text);
};

} // namespace backend
