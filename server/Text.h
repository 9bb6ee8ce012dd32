#pragma once

#include <string>
#include <string_view>

namespace backend {

// The text without leading and trailing blanks, in ASCII lower case: how
// e-mail addresses and header tokens are compared.
std::string trimmedLowerCase(std::string_view text);

} // namespace backend
