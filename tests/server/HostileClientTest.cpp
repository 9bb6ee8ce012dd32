// What a hostile client on the network can send, through real HTTP on
// loopback: each must be refused or cut off while everyone else is served.

#include "RawHttp.h"
#include "TestBackend.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using nlohmann::json;
using servertest::DEMO_ANON_KEY;
using servertest::RawConnection;
using servertest::RawResponse;
using namespace std::chrono_literals;

namespace {

constexpr auto ANSWER_TIME = 5s;

std::string requestHead(const std::string& method, const std::string& path,
                        const std::string& extraHeaders) {
    return method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\napikey: " + DEMO_ANON_KEY +
           "\r\nContent-Type: application/json\r\n" + extraHeaders;
}

std::string post(const std::string& path, const std::string& body,
                 const std::string& extraHeaders = "") {
    return requestHead("POST", path, extraHeaders) +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string chunked(const std::string& body, std::size_t chunkSize) {
    std::string framed;
    for (std::size_t at = 0; at < body.size(); at += chunkSize) {
        const auto piece = body.substr(at, chunkSize);
        std::ostringstream size;
        size << std::hex << piece.size();
        framed += size.str() + "\r\n" + piece + "\r\n";
    }
    return framed + "0\r\n\r\n";
}

std::string signUpBody(const std::string& username, const std::string& email,
                       const std::string& password = "secret-pass") {
    return json{{"data", {{"username", username}}}, {"email", email}, {"password", password}}
        .dump();
}

RawResponse roundTrip(int port, const std::string& request) {
    RawConnection connection(port);
    EXPECT_TRUE(connection.send(request));
    auto response = connection.readResponse(ANSWER_TIME);
    if (!response) {
        ADD_FAILURE() << "no answer to " << request.substr(0, 80);
        return {};
    }
    return *response;
}

void expectAuthShape(const RawResponse& response, int status) {
    EXPECT_EQ(response.status, status) << response.body;
    auto body = json::parse(response.body, nullptr, false);
    ASSERT_TRUE(body.is_object()) << response.body;
    EXPECT_EQ(body["code"], status);
    EXPECT_TRUE(body["error_code"].is_string());
    EXPECT_TRUE(body["msg"].is_string());
}

void expectRestShape(const RawResponse& response, int status) {
    EXPECT_EQ(response.status, status) << response.body;
    auto body = json::parse(response.body, nullptr, false);
    ASSERT_TRUE(body.is_object()) << response.body;
    EXPECT_TRUE(body["code"].is_string());
    EXPECT_TRUE(body["message"].is_string());
    EXPECT_TRUE(body.contains("details"));
    EXPECT_TRUE(body.contains("hint"));
}

// A read that must still be answered, whatever else goes on: the hostile
// connections hold no thread it needs. (How long it takes under such attacks
// is a figure for benchmarks/, not a rule for a test on a shared machine.)
void expectHighScoresServed(int port) {
    const auto response =
        roundTrip(port, post("/rest/v1/rpc/get_high_scores_for_level", R"({"p_level_id":1})"));
    EXPECT_EQ(response.status, 200) << response.body;
    EXPECT_EQ(response.body, "[]");
}

TEST(HostileClientTest, CompressedBodiesAreRefusedInEachServicesShape) {
    servertest::TestBackend backend;
    const int port = backend.server->port();
    const std::string gzipped("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\xab\xae\x05\x00", 14);

    const auto signUp =
        roundTrip(port, post("/auth/v1/signup", gzipped, "Content-Encoding: gzip\r\n"));
    expectAuthShape(signUp, 415);
    const auto call = roundTrip(port, post("/rest/v1/rpc/get_high_scores_for_level", gzipped,
                                           "Content-Encoding: GZIP\r\n"));
    expectRestShape(call, 415);
    // A transfer coding on top of the chunking is a compressed body too.
    const auto layered = roundTrip(
        port, requestHead("POST", "/auth/v1/signup", "Transfer-Encoding: gzip, chunked\r\n\r\n") +
                  chunked(gzipped, 8));
    EXPECT_GE(layered.status, 400);
    EXPECT_LT(layered.status, 500);
    // "identity" is no compression at all.
    const auto plain = roundTrip(port, post("/auth/v1/signup", signUpBody("ann", "ann@x.test"),
                                            "Content-Encoding: identity\r\n"));
    EXPECT_EQ(plain.status, 200) << plain.body;
}

TEST(HostileClientTest, BodiesOverTheCapAreRefusedWhateverTheFraming) {
    servertest::TestBackend backend;
    const int port = backend.server->port();
    const std::string padding(100 * 1024, 'x');
    const std::string large = R"({"data":{"username":"ann","pad":")" + padding +
                              R"("},"email":"ann@x.test","password":"secret-pass"})";

    // Announced: refused before the body is read.
    expectAuthShape(roundTrip(port, post("/auth/v1/signup", large)), 413);
    // Chunked: counted as it arrives.
    const auto chunkedSignUp = roundTrip(
        port, requestHead("POST", "/auth/v1/signup", "Transfer-Encoding: chunked\r\n\r\n") +
                  chunked(large, 4096));
    expectAuthShape(chunkedSignUp, 413);
    const auto chunkedCall =
        roundTrip(port, requestHead("POST", "/rest/v1/rpc/get_high_scores_for_level",
                                    "Transfer-Encoding: chunked\r\n\r\n") +
                            chunked(R"({"p_level_id":1,"x":")" + padding + "\"}", 1000));
    expectRestShape(chunkedCall, 413);
    EXPECT_FALSE(backend.store->emailExists("ann@x.test").value);

    // A chunked body within the cap is read whole.
    const auto small = roundTrip(
        port, requestHead("POST", "/auth/v1/signup", "Transfer-Encoding: chunked\r\n\r\n") +
                  chunked(signUpBody("ann", "ann@x.test"), 7));
    EXPECT_EQ(small.status, 200) << small.body;
    expectHighScoresServed(port);
}

TEST(HostileClientTest, HeaderFloodsAreRefusedWith431) {
    servertest::TestBackend backend;
    const int port = backend.server->port();
    std::string many;
    for (int i = 0; i < 200; ++i) {
        many += "X-Filler-" + std::to_string(i) + ": 1\r\n";
    }
    const auto tooMany = roundTrip(port, post("/auth/v1/signup", "{}", many));
    expectAuthShape(tooMany, 431);
    const auto tooLong =
        roundTrip(port, post("/rest/v1/rpc/get_high_scores_for_level", R"({"p_level_id":1})",
                             "X-Filler: " + std::string(20000, 'a') + "\r\n"));
    EXPECT_EQ(tooLong.status, 431);
    // An endless header: cut off at the cap, not read on.
    RawConnection endless(port);
    endless.send(requestHead("GET", "/auth/v1/health", "X-Endless: "));
    bool stillAccepted = true;
    for (int i = 0; i < 64 && stillAccepted; ++i) {
        stillAccepted = endless.send(std::string(4096, 'b'));
    }
    EXPECT_TRUE(endless.closedWithin(ANSWER_TIME));
    expectHighScoresServed(port);
}

TEST(HostileClientTest, SlowSendersAreCutOffAndHoldNoThread) {
    servertest::TestBackendConfig config;
    config.settings.http.requestDeadline = 1s;
    config.settings.http.ioThreads = 1;
    servertest::TestBackend backend(config);
    const int port = backend.server->port();

    // Thirty clients trickling one header line at a time, and thirty idle
    // kept-alive connections, on a server with one serving thread.
    std::vector<std::unique_ptr<RawConnection>> slow;
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 30; ++i) {
        slow.push_back(std::make_unique<RawConnection>(port));
        slow.back()->send("POST /auth/v1/signup HTTP/1.1\r\n");
        idle.push_back(std::make_unique<RawConnection>(port));
    }
    for (int line = 0; line < 3; ++line) {
        expectHighScoresServed(port);
        for (auto& connection : slow) {
            connection->send("X-Line-" + std::to_string(line) + ": slow\r\n");
        }
        std::this_thread::sleep_for(300ms);
    }
    // Past the deadline the trickling clients are gone, the idle ones not.
    for (auto& connection : slow) {
        EXPECT_TRUE(connection->closedWithin(5s));
    }
    ASSERT_TRUE(idle.front()->send(post("/auth/v1/health", "")));
    const auto late = idle.front()->readResponse(ANSWER_TIME);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->status, 404); // health is a GET: the route is unknown
}

TEST(HostileClientTest, KeptAliveConnectionsServeRequestAfterRequest) {
    servertest::TestBackend backend;
    RawConnection connection(backend.server->port());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(
            connection.send(post("/rest/v1/rpc/get_high_scores_for_level", R"({"p_level_id":2})")));
        const auto response = connection.readResponse(ANSWER_TIME);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, 200);
    }
    // A client that asks first whether it may send its body.
    const std::string body = signUpBody("ann", "ann@x.test");
    ASSERT_TRUE(connection.send(requestHead(
        "POST", "/auth/v1/signup",
        "Expect: 100-continue\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n")));
    const auto goOn = connection.readResponse(ANSWER_TIME);
    ASSERT_TRUE(goOn);
    EXPECT_EQ(goOn->status, 100);
    ASSERT_TRUE(connection.send(body));
    const auto created = connection.readResponse(ANSWER_TIME);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->status, 200) << created->body;
}

TEST(HostileClientTest, DeeplyNestedBodiesAreRefusedBeforeAnyTreeIsBuilt) {
    servertest::TestBackend backend;
    const int port = backend.server->port();
    const std::string deep = std::string(30000, '[') + std::string(30000, ']');
    const std::string deepData = R"({"data":)" + std::string(20000, '[') + std::string(20000, ']') +
                                 R"(,"email":"ann@x.test","password":"secret-pass"})";

    const auto signUp = roundTrip(port, post("/auth/v1/signup", deepData));
    expectAuthShape(signUp, 400);
    EXPECT_EQ(json::parse(signUp.body)["error_code"], "bad_json");
    const auto signIn = roundTrip(port, post("/auth/v1/token?grant_type=password", deep));
    expectAuthShape(signIn, 400);
    const auto call = roundTrip(port, post("/rest/v1/rpc/get_high_scores_for_level", deep));
    expectRestShape(call, 400);
    EXPECT_EQ(json::parse(call.body)["code"], "PGRST102");
    // Within the limit, nesting is fine: the procedure just does not match.
    const auto shallow = roundTrip(
        port, post("/rest/v1/rpc/get_high_scores_for_level", R"({"p_level_id":[[[[1]]]]})"));
    EXPECT_EQ(shallow.status, 400);
    EXPECT_EQ(json::parse(shallow.body)["code"], "22P02");
    expectHighScoresServed(port);
}

TEST(HostileClientTest, LoggedPathsCannotForgeLines) {
    std::ostringstream log;
    {
        servertest::TestBackendConfig config;
        config.log = &log;
        servertest::TestBackend backend(config);
        const int port = backend.server->port();
        roundTrip(port, requestHead("GET", "/auth/v1/health%0AGET%20/forged%20200%200.1%20ms%0D",
                                    "\r\n"));
        roundTrip(port, requestHead("GET", "/auth/v1/%1b[31mred?password=hunter22", "\r\n"));
        roundTrip(port, post("/auth/v1/token?grant_type=password",
                             R"({"email":"ann@x.test","password":"hunter22"})"));
    }
    const std::string text = log.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_NE(text.find("GET /auth/v1/health\\x0aGET /forged 200 0.1 ms\\x0d 404 "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("GET /auth/v1/\\x1b[31mred 404 "), std::string::npos) << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.find("hunter22"), std::string::npos);
    EXPECT_EQ(text.find("grant_type"), std::string::npos);
}

} // namespace
