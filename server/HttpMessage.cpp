#include "server/HttpMessage.h"

#include <algorithm>
#include <cctype>

namespace backend {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

void HttpRequest::setTarget(std::string text) {
    target = std::move(text);
    const auto mark = target.find('?');
    const std::string_view whole(target);
    path = percentDecode(whole.substr(0, mark), false);
    query = mark == std::string::npos ? std::string() : std::string(whole.substr(mark + 1));
}

const std::string* HttpRequest::findHeader(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringCase(key, name)) {
            return &value;
        }
    }
    return nullptr;
}

std::string HttpRequest::header(std::string_view name) const {
    const auto* value = findHeader(name);
    return value ? *value : std::string();
}

std::string HttpRequest::queryParameter(std::string_view name) const {
    std::string_view rest(query);
    while (!rest.empty()) {
        const auto end = rest.find('&');
        const std::string_view pair = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const auto equals = pair.find('=');
        if (percentDecode(pair.substr(0, equals), true) == name) {
            return equals == std::string_view::npos ? std::string()
                                                    : percentDecode(pair.substr(equals + 1), true);
        }
    }
    return {};
}

std::string percentDecode(std::string_view text, bool plusIsSpace) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            decoded += ' ';
        } else {
            decoded += c;
        }
    }
    return decoded;
}

std::string escapeForLog(std::string_view text, std::size_t maxLength) {
    static constexpr char HEX[] = "0123456789abcdef";
    const bool cut = text.size() > maxLength;
    std::string escaped;
    for (const char c : text.substr(0, maxLength)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '\\') {
            escaped += "\\x";
            escaped += HEX[byte >> 4];
            escaped += HEX[byte & 0x0F];
        } else {
            escaped += c;
        }
    }
    if (cut) {
        escaped += "...";
    }
    return escaped;
}

} // namespace backend
