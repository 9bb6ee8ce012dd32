#pragma once

#include <cstdint>
#include <string>

namespace backend {

// Wall-clock time in the units the backend stores and sends.
class Clock {
public:
    static std::int64_t nowMicros();
    static std::int64_t nowSeconds();

    // RFC 3339 in UTC with microseconds, e.g. "2024-05-01T12:00:00.000123Z".
    static std::string rfc3339(std::int64_t micros);
};

} // namespace backend
