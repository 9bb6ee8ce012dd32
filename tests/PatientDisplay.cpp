// Every X connection a test process makes goes through here: the window
// library opens its display with XOpenDisplay, which this executable
// provides in place of Xlib's own (exported for that in CMakeLists.txt) and
// which tries again while the display turns it away. If the shared display
// stays out of reach, the process starts a virtual display of its own; if
// that fails too, it says so plainly instead of leaving a test to die of a
// bare "Failed to open X11 display".

#include "PatientDisplay.h"

#include "e2e/GameProcess.h"

#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <string>
#include <thread>

void* openPatiently(const std::function<void*()>& open,
                    const std::function<void(std::chrono::milliseconds)>& sleep,
                    std::chrono::milliseconds patience, int& tries) {
    tries = 0;
    std::chrono::milliseconds waited{0};
    std::chrono::milliseconds wait{50};
    for (;;) {
        ++tries;
        if (void* connection = open()) {
            return connection;
        }
        if (waited + wait > patience) {
            return nullptr;
        }
        sleep(wait);
        waited += wait;
        wait *= 2;
    }
}

namespace {

constexpr std::chrono::seconds PATIENCE{10};

using OpenDisplay = Display* (*)(const char*);

OpenDisplay xlibOpenDisplay() {
    static const auto real = reinterpret_cast<OpenDisplay>(::dlsym(RTLD_NEXT, "XOpenDisplay"));
    return real;
}

void* tryDisplay(const char* name, int& tries) {
    return openPatiently([name] { return static_cast<void*>(xlibOpenDisplay()(name)); },
                         [](std::chrono::milliseconds span) { std::this_thread::sleep_for(span); },
                         PATIENCE, tries);
}

} // namespace

extern "C" Display* XOpenDisplay(const char* name) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (xlibOpenDisplay() == nullptr) {
        std::fprintf(stderr, "vollarin tests: Xlib's XOpenDisplay was not found\n");
        return nullptr;
    }
    const char* fromEnvironment = std::getenv("DISPLAY");
    const std::string wanted = name != nullptr ? name : fromEnvironment ? fromEnvironment : "";
    int tries = 0;
    if (!wanted.empty()) {
        if (void* connection = tryDisplay(name, tries)) {
            if (tries > 1) {
                std::fprintf(stderr, "vollarin tests: X display %s answered on try %d\n",
                             wanted.c_str(), tries);
            }
            return static_cast<Display*>(connection);
        }
    }
    // Only a request for "the display" may be moved to one of our own; a
    // named display is what its caller asked for.
    if (name == nullptr || wanted == (fromEnvironment ? fromEnvironment : "")) {
        static PrivateDisplay own;
        if (own.name().empty() && own.start(1600, 1000)) {
            ::setenv("DISPLAY", own.name().c_str(), 1);
            std::fprintf(stderr,
                         "vollarin tests: X display \"%s\" refused %d connections within %lld s; "
                         "this process runs on a virtual display of its own, %s\n",
                         wanted.c_str(), tries, static_cast<long long>(PATIENCE.count()),
                         own.name().c_str());
        }
        if (!own.name().empty()) {
            int ownTries = 0;
            if (void* connection = tryDisplay(own.name().c_str(), ownTries)) {
                return static_cast<Display*>(connection);
            }
        }
    }
    std::fprintf(stderr,
                 "vollarin tests: no X display: \"%s\" refused %d connections within %lld s and no "
                 "virtual display of this process's own could be started (is Xvfb installed?); "
                 "tests that open a window fail\n",
                 wanted.c_str(), tries, static_cast<long long>(PATIENCE.count()));
    return nullptr;
}
