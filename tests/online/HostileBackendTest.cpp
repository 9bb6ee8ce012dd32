// The client against servers that misbehave on purpose: redirects elsewhere,
// answers trickled byte by byte, oversized and absurdly nested answers.

#include "online/BackendTransport.h"
#include "online/RawHttpServer.h"
#include "online/ScriptedServer.h"
#include "online/SupabaseClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace {

const std::string ANON_KEY = "anon-key-for-tests";
const std::string SESSION_ANN =
    R"({"access_token":"token-ann","user":{"id":"id-ann","email":"ann@vollarin.io"}})";
const std::string FETCH = "/rest/v1/rpc/get_high_scores_for_level";

struct Outcomes {
    int calls = 0;
    std::string error;
    std::vector<HighScore> scores;
    bool stored = false;

    SupabaseClient::AuthCallback auth() {
        return [this](const nlohmann::json&, const std::string& e) { record(e); };
    }
    SupabaseClient::HighScoresCallback fetch() {
        return [this](const std::vector<HighScore>& s, const std::string& e) {
            scores = s;
            record(e);
        };
    }
    SupabaseClient::ScoreUpdateCallback store() {
        return [this](bool s, const std::string& e) {
            stored = s;
            record(e);
        };
    }
    void record(const std::string& e) {
        ++calls;
        error = e;
    }
};

std::string nested(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

class HostileBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        ASSERT_TRUE(elsewhere.isListening());
    }

    void signInAsAnn() {
        server.answer("/rest/v1/rpc/get_email_by_username", 200, R"("ann@vollarin.io")");
        server.answer("/auth/v1/token", 200, SESSION_ANN);
        Outcomes outcome;
        client.signIn("ann", "secret1", outcome.auth());
        ASSERT_EQ(outcome.error, "");
    }

    httplib::Headers movedTo(const std::string& path) const {
        return {{"Location", elsewhere.baseUrl() + path}};
    }

    ScriptedServer server;
    ScriptedServer elsewhere;
    SupabaseClient client{server.baseUrl(), ANON_KEY};
};

} // namespace

TEST_F(HostileBackendTest, RedirectsAreAnswersAndNothingReachesTheOtherAddress) {
    const std::string moved = R"({"message":"moved"})";
    // 307 and 308 keep method and body: following them would hand the
    // password, the anon key or the user's token to the other address.
    server.answer("/auth/v1/signup", 307, moved, movedTo("/auth/v1/signup"));
    Outcomes signUp;
    client.signUp("ann", "secret1", signUp.auth());
    EXPECT_EQ(signUp.error, "Authentication failed: " + moved);

    server.answer("/rest/v1/rpc/get_email_by_username", 308, moved,
                  movedTo("/rest/v1/rpc/get_email_by_username"));
    Outcomes lookup;
    client.signIn("ann", "secret1", lookup.auth());
    EXPECT_EQ(lookup.error, "Username not found");

    server.answer("/rest/v1/rpc/get_email_by_username", 200, R"("ann@vollarin.io")");
    server.answer("/auth/v1/token", 307, moved, movedTo("/auth/v1/token"));
    Outcomes signIn;
    client.signIn("ann", "secret1", signIn.auth());
    EXPECT_EQ(signIn.error, "Authentication failed: " + moved);
    EXPECT_FALSE(client.isSignedIn());

    server.answer(FETCH, 307, moved, movedTo(FETCH));
    Outcomes fetch;
    client.getHighScoresForLevel(1, fetch.fetch());
    EXPECT_EQ(fetch.error, "Server error: 307");

    signInAsAnn();
    server.answer("/rest/v1/rpc/upsert_user_score", 308, moved,
                  movedTo("/rest/v1/rpc/upsert_user_score"));
    Outcomes store;
    client.upsertUserScore(1, 900, store.store());
    EXPECT_FALSE(store.stored);
    EXPECT_EQ(store.error, "Failed to update score");

    for (const Outcomes* outcome : {&signUp, &lookup, &signIn, &fetch, &store}) {
        EXPECT_EQ(outcome->calls, 1);
    }
    EXPECT_TRUE(elsewhere.requests().empty());
    // One request per exchange (two for each sign-in): no second try anywhere.
    EXPECT_EQ(server.requests().size(), 8u);
}

TEST_F(HostileBackendTest, ATricklingServerIsGivenUpAfterTheDeadlineOfTheWholeExchange) {
    // A byte a second: every single read would be well within a per-read
    // time-out, and the answer never ends.
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                               "Content-Length: 40\r\n\r\n[]";
    std::atomic<std::size_t> sent{0};
    RawHttpServer trickler([&](RawHttpServer& self, int socket, const std::string&) {
        for (char byte : answer) {
            if (!RawHttpServer::sendAll(socket, std::string_view(&byte, 1))) {
                return;
            }
            ++sent;
            if (!self.pause(std::chrono::seconds(1))) {
                return;
            }
        }
    });
    ASSERT_TRUE(trickler.isListening());
    SupabaseClient slowClient(trickler.baseUrl(), ANON_KEY);

    Outcomes fetch;
    testing::internal::CaptureStderr();
    slowClient.getHighScoresForLevel(2, fetch.fetch());
    const std::string log = testing::internal::GetCapturedStderr();

    // Given up by the deadline of the whole exchange (its own log line), not
    // by a read that waited too long, and the answer never finished.
    EXPECT_LT(sent, answer.size());
    EXPECT_EQ(fetch.calls, 1);
    EXPECT_EQ(fetch.error, "Network error");
    EXPECT_NE(log.find("No answer to " + FETCH + " within 5 s; gave up."), std::string::npos)
        << log;
}

TEST_F(HostileBackendTest, AnswersOverOneMebibyteAreRefusedAndJustUnderAreRead) {
    const std::size_t limit = BackendTransport::MAX_ANSWER_BYTES;
    const std::string huge = R"([{"username":")" + std::string(2 * limit, 'a') + R"(","score":1}])";
    server.answer(FETCH, 200, huge);
    Outcomes tooLarge;
    testing::internal::CaptureStderr();
    client.getHighScoresForLevel(0, tooLarge.fetch());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("is larger than 1048576 bytes; refused"),
              std::string::npos);
    EXPECT_EQ(tooLarge.error, "Network error");
    EXPECT_TRUE(tooLarge.scores.empty());

    server.answer("/auth/v1/signup", 200, SESSION_ANN + std::string(2 * limit, ' '));
    Outcomes signUp;
    testing::internal::CaptureStderr();
    client.signUp("ann", "secret1", signUp.auth());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(signUp.error, "Network error");
    EXPECT_FALSE(client.isSignedIn());

    const std::string name(limit - 100, 'n');
    server.answer(FETCH, 200, R"([{"username":")" + name + R"(","score":7}])");
    Outcomes justUnder;
    client.getHighScoresForLevel(0, justUnder.fetch());
    EXPECT_EQ(justUnder.error, "");
    ASSERT_EQ(justUnder.scores.size(), 1u);
    EXPECT_EQ(justUnder.scores[0].name, name);
}

TEST_F(HostileBackendTest, UndeclaredOrHeaderBorneFloodsAreCutOffToo) {
    // Chunked, so no length is declared up front; then endless headers.
    RawHttpServer chunked([](RawHttpServer&, int socket, const std::string&) {
        RawHttpServer::sendAll(socket, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
        const std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
        for (int i = 0; i < 40 && RawHttpServer::sendAll(socket, chunk); ++i) {
        }
    });
    // The headers never end and the connection stays open: only the size
    // limit can end this exchange before the deadline.
    RawHttpServer headers([](RawHttpServer& self, int socket, const std::string&) {
        RawHttpServer::sendAll(socket, "HTTP/1.1 200 OK\r\n");
        std::string lines;
        for (int i = 0; i < 4096; ++i) {
            lines += "X-Pad: " + std::to_string(i) + "\r\n";
        }
        for (int i = 0; i < 200 && RawHttpServer::sendAll(socket, lines); ++i) {
        }
        self.pause(std::chrono::seconds(10));
    });
    for (RawHttpServer* flood : {&chunked, &headers}) {
        ASSERT_TRUE(flood->isListening());
        SupabaseClient floodedClient(flood->baseUrl(), ANON_KEY);
        Outcomes fetch;
        testing::internal::CaptureStderr();
        floodedClient.getHighScoresForLevel(0, fetch.fetch());
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(fetch.error, "Network error");
        EXPECT_NE(log.find("is larger than 1048576 bytes; refused"), std::string::npos) << log;
        EXPECT_EQ(log.find("gave up"), std::string::npos) << "cut off by size, not by the deadline";
    }
}

TEST_F(HostileBackendTest, DeeplyNestedAnswersAreRefusedBeforeTheyAreParsed) {
    // Valid sessions and score lists in every other respect.
    server.answer("/auth/v1/signup", 200,
                  R"({"access_token":"t","user":{"id":"i","email":"e","x":)" + nested(10000) +
                      "}}");
    Outcomes signUp;
    client.signUp("ann", "secret1", signUp.auth());
    EXPECT_EQ(signUp.error, "JSON parse error");
    EXPECT_FALSE(client.isSignedIn());

    server.answer(FETCH, 200, R"([{"username":"ann","score":5,"x":)" + nested(10000) + "}]");
    Outcomes deep;
    client.getHighScoresForLevel(0, deep.fetch());
    EXPECT_EQ(deep.error, "JSON parse error");
    EXPECT_TRUE(deep.scores.empty());

    server.answer(FETCH, 200, R"([{"username":"ann","score":5,"x":)" + nested(20) + "}]");
    Outcomes shallow;
    client.getHighScoresForLevel(0, shallow.fetch());
    EXPECT_EQ(shallow.error, "");
    EXPECT_EQ(shallow.scores.size(), 1u);
}
