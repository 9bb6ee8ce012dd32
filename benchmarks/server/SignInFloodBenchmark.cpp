// How long a high-score read takes on the stand-in server while clients
// flood it with password sign-ins at the real hashing cost, against the
// same reads on an idle server. The tests only check that the reads are
// answered during such a flood; the times are these figures.
//
//   ./SignInFloodBenchmark     (from the build directory; no display needed)
//
// Each iteration is one read on a kept-alive connection. p50, p99 and max
// are that read's wall time in milliseconds; sign_ins is how many of the
// flood's sign-ins were answered while the reads ran.
#include "server/BackendServer.h"
#include "server/PasswordHasher.h"
#include "server/ServerOptions.h"
#include "server/Store.h"
#include "server/TokenService.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* ANON_KEY =
    "eyJhbGciOiJIUzI1NiIsInR5cCI6IkpXVCJ9."
    "eyJpc3MiOiJzdXBhYmFzZS1kZW1vIiwicm9sZSI6ImFub24iLCJleHAiOjE5ODM4MTI5OTZ9."
    "CRXP1A7WOeoJeXxjNni43kdQwgnWNReilDMblYTn_I0";

// The server on a free loopback port with a throw-away database.
class Backend {
public:
    Backend()
        : hasher(backend::PasswordHasher::Cost::Interactive),
          tokens(backend::ServerOptions::DEMO_JWT_SECRET) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vollarin-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary directory");
        }
        directory = pattern;
        std::string error;
        store = backend::Store::open((directory / "backend.db").string(), error);
        if (!store) {
            throw std::runtime_error(error);
        }
        backend::BackendSettings settings;
        settings.authRateBurst = 0;
        server =
            std::make_unique<backend::BackendServer>(*store, hasher, tokens, nullptr, settings);
        if (!server->bind("127.0.0.1", 0)) {
            throw std::runtime_error("cannot bind a loopback port");
        }
        serving = std::thread([this] { server->run(); });
        while (!server->isRunning()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~Backend() {
        server->stop();
        serving.join();
        server.reset();
        store.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    httplib::Client client() const { return httplib::Client("127.0.0.1", server->port()); }

private:
    std::filesystem::path directory;
    backend::PasswordHasher hasher;
    backend::TokenService tokens;
    std::unique_ptr<backend::Store> store;
    std::unique_ptr<backend::BackendServer> server;
    std::thread serving;
};

void BM_HighScoreRead(benchmark::State& state) {
    const int floodingClients = static_cast<int>(state.range(0));
    Backend backend;
    {
        auto client = backend.client();
        client.Post(
            "/auth/v1/signup", {{"apikey", ANON_KEY}},
            R"({"data":{"username":"ann"},"email":"ann@x.test","password":"right-password"})",
            "application/json");
    }
    std::atomic<bool> flooding{true};
    std::atomic<int> signIns{0};
    std::vector<std::thread> flood;
    for (int i = 0; i < floodingClients; ++i) {
        flood.emplace_back([&] {
            auto client = backend.client();
            client.set_read_timeout(5, 0);
            while (flooding) {
                if (client.Post("/auth/v1/token?grant_type=password", {{"apikey", ANON_KEY}},
                                R"({"email":"ann@x.test","password":"wrong-password"})",
                                "application/json")) {
                    ++signIns;
                }
            }
        });
    }
    if (floodingClients > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the queue fills up
    }
    const int signInsBefore = signIns;

    auto client = backend.client();
    std::vector<double> times;
    int level = 0;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        const auto result = client.Post(
            "/rest/v1/rpc/get_high_scores_for_level", {{"apikey", ANON_KEY}},
            R"({"p_level_id":)" + std::to_string(level++ % 7) + "}", "application/json");
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
        if (!result || result->status != 200) {
            state.SkipWithError("a read went unanswered");
            break;
        }
    }
    const int signInsDuring = signIns - signInsBefore;
    flooding = false;
    for (auto& thread : flood) {
        thread.join();
    }
    if (times.empty()) {
        return;
    }
    std::sort(times.begin(), times.end());
    state.counters["p50"] = times[times.size() / 2];
    state.counters["p99"] = times[std::max<std::size_t>(1, times.size() * 99 / 100) - 1];
    state.counters["max"] = times.back();
    state.counters["sign_ins"] = signInsDuring;
}
BENCHMARK(BM_HighScoreRead)
    ->ArgName("flooding_clients")
    ->Arg(0)
    ->Arg(30)
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
