#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The standard base64 alphabet with '=' padding, as JSON bodies carry binary
// files (replays) to and from the scores backend.
class Base64 {
public:
    static std::string encode(std::string_view bytes);
    // The bytes of `text`, or nothing when it is not canonical padded base64
    // or would decode to more than maxBytes (checked before decoding).
    static std::optional<std::string> decode(std::string_view text, std::size_t maxBytes);
    // The length of the text that encodes `bytes` bytes.
    static constexpr std::size_t encodedLength(std::size_t bytes) { return (bytes + 2) / 3 * 4; }
};
