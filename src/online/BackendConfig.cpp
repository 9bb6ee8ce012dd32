#include "online/BackendConfig.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <sstream>

namespace {

constexpr int MAX_PORT = 65535;
constexpr std::size_t MAX_LABEL_LENGTH = 63;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lower);
    return result;
}

// Dot-separated labels of letters, digits and inner hyphens (a DNS name or a
// dotted IPv4 address).
bool isHostName(std::string_view name) {
    if (name.empty() || name.size() > BackendConfig::MAX_DOMAIN_LENGTH) {
        return false;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = name.find('.', start);
        const std::string_view label = name.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (label.empty() || label.size() > MAX_LABEL_LENGTH || label.front() == '-' ||
            label.back() == '-') {
            return false;
        }
        for (const char c : label) {
            if (!isLetter(c) && !isDigit(c) && c != '-') {
                return false;
            }
        }
        if (dot == std::string_view::npos) {
            return true;
        }
        start = dot + 1;
    }
}

bool isIpv6Literal(std::string_view inside) {
    return !inside.empty() && inside.size() <= 45 &&
           std::all_of(inside.begin(), inside.end(),
                       [](char c) {
                           return isDigit(c) || (lower(c) >= 'a' && lower(c) <= 'f') || c == ':' ||
                                  c == '.';
                       }) &&
           inside.find(':') != std::string_view::npos;
}

bool isPort(std::string_view text) {
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), isDigit)) {
        return false;
    }
    const int port = std::stoi(std::string(text));
    return port >= 1 && port <= MAX_PORT;
}

// A value as it may appear in the log: bounded, and without the control
// characters that could forge log lines.
std::string printable(std::string_view value) {
    constexpr std::size_t SHOWN = 120;
    std::string shown(value.substr(0, SHOWN));
    for (char& c : shown) {
        if (c < 0x20 || c > 0x7e) {
            c = '?';
        }
    }
    return value.size() > SHOWN ? shown + "..." : shown;
}

void take(std::optional<std::string>& into, const char* value) {
    if (value != nullptr && *value != '\0') {
        into = std::string(value);
    }
}

} // namespace

std::optional<std::string> BackendConfig::checkBaseUrl(std::string_view url, std::string& why) {
    if (url.size() > MAX_URL_LENGTH) {
        why = "it is longer than " + std::to_string(MAX_URL_LENGTH) + " characters";
        return std::nullopt;
    }
    const std::size_t separator = url.find("://");
    if (separator == std::string_view::npos) {
        why = "it does not begin with http:// or https://";
        return std::nullopt;
    }
    const std::string scheme = lowered(url.substr(0, separator));
    if (scheme != "http" && scheme != "https") {
        why = "its scheme is not http or https";
        return std::nullopt;
    }
    std::string_view rest = url.substr(separator + 3);
    // One trailing slash is how addresses are often copied; anything more
    // would be a path, which the client cannot honour.
    if (!rest.empty() && rest.back() == '/') {
        rest.remove_suffix(1);
    }
    if (rest.find_first_of("/?#@ \t\r\n\\") != std::string_view::npos) {
        why = "it has more than a scheme, a host and a port";
        return std::nullopt;
    }
    std::string_view host = rest;
    std::string_view port;
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos || !isIpv6Literal(host.substr(1, close - 1))) {
            why = "its host is not a valid address";
            return std::nullopt;
        }
        port = host.substr(close + 1);
        host = host.substr(0, close + 1);
        if (!port.empty() && port.front() != ':') {
            why = "its host is not a valid address";
            return std::nullopt;
        }
    } else {
        const std::size_t colon = host.find(':');
        if (colon != std::string_view::npos) {
            port = host.substr(colon);
            host = host.substr(0, colon);
        }
        if (!isHostName(host)) {
            why = host.empty() ? "it has no host" : "its host is not a valid name";
            return std::nullopt;
        }
    }
    if (!port.empty() && !isPort(port.substr(1))) {
        why = "its port is not a number from 1 to 65535";
        return std::nullopt;
    }
    return scheme + "://" + lowered(host) + std::string(port);
}

std::optional<std::string> BackendConfig::checkAnonKey(std::string_view key, std::string& why) {
    if (key.empty() || key.size() > MAX_KEY_LENGTH) {
        why = "it is empty or longer than " + std::to_string(MAX_KEY_LENGTH) + " characters";
        return std::nullopt;
    }
    // Keys are tokens of URL-safe characters; nothing else may reach a header.
    const bool tokenCharacters = std::all_of(key.begin(), key.end(), [](char c) {
        return isLetter(c) || isDigit(c) || c == '.' || c == '_' || c == '-';
    });
    if (!tokenCharacters) {
        why = "it holds characters other than letters, digits, '.', '_' and '-'";
        return std::nullopt;
    }
    return std::string(key);
}

std::optional<std::string> BackendConfig::checkEmailDomain(std::string_view domain,
                                                           std::string& why) {
    if (!domain.empty() && domain.front() == '@') {
        domain.remove_prefix(1);
    }
    if (!isHostName(domain)) {
        why = "it is not a domain name";
        return std::nullopt;
    }
    return lowered(domain);
}

void BackendConfig::apply(const BackendOverrides& layer, std::ostream& warnings) {
    auto adopt = [&](const std::optional<std::string>& value, const char* what, auto check,
                     std::string& into, std::string& source, bool quote) {
        if (!value) {
            return;
        }
        std::string why;
        if (const std::optional<std::string> checked = check(*value, why)) {
            into = *checked;
            source = layer.source;
            return;
        }
        warnings << "BackendConfig: ignoring the " << what << " from the " << layer.source;
        if (quote) {
            warnings << " (\"" << printable(*value) << "\")";
        }
        warnings << ": " << why << "; keeping " << (quote ? into : std::string("the key")) << " ("
                 << source << ")" << std::endl;
    };
    adopt(layer.baseUrl, "backend URL", checkBaseUrl, baseUrl, baseUrlSource, true);
    // A key is a secret of sorts: never echoed.
    adopt(layer.anonKey, "anon key", checkAnonKey, anonKey, anonKeySource, false);
    adopt(layer.emailDomain, "e-mail domain", checkEmailDomain, emailDomain, emailDomainSource,
          true);
}

BackendConfig BackendConfig::layered(const std::vector<BackendOverrides>& layers,
                                     std::ostream& warnings) {
    BackendConfig config;
    for (const BackendOverrides& layer : layers) {
        config.apply(layer, warnings);
    }
    return config;
}

BackendOverrides BackendConfig::fromEnvironment(const Lookup& lookup) {
    BackendOverrides layer;
    layer.source = "environment";
    take(layer.baseUrl, lookup(URL_VARIABLE));
    take(layer.anonKey, lookup(KEY_VARIABLE));
    take(layer.emailDomain, lookup(DOMAIN_VARIABLE));
    return layer;
}

BackendOverrides BackendConfig::fromProcessEnvironment() {
    return fromEnvironment([](const char* name) { return std::getenv(name); });
}

BackendConfig BackendConfig::forThisRun(std::ostream& warnings) {
    return layered({fromProcessEnvironment()}, warnings);
}

std::string BackendConfig::describe() const {
    std::ostringstream line;
    line << "Backend: " << baseUrl << " (" << baseUrlSource << "), e-mail domain " << emailDomain
         << " (" << emailDomainSource << "), anon key from " << anonKeySource;
    return line.str();
}
