// How long the frame loop stalls while the scores server keeps the game
// waiting, with the backend client's requests run at once on the frame loop
// (at_once) and in the background (background, as the game runs them). The
// server accepts connections and never answers, so every request waits out
// its whole deadline. Counters: the longest frame while the request was
// under way, and for the start-up case the time from the game's construction
// to its menu (three seconds of loading screen included) with a kept session
// that must be renewed first. Needs a display:
//
//   cd build && xvfb-run -a -s "-screen 0 1600x1000x24" ./BackendFrameBenchmark
#include "core/Game.h"
#include "core/QuietOutput.h"
#include "online/AuthSession.h"
#include "online/PendingScores.h"
#include "online/SessionStore.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr float FRAME = 1.0f / 60.0f;
constexpr auto GIVE_UP = std::chrono::seconds(30);

// Listens and never accepts: the kernel completes the connections, the
// requests are never read, no answer ever comes.
class SilentServer {
public:
    SilentServer() {
        socketFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ::bind(socketFd, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(socketFd, 64);
        ::getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(socketFd); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port); }

private:
    int socketFd = -1;
    int port = 0;
};

// The player's folders of this run: a session is kept there, and nothing
// touches the folders of whoever runs the benchmark. Set before main, so
// before anything asks where the player's files are.
class PrivateFolders {
public:
    PrivateFolders()
        : home(std::filesystem::temp_directory_path() /
               ("vollarin-bench-" + std::to_string(::getpid()))) {
        ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    }
    ~PrivateFolders() {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }
    PrivateFolders(const PrivateFolders&) = delete;
    PrivateFolders& operator=(const PrivateFolders&) = delete;

private:
    std::filesystem::path home;
};
const PrivateFolders folders;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Longest {
    double frame = 0.0;  // the call, update() and render()
    double update = 0.0; // the call and update(): what the backend could hold up
    int frames = 0;
};

// Runs frames, `call` made in the first, until the client has nothing
// under way (or, with no call, for `idleFrames`).
Longest longestFrames(Game& game, const std::function<void()>& call, int idleFrames = 0) {
    Longest longest;
    const auto start = Clock::now();
    bool first = true;
    auto goOn = [&] {
        if (!call) {
            return longest.frames < idleFrames;
        }
        return first || (!game.supabase.isIdle() && Clock::now() - start < GIVE_UP);
    };
    while (goOn()) {
        const auto frameStart = Clock::now();
        if (first && call) {
            call();
        }
        first = false;
        game.update(FRAME);
        longest.update = std::max(longest.update, millisecondsSince(frameStart));
        game.render();
        longest.frame = std::max(longest.frame, millisecondsSince(frameStart));
        ++longest.frames;
    }
    return longest;
}

void report(benchmark::State& state, const Longest& longest) {
    state.counters["longest_frame_ms"] = longest.frame;
    state.counters["longest_update_ms"] = longest.update;
    state.counters["frames"] = longest.frames;
}

std::unique_ptr<Game> makeGame(const SilentServer& server, bool background) {
    ::setenv("VOLLARIN_BACKEND_URL", server.url().c_str(), 1);
    auto game = std::make_unique<Game>(1280, 720, "Skysling Clone");
    game->update(Game::LOADING_SECONDS);
    if (background) {
        game->supabase.runInBackground();
    }
    return game;
}

void signIn(Game& game) {
    game.stateManager.openLogin(Menu);
    game.stateManager.usernameInput = "pilot";
    game.stateManager.passwordInput = "Hunter-2-secret";
    game.stateManager.signIn();
}

// The same frames with no request at all: what a frame costs here anyway.
void BM_NoRequest(benchmark::State& state) {
    const QuietOutput quiet(QuietOutput::Also::Errors);
    const SilentServer server;
    auto game = makeGame(server, true);
    game->stateManager.transitionTo(HighScores);
    for (auto _ : state) {
        report(state, longestFrames(*game, nullptr, static_cast<int>(state.range(0))));
    }
}

void BM_SignIn(benchmark::State& state) {
    const QuietOutput quiet(QuietOutput::Also::Errors);
    const SilentServer server;
    auto game = makeGame(server, state.range(0) != 0);
    for (auto _ : state) {
        report(state, longestFrames(*game, [&] { signIn(*game); }));
    }
}

void BM_HighScoreList(benchmark::State& state) {
    const QuietOutput quiet(QuietOutput::Also::Errors);
    const SilentServer server;
    auto game = makeGame(server, state.range(0) != 0);
    for (auto _ : state) {
        report(state, longestFrames(*game, [&] {
                   game->stateManager.transitionTo(HighScores);
                   game->stateManager.fetchHighScores(0);
               }));
    }
}

void BM_ScoreReport(benchmark::State& state) {
    const QuietOutput quiet(QuietOutput::Also::Errors);
    const SilentServer server;
    auto game = makeGame(server, state.range(0) != 0);
    game->supabase.restoreSession(
        {"token", "renew", SupabaseClient::nowSeconds() + 3600, "user-1", "pilot"});
    game->stateManager.isLoggedIn = true;
    game->stateManager.userId = "user-1";
    game->stateManager.startLevel();
    for (auto _ : state) {
        report(state, longestFrames(*game, [&] { game->stateManager.levelCompleted(); }));
    }
}

// The frame loop from construction to the menu, with dt as measured, and a
// kept session whose token has run out.
void BM_MenuWithStaleSession(benchmark::State& state) {
    const QuietOutput quiet(QuietOutput::Also::Errors);
    const SilentServer server;
    ::setenv("VOLLARIN_BACKEND_URL", server.url().c_str(), 1);
    SessionStore store = SessionStore::forThisProcess();
    std::error_code ignored;
    for (auto _ : state) {
        store.save({"token", "renew", SupabaseClient::nowSeconds() + 10, "user-1", "pilot"});
        // Scores the report case could not send would be sent at start too.
        std::filesystem::remove(std::filesystem::path(store.getPath()).parent_path() /
                                    PendingScores::FILE_NAME,
                                ignored);
        const auto start = Clock::now();
        Game game(1280, 720, "Skysling Clone");
        if (state.range(0) != 0) {
            game.supabase.runInBackground();
        }
        auto last = Clock::now();
        double longest = 0.0;
        while (game.stateManager.state != Menu && Clock::now() - start < GIVE_UP) {
            const auto now = Clock::now();
            const float dt = std::chrono::duration<float>(now - last).count();
            last = now;
            game.update(dt);
            game.render();
            longest = std::max(longest, millisecondsSince(now));
        }
        state.counters["menu_after_ms"] = millisecondsSince(start);
        state.counters["longest_frame_ms"] = longest;
    }
    store.remove(std::cerr);
}

} // namespace

BENCHMARK(BM_NoRequest)->ArgName("frames")->Arg(300)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SignIn)
    ->ArgName("background")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HighScoreList)
    ->ArgName("background")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreReport)
    ->ArgName("background")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MenuWithStaleSession)
    ->ArgName("background")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
