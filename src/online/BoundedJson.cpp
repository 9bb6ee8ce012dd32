#include "online/BoundedJson.h"

namespace {

// Counts nesting and stops the parser at the first level too deep; every
// value itself is ignored. nlohmann's SAX parser keeps its own state on the
// heap, so this pass does not recurse.
class DepthCheck : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit DepthCheck(std::size_t maxDepth) : maxDepth(maxDepth) {}

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return enter(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t) override { return enter(); }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

    bool tooDeep = false;

private:
    bool enter() {
        if (++depth > maxDepth) {
            tooDeep = true;
            return false;
        }
        return true;
    }
    bool leave() {
        --depth;
        return true;
    }

    std::size_t maxDepth;
    std::size_t depth = 0;
};

} // namespace

BoundedJson::Result BoundedJson::parse(std::string_view text, std::size_t maxDepth) {
    Result result;
    DepthCheck check(maxDepth);
    const bool wellFormed = nlohmann::json::sax_parse(text, &check);
    if (check.tooDeep) {
        result.verdict = Verdict::TooDeep;
        return result;
    }
    if (!wellFormed) {
        return result;
    }
    result.value = nlohmann::json::parse(text, nullptr, false);
    result.verdict = result.value.is_discarded() ? Verdict::Malformed : Verdict::Parsed;
    return result;
}

bool BoundedJson::withinDepth(std::string_view text, std::size_t maxDepth) {
    DepthCheck check(maxDepth);
    return nlohmann::json::sax_parse(text, &check);
}
