#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string_view>

// Parses JSON from outside (a request to the server, an answer to the
// game) only after a first pass, which builds nothing,
// has shown that it nests no deeper than a small limit. Building, copying,
// printing and freeing a tree recurse once per level, so a request nested
// thousands deep could otherwise exhaust a thread's stack.
class BoundedJson {
public:
    // Deep enough for every request, answer and token of the game (3
    // levels) with room to spare.
    static constexpr std::size_t MAX_DEPTH = 32;

    enum class Verdict { Parsed, Malformed, TooDeep };

    struct Result {
        Verdict verdict = Verdict::Malformed;
        nlohmann::json value; // discarded when not Parsed
    };

    static Result parse(std::string_view text, std::size_t maxDepth = MAX_DEPTH);

    // True when the text is JSON no deeper than maxDepth.
    static bool withinDepth(std::string_view text, std::size_t maxDepth = MAX_DEPTH);
};
