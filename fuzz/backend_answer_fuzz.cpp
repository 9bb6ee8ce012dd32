// Any bytes as the backend's whole HTTP answer (status line, headers and
// body) to each of the client's five requests: sign-up, the user-name
// look-up, sign-in, the high-score fetch and the score upload. Each
// operation must report exactly once and never crash, hang or throw.

#include "FuzzSupport.h"

#include "online/RawHttpServer.h"
#include "online/SupabaseClient.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace {

const std::string VALID_SESSION =
    R"({"access_token":"token","user":{"id":"id-fuzz","email":"fuzz@vollarin.io"}})";

// Answers with the current fuzz input, or with a valid sign-in while the
// upload's session is being set up.
struct Answers {
    std::mutex mutex;
    std::string raw;
    bool validSignIn = false;

    std::string next(const std::string& request) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!validSignIn) {
            return raw;
        }
        const std::string body = request.find("get_email_by_username") != std::string::npos
                                     ? std::string(R"("fuzz@vollarin.io")")
                                     : VALID_SESSION;
        return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n\r\n" + body;
    }
    void set(std::string bytes, bool signIn) {
        const std::lock_guard<std::mutex> lock(mutex);
        raw = std::move(bytes);
        validSignIn = signIn;
    }
};

Answers& answers() {
    static Answers shared;
    return shared;
}

RawHttpServer& server() {
    static RawHttpServer loopback([](RawHttpServer&, int socket, const std::string& request) {
        RawHttpServer::sendAll(socket, answers().next(request));
    });
    return loopback;
}

// Counts the calls of one operation's callback.
struct Calls {
    int count = 0;
    void operator()() { ++count; }
    void expectOnce(const char* operation) const {
        if (count != 1) {
            fuzz_support::fail(operation);
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::silenceGameLog();
    if (!server().isListening()) {
        fuzz_support::fail("no loopback port for the answering server");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    answers().set(std::string(reinterpret_cast<const char*>(data), size), false);
    SupabaseClient client(server().baseUrl(), "fuzz-anon-key");

    Calls signUp;
    client.signUp("fuzz", "secret1", [&](const nlohmann::json&, const std::string&) { signUp(); });
    signUp.expectOnce("sign-up reported other than once");

    Calls signIn; // the look-up and, when it passes, the sign-in itself
    client.signIn("fuzz", "secret1", [&](const nlohmann::json&, const std::string&) { signIn(); });
    signIn.expectOnce("sign-in reported other than once");

    Calls fetch;
    client.getHighScoresForLevel(
        3, [&](const std::vector<HighScore>& scores, const std::string& error) {
            fetch();
            if (!error.empty() && !scores.empty()) {
                fuzz_support::fail("a failed fetch handed over scores");
            }
        });
    fetch.expectOnce("fetch reported other than once");

    if (!client.isSignedIn()) {
        answers().set({}, true);
        client.signIn("fuzz", "secret1", nullptr);
        answers().set(std::string(reinterpret_cast<const char*>(data), size), false);
    }
    Calls upload;
    client.upsertUserScore(3, 1200, [&](bool, const std::string&) { upload(); });
    upload.expectOnce("upload reported other than once");
    return 0;
}
