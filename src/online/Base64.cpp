#include "online/Base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::string_view ALPHABET =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int NOT_BASE64 = -1;

constexpr std::array<int, 256> makeValues() {
    std::array<int, 256> values{};
    values.fill(NOT_BASE64);
    for (std::size_t i = 0; i < ALPHABET.size(); ++i) {
        values[static_cast<unsigned char>(ALPHABET[i])] = static_cast<int>(i);
    }
    return values;
}
constexpr std::array<int, 256> VALUES = makeValues();

} // namespace

std::string Base64::encode(std::string_view bytes) {
    std::string text;
    text.reserve(encodedLength(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                              << 16;
        if (left > 1) {
            group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        }
        if (left > 2) {
            group |= static_cast<unsigned char>(bytes[i + 2]);
        }
        text += ALPHABET[(group >> 18) & 63];
        text += ALPHABET[(group >> 12) & 63];
        text += left > 1 ? ALPHABET[(group >> 6) & 63] : '=';
        text += left > 2 ? ALPHABET[group & 63] : '=';
    }
    return text;
}

std::optional<std::string> Base64::decode(std::string_view text, std::size_t maxBytes) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    const std::size_t padding =
        text.empty() ? 0 : (text.back() == '=') + (text.size() > 1 && text[text.size() - 2] == '=');
    const std::size_t length = text.size() / 4 * 3 - padding;
    if (length > maxBytes) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(length);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        std::uint32_t group = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            const char c = text[i + j];
            // Padding only closes the last group, and only its last two places.
            if (c == '=' && last && j >= 4 - padding) {
                group <<= 6;
                continue;
            }
            const int value = VALUES[static_cast<unsigned char>(c)];
            if (value == NOT_BASE64) {
                return std::nullopt;
            }
            group = group << 6 | static_cast<std::uint32_t>(value);
        }
        const std::size_t take = last ? 3 - padding : 3;
        // Bits below the last whole byte must be zero: one text per file.
        if ((take == 1 && (group & 0xFFFF) != 0) || (take == 2 && (group & 0xFF) != 0)) {
            return std::nullopt;
        }
        bytes += static_cast<char>(group >> 16 & 0xFF);
        if (take > 1) {
            bytes += static_cast<char>(group >> 8 & 0xFF);
        }
        if (take > 2) {
            bytes += static_cast<char>(group & 0xFF);
        }
    }
    return bytes;
}
