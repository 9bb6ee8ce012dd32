#include "online/SupabaseClient.h"

#include "online/Base64.h"
#include "online/BoundedJson.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <exception>
#include <iostream>
#include <limits>
#include <utility>

namespace {

constexpr int STATUS_OK = 200;
constexpr int STATUS_NO_CONTENT = 204;
// The authentication service refuses a refresh token it does not know, or
// one already used, with 400; anything else may pass and is tried again later.
constexpr int STATUS_REFUSED = 400;
constexpr int STATUS_UNAUTHORIZED = 401;
constexpr int STATUS_NOT_FOUND = 404;
constexpr int STATUS_UNPROCESSABLE = 422;
// No token the service hands out lives longer than this.
constexpr std::int64_t MAX_TOKEN_SECONDS = 7 * 24 * 60 * 60;

// Compact, keys in ascending order (the object type is a sorted map) and
// non-ASCII kept as UTF-8. Invalid UTF-8 typed by a player is replaced rather
// than thrown.
std::string serialize(const nlohmann::json& body) {
    return body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

httplib::Result noResponse() {
    return httplib::Result(nullptr, httplib::Error::Unknown);
}

// The answer as a tree; a discarded value when it is not JSON or nests too
// deeply to be built into one.
nlohmann::json parseAnswer(const std::string& body) {
    auto parsed = BoundedJson::parse(body);
    if (parsed.verdict != BoundedJson::Verdict::Parsed) {
        return nlohmann::json(nlohmann::json::value_t::discarded);
    }
    return std::move(parsed.value);
}

template <typename Callback, typename... Args>
void notify(const Callback& callback, Args&&... args) {
    if (callback) {
        callback(std::forward<Args>(args)...);
    }
}

int clampToInt(long double value) {
    constexpr auto lowest = static_cast<long double>(std::numeric_limits<int>::min());
    constexpr auto highest = static_cast<long double>(std::numeric_limits<int>::max());
    return static_cast<int>(std::clamp(value, lowest, highest));
}

// Integers as they are, fractions truncated toward zero, booleans as 1 and 0;
// anything else is not a score.
std::optional<int> readScore(const nlohmann::json& value) {
    if (value.is_boolean()) {
        return value.get<bool>() ? 1 : 0;
    }
    if (value.is_number_unsigned()) {
        return clampToInt(static_cast<long double>(value.get<std::uint64_t>()));
    }
    if (value.is_number_integer()) {
        return clampToInt(static_cast<long double>(value.get<std::int64_t>()));
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (std::isnan(number)) {
            return std::nullopt;
        }
        return clampToInt(std::trunc(static_cast<long double>(number)));
    }
    return std::nullopt;
}

bool isStringMember(const nlohmann::json& object, const char* key) {
    return object.is_object() && object.contains(key) && object.at(key).is_string();
}

std::optional<std::int64_t> integerMember(const nlohmann::json& object, const char* key) {
    if (!object.is_object() || !object.contains(key) || !object.at(key).is_number_integer()) {
        return std::nullopt;
    }
    const nlohmann::json& value = object.at(key);
    if (value.is_number_unsigned() && value.get<std::uint64_t>() > INT64_MAX) {
        return std::nullopt;
    }
    return value.get<std::int64_t>();
}

// When the access token of an answer expires. The lifetime ("expires_in")
// counts from now on this computer's clock, so a clock that is off does not
// matter; the moment ("expires_at") is taken only without it.
std::int64_t expiryOf(const nlohmann::json& answer, std::int64_t now) {
    if (const auto lifetime = integerMember(answer, "expires_in");
        lifetime && *lifetime > 0 && *lifetime <= MAX_TOKEN_SECONDS) {
        return now + *lifetime;
    }
    if (const auto moment = integerMember(answer, "expires_at");
        moment && *moment > now && *moment <= now + MAX_TOKEN_SECONDS) {
        return *moment;
    }
    return now + SupabaseClient::DEFAULT_TOKEN_SECONDS;
}

} // namespace

SupabaseClient::SupabaseClient(const std::string& baseUrl, const std::string& anonKey,
                               const std::string& emailDomain)
    : baseUrl(baseUrl), anonKey(anonKey), emailSuffix("@" + emailDomain), transport(baseUrl) {}

SupabaseClient::~SupabaseClient() {
    if (requests) {
        requests->stop();
    }
}

SupabaseClient::SupabaseClient(SupabaseClient&& other) noexcept
    : baseUrl(std::move(other.baseUrl)), anonKey(std::move(other.anonKey)),
      emailSuffix(std::move(other.emailSuffix)), transport(std::move(other.transport)),
      accessToken(std::move(other.accessToken)), userId(std::move(other.userId)),
      email(std::move(other.email)), refreshToken(std::move(other.refreshToken)),
      expiresAt(other.expiresAt), username(std::move(other.username)),
      sessionListener(std::move(other.sessionListener)) {
    other.requests->stop();
}

SupabaseClient& SupabaseClient::operator=(SupabaseClient&& other) noexcept {
    if (this == &other) {
        return *this;
    }
    // Both workers stop before any field moves: no job may see half of each.
    requests->stop();
    other.requests->stop();
    baseUrl = std::move(other.baseUrl);
    anonKey = std::move(other.anonKey);
    emailSuffix = std::move(other.emailSuffix);
    transport = std::move(other.transport);
    accessToken = std::move(other.accessToken);
    userId = std::move(other.userId);
    email = std::move(other.email);
    refreshToken = std::move(other.refreshToken);
    expiresAt = other.expiresAt;
    username = std::move(other.username);
    sessionListener = std::move(other.sessionListener);
    ++sessionEpoch;
    requests = std::make_unique<RequestQueue>();
    return *this;
}

void SupabaseClient::runInBackground() {
    requests->runInBackground([transport = &transport] { transport->abandon(); });
}

std::uint64_t SupabaseClient::sessionEpochNow() const {
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    return sessionEpoch;
}

void SupabaseClient::announceSessionChange() {
    if (sessionListener) {
        requests->deliver(RequestQueue::NO_TICKET, sessionListener);
    }
}

std::string SupabaseClient::getAccessToken() const {
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    return accessToken;
}

std::string SupabaseClient::getUserId() const {
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    return userId;
}

std::string SupabaseClient::getEmail() const {
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    return email;
}

bool SupabaseClient::isSignedIn() const {
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    return !accessToken.empty();
}

// Content-Type goes with every request (see BackendTransport), so it is not
// listed here.
httplib::Headers SupabaseClient::anonHeaders() const {
    return {{"apikey", anonKey}};
}

httplib::Headers SupabaseClient::signInHeaders() const {
    return {{"apikey", anonKey}, {"Authorization", "Bearer " + anonKey}};
}

httplib::Headers SupabaseClient::authenticatedHeaders() const {
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    return {{"apikey", anonKey}, {"Authorization", "Bearer " + accessToken}};
}

httplib::Result SupabaseClient::postJson(const std::string& path, const httplib::Headers& headers,
                                         const nlohmann::json& body) {
    return send("POST", path, headers, serialize(body));
}

httplib::Result SupabaseClient::send(const std::string& method, const std::string& path,
                                     const httplib::Headers& headers, const std::string& body) {
    return transport.exchange(method, path, headers, body);
}

SupabaseClient::Ticket SupabaseClient::signUp(const std::string& name, const std::string& password,
                                              const AuthCallback& callback) {
    return post(callback, [this, name, password](const AuthCallback& done) {
        signUpNow(name, password, done);
    });
}

SupabaseClient::Ticket SupabaseClient::signIn(const std::string& name, const std::string& password,
                                              const AuthCallback& callback) {
    return post(callback, [this, name, password](const AuthCallback& done) {
        signInNow(name, password, done);
    });
}

void SupabaseClient::signUpNow(const std::string& username, const std::string& password,
                               const AuthCallback& callback) {
    const nlohmann::json body = {{"data", {{"username", username}}},
                                 {"email", username + emailSuffix},
                                 {"password", password}};
    handleAuthResponse(postJson("/auth/v1/signup", anonHeaders(), body), callback, username);
}

void SupabaseClient::signInNow(const std::string& username, const std::string& password,
                               const AuthCallback& callback) {
    const httplib::Result lookup = postJson("/rest/v1/rpc/get_email_by_username", signInHeaders(),
                                            nlohmann::json::object({{"p_username", username}}));
    // No answer at all is a network failure, not an unknown name: the player
    // must be told the server is out of reach, not that the password is wrong.
    if (!lookup) {
        notify(callback, nlohmann::json(), std::string(NETWORK_ERROR));
        return;
    }
    if (lookup->status != STATUS_OK) {
        notify(callback, nlohmann::json(), std::string("Username not found"));
        return;
    }
    // The procedure answers with a JSON string; dropping the quotes leaves the
    // address (a null answer becomes the word null and is refused below).
    std::string address = lookup->body;
    address.erase(std::remove(address.begin(), address.end(), '"'), address.end());
    const nlohmann::json body = {{"email", address}, {"password", password}};
    handleAuthResponse(postJson("/auth/v1/token?grant_type=password", signInHeaders(), body),
                       callback, username);
}

void SupabaseClient::handleAuthResponse(const httplib::Result& result, const AuthCallback& callback,
                                        const std::string& name) {
    nlohmann::json answer;
    std::string error;
    const std::optional<Session> session = sessionFrom(result, answer, error);
    if (!session) {
        notify(callback, nlohmann::json(), error);
        return;
    }
    if (!adopt(*session, true)) {
        return; // nobody waits for this sign-in any more
    }
    {
        const std::lock_guard<std::mutex> lock(*sessionMutex);
        username = name;
    }
    notify(callback, answer, std::string());
}

std::optional<SupabaseClient::Session> SupabaseClient::sessionFrom(const httplib::Result& result,
                                                                   nlohmann::json& answer,
                                                                   std::string& error) {
    if (!result) {
        error = NETWORK_ERROR;
        return std::nullopt;
    }
    if (result->status != STATUS_OK) {
        error = "Authentication failed: " + result->body;
        return std::nullopt;
    }
    answer = parseAnswer(result->body);
    std::optional<Session> session = answer.is_discarded() ? std::nullopt : readSession(answer);
    if (!session) {
        error = "JSON parse error";
    }
    return session;
}

// An answer without a refresh token leaves the one the client has.
bool SupabaseClient::adopt(const Session& session, bool fresh) {
    if (requests->isCancelled(requests->runningTicket())) {
        return false;
    }
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    if (sessionEpoch != jobEpoch) {
        return false;
    }
    if (fresh) {
        refreshToken.clear();
    }
    accessToken = session.accessToken;
    userId = session.userId;
    email = session.email;
    if (!session.refreshToken.empty()) {
        refreshToken = session.refreshToken;
    }
    expiresAt = session.expiresAt;
    return true;
}

// All three members or none: a half-read answer must not leave the client
// holding one account's token next to another account's id.
std::optional<SupabaseClient::Session> SupabaseClient::readSession(const nlohmann::json& answer) {
    if (!isStringMember(answer, "access_token") || !answer.contains("user")) {
        return std::nullopt;
    }
    const nlohmann::json& user = answer.at("user");
    if (!isStringMember(user, "id") || !isStringMember(user, "email")) {
        return std::nullopt;
    }
    // A session without a refresh token still works until it expires.
    return Session{answer.at("access_token").get<std::string>(), user.at("id").get<std::string>(),
                   user.at("email").get<std::string>(),
                   isStringMember(answer, "refresh_token")
                       ? answer.at("refresh_token").get<std::string>()
                       : std::string(),
                   expiryOf(answer, nowSeconds())};
}

void SupabaseClient::signOut() {
    {
        const std::lock_guard<std::mutex> lock(*sessionMutex);
        ++sessionEpoch;
    }
    forget();
}

void SupabaseClient::forget() {
    {
        const std::lock_guard<std::mutex> lock(*sessionMutex);
        accessToken.clear();
        userId.clear();
        email.clear();
        refreshToken.clear();
        expiresAt = 0;
        username.clear();
    }
    std::cout << "User signed out locally.\n" << std::flush;
}

SupabaseClient::Ticket SupabaseClient::revokeSession() {
    if (!isSignedIn()) {
        return RequestQueue::NO_TICKET;
    }
    // The token is taken now: the player may sign out (and the session be
    // forgotten here) before the request goes.
    const httplib::Headers headers = authenticatedHeaders();
    return requests->post([this, headers] { revokeNow(headers); });
}

void SupabaseClient::revokeNow(const httplib::Headers& headers) {
    const auto result = send("POST", "/auth/v1/logout?scope=local", headers, std::string());
    if (!result) {
        std::cerr << "Could not end the session on the server (no answer); it lapses there."
                  << std::endl;
    } else if (result->status != 204 && result->status != 200) {
        std::cerr << "Could not end the session on the server (status " << result->status
                  << "); it lapses there." << std::endl;
    }
}

std::int64_t SupabaseClient::nowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void SupabaseClient::restoreSession(const AuthSession& session) {
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    ++sessionEpoch;
    accessToken = session.accessToken;
    refreshToken = session.refreshToken;
    expiresAt = session.expiresAt;
    userId = session.userId;
    username = session.username;
    email.clear();
}

AuthSession SupabaseClient::currentSession() const {
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    return {accessToken, refreshToken, expiresAt, userId, username};
}

bool SupabaseClient::sessionNeedsRefresh(std::int64_t now) const {
    const std::lock_guard<std::mutex> lock(*sessionMutex);
    return !accessToken.empty() && expiresAt - now < REFRESH_MARGIN_SECONDS;
}

SupabaseClient::Ticket SupabaseClient::refreshSession(const AuthCallback& callback) {
    return post(callback, [this](const AuthCallback& done) { refreshSessionNow(done); });
}

void SupabaseClient::refreshSessionNow(const AuthCallback& callback) {
    std::string renewWith;
    {
        const std::lock_guard<std::mutex> lock(*sessionMutex);
        if (!accessToken.empty()) {
            renewWith = refreshToken;
        }
    }
    if (renewWith.empty()) {
        notify(callback, nlohmann::json(), std::string("No session to renew"));
        return;
    }
    const httplib::Result result =
        postJson("/auth/v1/token?grant_type=refresh_token", anonHeaders(),
                 nlohmann::json::object({{"refresh_token", renewWith}}));
    if (result && result->status == STATUS_REFUSED) {
        if (sessionEpochNow() != jobEpoch) {
            return; // that session was already forgotten here
        }
        // The refresh token is gone for good: nothing will renew this session.
        std::cout << "The scores server ended the session (status " << result->status << ")"
                  << std::endl;
        forget();
        announceSessionChange();
        notify(callback, nlohmann::json(), SESSION_ENDED + result->body);
        return;
    }
    nlohmann::json answer;
    std::string error;
    const std::optional<Session> session = sessionFrom(result, answer, error);
    if (!session) {
        // Kept as it is: the next request that needs it tries again.
        std::cout << "Could not renew the session ("
                  << (result ? "status " + std::to_string(result->status) : "no answer") << ")"
                  << std::endl;
        notify(callback, nlohmann::json(), error);
        return;
    }
    if (!adopt(*session)) {
        return;
    }
    std::cout << "Session renewed" << std::endl;
    announceSessionChange();
    notify(callback, answer, std::string());
}

httplib::Result SupabaseClient::makeAuthenticatedRequest(const std::string& method,
                                                         const std::string& path,
                                                         const std::string& body) {
    if (!isSignedIn()) {
        return noResponse();
    }
    return send(method, path, authenticatedHeaders(), body);
}

SupabaseClient::Ticket SupabaseClient::getHighScoresForLevel(int levelId,
                                                             const HighScoresCallback& callback) {
    return post(callback, [this, levelId](const HighScoresCallback& done) {
        getHighScoresNow(levelId, done);
    });
}

void SupabaseClient::getHighScoresNow(int levelId, const HighScoresCallback& callback) {
    const httplib::Result result = postJson("/rest/v1/rpc/get_high_scores_for_level", anonHeaders(),
                                            nlohmann::json::object({{"p_level_id", levelId}}));
    if (!result) {
        notify(callback, std::vector<HighScore>(), std::string(NETWORK_ERROR));
        return;
    }
    if (result->status != STATUS_OK) {
        notify(callback, std::vector<HighScore>(),
               "Server error: " + std::to_string(result->status));
        return;
    }
    const std::optional<std::vector<HighScore>> scores = readHighScores(result->body);
    if (!scores) {
        notify(callback, std::vector<HighScore>(), std::string("JSON parse error"));
        return;
    }
    notify(callback, *scores, std::string());
}

// The answer is an array of rows with "username", "score" and, from
// backends that verify replays, "verified"; one bad row
// discards the whole answer.
std::optional<std::vector<HighScore>> SupabaseClient::readHighScores(const std::string& body) {
    const nlohmann::json answer = parseAnswer(body);
    if (answer.is_discarded() || !answer.is_array()) {
        return std::nullopt;
    }
    std::vector<HighScore> scores;
    for (const nlohmann::json& row : answer) {
        if (!isStringMember(row, "username") || !row.contains("score")) {
            return std::nullopt;
        }
        const std::optional<int> score = readScore(row.at("score"));
        if (!score) {
            return std::nullopt;
        }
        // Backends without verified replays leave the flag out.
        const auto verified = row.find("verified");
        if (verified != row.end() && !verified->is_boolean()) {
            return std::nullopt;
        }
        scores.push_back(HighScore{row.at("username").get<std::string>(), *score, 0,
                                   verified != row.end() && verified->get<bool>()});
    }
    return scores;
}

SupabaseClient::Ticket SupabaseClient::upsertUserScore(int levelId, int score,
                                                       const ScoreUpdateCallback& callback) {
    return post(callback, [this, levelId, score](const ScoreUpdateCallback& done) {
        upsertUserScoreNow(levelId, score, done);
    });
}

void SupabaseClient::upsertUserScoreNow(int levelId, int score,
                                        const ScoreUpdateCallback& callback) {
    const std::string user = getUserId();
    if (!isSignedIn()) {
        notify(callback, false, std::string("User not logged in"));
        return;
    }
    const nlohmann::json body = {{"p_level_id", levelId}, {"p_score", score}, {"p_user_id", user}};
    const httplib::Result result =
        postWithFreshToken("/rest/v1/rpc/upsert_user_score", serialize(body));
    if (!isSignedIn()) {
        notify(callback, false, std::string("User not logged in"));
        return;
    }
    if (result && result->status == STATUS_NO_CONTENT) {
        notify(callback, true, std::string());
        return;
    }
    notify(callback, false, std::string(result ? "Failed to update score" : NETWORK_ERROR));
}

SupabaseClient::Ticket SupabaseClient::submitScoreReplay(int levelId, int score,
                                                         const std::string& replayBytes,
                                                         const ScoreUpdateCallback& callback) {
    return post(callback, [this, levelId, score, replayBytes](const ScoreUpdateCallback& done) {
        submitScoreReplayNow(levelId, score, replayBytes, done);
    });
}

void SupabaseClient::submitScoreReplayNow(int levelId, int score, const std::string& replayBytes,
                                          const ScoreUpdateCallback& callback) {
    if (replayProcedureMissing) {
        upsertUserScoreNow(levelId, score, callback);
        return;
    }
    if (!isSignedIn()) {
        notify(callback, false, std::string("User not logged in"));
        return;
    }
    const nlohmann::json body = {
        {"p_level_id", levelId}, {"p_score", score}, {"p_replay", Base64::encode(replayBytes)}};
    const httplib::Result result =
        postWithFreshToken("/rest/v1/rpc/submit_score_replay", serialize(body));
    if (!isSignedIn()) {
        notify(callback, false, std::string("User not logged in"));
        return;
    }
    if (result && result->status == STATUS_NOT_FOUND) {
        // An older backend: the design's procedure stores the score alone.
        replayProcedureMissing = true;
        upsertUserScoreNow(levelId, score, callback);
        return;
    }
    if (result && result->status == STATUS_OK) {
        notify(callback, true, std::string());
        return;
    }
    if (result && result->status == STATUS_UNPROCESSABLE) {
        const nlohmann::json answer = parseAnswer(result->body);
        std::string reason = "no reason given";
        for (const char* key : {"reason", "message"}) {
            if (answer.is_object() && answer.contains(key) && answer.at(key).is_string() &&
                !answer.at(key).get_ref<const std::string&>().empty()) {
                reason = answer.at(key).get<std::string>();
                break;
            }
        }
        // Printable ASCII only and cut short: it goes to the log.
        for (char& c : reason) {
            if (c < 0x20 || c > 0x7e) {
                c = '?';
            }
        }
        if (reason.size() > MAX_REASON_LENGTH) {
            reason.resize(MAX_REASON_LENGTH);
        }
        notify(callback, false, SCORE_REFUSED + reason);
        return;
    }
    notify(callback, false, std::string(result ? "Failed to update score" : NETWORK_ERROR));
}

httplib::Result SupabaseClient::postWithFreshToken(const std::string& path,
                                                   const std::string& body) {
    bool renewed = false;
    auto canRenew = [this] {
        const std::lock_guard<std::mutex> lock(*sessionMutex);
        return !refreshToken.empty();
    };
    if (sessionNeedsRefresh(nowSeconds()) && canRenew()) {
        refreshSessionNow(nullptr);
        renewed = true;
    }
    httplib::Result result = makeAuthenticatedRequest("POST", path, body);
    if (result && result->status == STATUS_UNAUTHORIZED && !renewed && canRenew()) {
        refreshSessionNow(nullptr);
        result = makeAuthenticatedRequest("POST", path, body);
    }
    return result;
}
