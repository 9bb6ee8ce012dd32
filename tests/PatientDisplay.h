#pragma once

#include <chrono>
#include <functional>

// Opening the test display with patience: the one virtual X server that a
// whole parallel test run shares can turn a connection away for a moment
// when the machine is busy, and one refusal must not fail a test.

// Tries `open` until it gives a connection, sleeping between tries for
// waits that double from 50 ms, as long as the waits add up to no more
// than `patience`. Returns the connection (null if none came) and counts
// the tries in `tries`.
void* openPatiently(const std::function<void*()>& open,
                    const std::function<void(std::chrono::milliseconds)>& sleep,
                    std::chrono::milliseconds patience, int& tries);
