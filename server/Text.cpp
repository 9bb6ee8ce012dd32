#include "server/Text.h"

#include <algorithm>
#include <cctype>

namespace backend {

std::string trimmedLowerCase(std::string_view text) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    const auto first = std::find_if(text.begin(), text.end(), notSpace);
    const auto last = std::find_if(text.rbegin(), text.rend(), notSpace).base();
    std::string result(first, first < last ? last : first);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

} // namespace backend
