#pragma once

#include "online/AuthSession.h"
#include "online/BackendConfig.h"
#include "online/BackendTransport.h"
#include "online/HighScore.h"
#include "online/RequestQueue.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

// The game's only link to its scores backend: account sign-up, sign-in by user
// name and the two score procedures. Each call that talks to the service is
// a job on a RequestQueue and hands its outcome to its callback exactly once;
// an empty error text means success. Until runInBackground the job runs
// before the call returns; after it the call returns at once and the
// callback runs inside a later pollCompleted, on the thread that calls it.
// A call returns a ticket; cancel(ticket) means its callback never runs.
// Nothing here throws to the caller.
class SupabaseClient {
public:
    using Ticket = RequestQueue::Ticket;
    using AuthCallback = std::function<void(const nlohmann::json&, const std::string&)>;
    using HighScoresCallback =
        std::function<void(const std::vector<HighScore>&, const std::string&)>;
    using ScoreUpdateCallback = std::function<void(bool, const std::string&)>;
    // Told after a refresh changed the session: renewed, or ended because the
    // service refused the refresh token (the client is then signed out).
    using SessionListener = std::function<void()>;

    // An access token this close to its expiry is renewed before it is used.
    static constexpr std::int64_t REFRESH_MARGIN_SECONDS = 60;
    // The lifetime assumed when an answer does not say (the service's own).
    static constexpr std::int64_t DEFAULT_TOKEN_SECONDS = 3600;
    // The error texts of a refresh that the service refused.
    static constexpr const char* SESSION_ENDED = "Session ended: ";

    // Sends nothing: the connection is opened by the first request. Players
    // have user names; the authentication service wants an address, so each
    // name maps to name + "@" + `emailDomain`.
    SupabaseClient(const std::string& baseUrl, const std::string& anonKey,
                   const std::string& emailDomain = BACKEND_EMAIL_DOMAIN);
    // Requests still under way are abandoned: their connections are cut and
    // the worker is waited for no longer than that takes.
    ~SupabaseClient();
    // Moving abandons the requests of both clients; the moved-to client runs
    // its requests at once until it is told otherwise.
    SupabaseClient(SupabaseClient&& other) noexcept;
    SupabaseClient& operator=(SupabaseClient&& other) noexcept;
    SupabaseClient(const SupabaseClient&) = delete;
    SupabaseClient& operator=(const SupabaseClient&) = delete;

    // From now on requests run on a worker thread; see the class comment.
    void runInBackground();
    // Runs the callbacks of the requests answered since the last call.
    int pollCompleted() { return requests->pollCompleted(); }
    void cancel(Ticket ticket) { requests->cancel(ticket); }
    // No request is queued, under way, or waiting for its callback to run.
    bool isIdle() const { return requests->isIdle(); }
    bool isSettled(Ticket ticket) const { return requests->isSettled(ticket); }
    // For tools and tests: waits until no request is queued or under way.
    bool waitForRequests(std::chrono::milliseconds limit) const {
        return requests->waitForJobs(limit);
    }

    Ticket signUp(const std::string& username, const std::string& password,
                  const AuthCallback& callback);
    Ticket signIn(const std::string& username, const std::string& password,
                  const AuthCallback& callback);
    // Forgets the session; no request is sent.
    void signOut();
    // Ends the signed-in session on the service (its refresh tokens are
    // revoked there, so a copy of them signs no one in), for this session
    // only: other screens the player is signed in on stay signed in. Keeps
    // the session here; signOut forgets it. A refusal or no answer is said on
    // standard error: the tokens then only lapse on the service.
    Ticket revokeSession();

    // Takes a session kept from an earlier run; nothing is sent.
    void restoreSession(const AuthSession& session);
    // Renews the access token with the refresh token (the service's refresh
    // grant). Success: the renewed session, with its new refresh token, is
    // the client's. Refused by the service (the refresh token is unknown or
    // used up): signed out, and the error begins with SESSION_ENDED. No
    // answer, or one that cannot be read: the session stays for a later try.
    Ticket refreshSession(const AuthCallback& callback);
    // True when signed in with an access token that expires within
    // REFRESH_MARGIN_SECONDS of `now` (seconds since 1970).
    bool sessionNeedsRefresh(std::int64_t now) const;
    // The session as it stands (empty fields when signed out); the user name
    // is the one given at sign-in, sign-up or restore.
    AuthSession currentSession() const;
    // Runs where the callbacks run.
    void setSessionListener(SessionListener listener) { sessionListener = std::move(listener); }
    static std::int64_t nowSeconds();

    // Sends a request with the signed-in user's token and waits for it,
    // whatever mode the client is in. Without a session, or for a method
    // other than "GET", "POST", "PUT" or "DELETE", nothing is sent and the
    // result holds no response.
    httplib::Result makeAuthenticatedRequest(const std::string& method, const std::string& path,
                                             const std::string& body);

    Ticket getHighScoresForLevel(int levelId, const HighScoresCallback& callback);
    // Errors: "User not logged in"; NETWORK_ERROR when no answer came, so
    // the score may be sent again later; "Failed to update score" when the
    // service refused it.
    Ticket upsertUserScore(int levelId, int score, const ScoreUpdateCallback& callback);
    static constexpr const char* NETWORK_ERROR = "Network error";

    std::string getAccessToken() const;
    std::string getUserId() const;
    std::string getEmail() const;
    bool isSignedIn() const;
    bool isUsingHttps() const { return transport.isUsingHttps(); }

private:
    // Queues `work`, handing it a callback that carries the outcome back to
    // the caller's thread under the job's ticket. A public call made
    // asynchronous is its synchronous body run through this.
    template <typename... Args, typename Work>
    Ticket post(const std::function<void(Args...)>& callback, Work work) {
        return requests->post([this, callback, work] {
            const Ticket ticket = requests->runningTicket();
            jobEpoch = sessionEpochNow();
            std::function<void(Args...)> answer;
            if (callback) {
                answer = [this, ticket, callback](Args... args) {
                    requests->deliver(
                        ticket, [callback, values = std::make_tuple(std::decay_t<Args>(args)...)] {
                            std::apply(callback, values);
                        });
                };
            }
            work(answer);
        });
    }
    // Tells the session listener, where the callbacks run.
    void announceSessionChange();
    std::uint64_t sessionEpochNow() const;
    void signUpNow(const std::string& username, const std::string& password,
                   const AuthCallback& callback);
    void signInNow(const std::string& username, const std::string& password,
                   const AuthCallback& callback);
    void refreshSessionNow(const AuthCallback& callback);
    void getHighScoresNow(int levelId, const HighScoresCallback& callback);
    void upsertUserScoreNow(int levelId, int score, const ScoreUpdateCallback& callback);
    // Clears the session (and says so) without ending the epoch.
    void forget();
    void revokeNow(const httplib::Headers& headers);
    struct Session {
        std::string accessToken;
        std::string userId;
        std::string email;
        std::string refreshToken; // empty when the answer had none
        std::int64_t expiresAt = 0;
    };

    // `username` becomes the session's user name on success.
    void handleAuthResponse(const httplib::Result& result, const AuthCallback& callback,
                            const std::string& username);
    static std::optional<Session> readSession(const nlohmann::json& answer);
    // The session of a sign-in, sign-up or refresh answer, or nothing with
    // the callback's error text; `answer` receives the parsed body.
    static std::optional<Session> sessionFrom(const httplib::Result& result, nlohmann::json& answer,
                                              std::string& error);
    // False (nothing changed) when the session was signed out or replaced
    // since the job began, or nobody wants the job's answer any more.
    // `fresh`: a new sign-in, whose answer replaces any refresh token.
    bool adopt(const Session& session, bool fresh = false);
    // A POST with the session's token, renewing the token first when it is
    // about to expire, and once more (then sending again) if the service
    // answers 401 all the same: the token ran out during play.
    httplib::Result postWithFreshToken(const std::string& path, const std::string& body);
    static std::optional<std::vector<HighScore>> readHighScores(const std::string& body);

    httplib::Headers anonHeaders() const;
    httplib::Headers signInHeaders() const;
    httplib::Headers authenticatedHeaders() const;
    httplib::Result postJson(const std::string& path, const httplib::Headers& headers,
                             const nlohmann::json& body);
    httplib::Result send(const std::string& method, const std::string& path,
                         const httplib::Headers& headers, const std::string& body);

    std::string baseUrl;
    std::string anonKey;
    std::string emailSuffix;
    BackendTransport transport;
    std::string accessToken;
    std::string userId;
    std::string email;
    std::string refreshToken;
    std::int64_t expiresAt = 0;
    std::string username;
    SessionListener sessionListener;
    // Guards the session fields above, which the worker and the caller's
    // thread both use.
    std::unique_ptr<std::mutex> sessionMutex = std::make_unique<std::mutex>();
    // Grows whenever the caller replaces or forgets the session: a request
    // begun before must not bring the old one back.
    std::uint64_t sessionEpoch = 0;
    std::uint64_t jobEpoch = 0; // the epoch the running job began in
    std::unique_ptr<RequestQueue> requests = std::make_unique<RequestQueue>();
};
