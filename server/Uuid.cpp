#include "server/Uuid.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <sodium.h>

namespace backend {

namespace {

constexpr std::size_t UUID_TEXT_LENGTH = 36;

bool isDashPosition(std::size_t index) {
    return index == 8 || index == 13 || index == 18 || index == 23;
}

} // namespace

std::string Uuid::generate() {
    std::array<std::uint8_t, 16> bytes{};
    randombytes_buf(bytes.data(), bytes.size());
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant

    static constexpr char HEX[] = "0123456789abcdef";
    std::string text;
    text.reserve(UUID_TEXT_LENGTH);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        text += HEX[bytes[i] >> 4];
        text += HEX[bytes[i] & 0x0F];
    }
    return text;
}

std::optional<std::string> Uuid::normalise(const std::string& text) {
    if (text.size() != UUID_TEXT_LENGTH) {
        return std::nullopt;
    }
    std::string canonical;
    canonical.reserve(UUID_TEXT_LENGTH);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (isDashPosition(i)) {
            if (c != '-') {
                return std::nullopt;
            }
            canonical += '-';
        } else if (std::isxdigit(c)) {
            canonical += static_cast<char>(std::tolower(c));
        } else {
            return std::nullopt;
        }
    }
    return canonical;
}

} // namespace backend
