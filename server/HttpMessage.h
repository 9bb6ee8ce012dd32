#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace backend {

// One request as the transport hands it to the backend: already framed,
// within the size limits, its body decoded from any chunking.
struct HttpRequest {
    std::string method;
    std::string target; // path and query as sent, still percent-encoded
    std::string path;   // the target's path, percent-decoded
    std::string query;  // the target's query, still encoded; empty when none
    std::vector<std::pair<std::string, std::string>> headers; // names in lower case
    std::string body;
    std::string clientAddress; // the peer's IP address as text
    std::chrono::steady_clock::time_point receivedAt = std::chrono::steady_clock::now();

    // Splits a target into path and query and decodes the path.
    void setTarget(std::string text);

    // The first header of that name (any case), or null.
    const std::string* findHeader(std::string_view name) const;
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const { return findHeader(name) != nullptr; }

    // The decoded value of the first query parameter of that name; empty
    // when there is none.
    std::string queryParameter(std::string_view name) const;
};

struct HttpResponse {
    int status = 200;
    std::string body; // empty: no body
    std::string contentType = "application/json";
    bool closeConnection = false;
};

// %XX sequences decoded (malformed ones kept as they are); with plusIsSpace,
// as in a query, '+' stands for a blank.
std::string percentDecode(std::string_view text, bool plusIsSpace);

// The text with control characters, DEL, '\' and bytes outside ASCII written
// as \xNN, cut to maxLength bytes of input ("..." marks the cut), so that a
// logged value can neither forge log lines nor flood the log.
std::string escapeForLog(std::string_view text, std::size_t maxLength);

} // namespace backend
