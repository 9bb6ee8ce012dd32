#include "server/Clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace backend {

std::int64_t Clock::nowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

std::int64_t Clock::nowSeconds() {
    return nowMicros() / 1000000;
}

std::string Clock::rfc3339(std::int64_t micros) {
    const std::time_t seconds = static_cast<std::time_t>(micros / 1000000);
    const long fraction = static_cast<long>(micros % 1000000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06ldZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, fraction);
    return text;
}

} // namespace backend
