// Raw bytes as they would arrive on a connection, read by the transport's
// own parser and rules and answered by the backend, without sockets: up to
// four requests per input, as on a kept-alive connection.

#include "server/BackendServer.h"
#include "server/HttpParsing.h"
#include "server/ServerOptions.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>

namespace {

using backend::httpparsing::Parser;

constexpr int MAX_REQUESTS = 4;

struct Harness {
    Harness()
        : hasher(backend::PasswordHasher::Cost::Minimal),
          tokens(backend::ServerOptions::DEMO_JWT_SECRET) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vollarin-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot create a temporary directory");
        }
        directory = pattern;
        std::string error;
        store = backend::Store::open((directory / "fuzz.db").string(), error);
        if (!store) {
            throw std::runtime_error(error);
        }
        backend::BackendSettings settings;
        settings.authRateBurst = 0;
        settings.hashingThreads = 1;
        settings.http.ioThreads = 1;
        limits = settings.http;
        server =
            std::make_unique<backend::BackendServer>(*store, hasher, tokens, nullptr, settings);
        server->bind("127.0.0.1", 0);
    }
    ~Harness() {
        server.reset();
        store.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    std::filesystem::path directory;
    backend::PasswordHasher hasher;
    backend::TokenService tokens;
    std::unique_ptr<backend::Store> store;
    backend::HttpLimits limits;
    std::unique_ptr<backend::BackendServer> server;
};

// Every answer is a status the protocol knows and, when it has a body, JSON.
void check(const backend::HttpResponse& response) {
    if (response.status < 200 || response.status > 599) {
        std::abort();
    }
    if (!response.body.empty() &&
        nlohmann::json::parse(response.body, nullptr, false).is_discarded()) {
        std::abort();
    }
}

void refuse(Harness& harness, const Parser& parser, int status) {
    const auto& head = parser.get();
    check(harness.server->refuse(
        status, std::string_view(head.method_string().data(), head.method_string().size()),
        std::string_view(head.target().data(), head.target().size())));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    using State = backend::httpparsing::RequestReader::State;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (int i = 0; i < MAX_REQUESTS && !rest.empty(); ++i) {
        backend::httpparsing::RequestReader reader(harness.limits);
        auto state = reader.consume(rest);
        if (state == State::ContinueExpected) {
            state = reader.consume(rest);
        }
        if (state == State::Refused) {
            refuse(harness, reader.parser(), reader.refusalStatus());
            return 0;
        }
        if (state != State::Complete) {
            return 0; // incomplete: a real client would be cut off by the deadline
        }
        const bool keepAlive = reader.parser().keep_alive();
        check(harness.server->respond(reader.take("192.0.2.1", std::chrono::steady_clock::now())));
        if (!keepAlive) {
            return 0;
        }
    }
    return 0;
}
