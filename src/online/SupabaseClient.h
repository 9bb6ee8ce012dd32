#pragma once

#include "online/AuthSession.h"
#include "online/BackendConfig.h"
#include "online/BackendTransport.h"
#include "online/HighScore.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The game's only link to its scores backend: account sign-up, sign-in by user
// name and the two score procedures. Every call is synchronous and hands its
// outcome to its callback exactly once before it returns; an empty error text
// means success. Nothing here throws to the caller.
class SupabaseClient {
public:
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

    void signUp(const std::string& username, const std::string& password,
                const AuthCallback& callback);
    void signIn(const std::string& username, const std::string& password,
                const AuthCallback& callback);
    // Forgets the session; no request is sent.
    void signOut();
    // Ends the signed-in session on the service (its refresh tokens are
    // revoked there, so a copy of them signs no one in), for this session
    // only: other screens the player is signed in on stay signed in. Keeps
    // the session here; signOut forgets it. A refusal or no answer is said on
    // standard error: the tokens then only lapse on the service.
    void revokeSession();

    // Takes a session kept from an earlier run; nothing is sent.
    void restoreSession(const AuthSession& session);
    // Renews the access token with the refresh token (the service's refresh
    // grant). Success: the renewed session, with its new refresh token, is
    // the client's. Refused by the service (the refresh token is unknown or
    // used up): signed out, and the error begins with SESSION_ENDED. No
    // answer, or one that cannot be read: the session stays for a later try.
    void refreshSession(const AuthCallback& callback);
    // True when signed in with an access token that expires within
    // REFRESH_MARGIN_SECONDS of `now` (seconds since 1970).
    bool sessionNeedsRefresh(std::int64_t now) const;
    // The session as it stands (empty fields when signed out); the user name
    // is the one given at sign-in, sign-up or restore.
    AuthSession currentSession() const;
    void setSessionListener(SessionListener listener) { sessionListener = std::move(listener); }
    static std::int64_t nowSeconds();

    // Sends a request with the signed-in user's token. Without a session, or
    // for a method other than "GET", "POST", "PUT" or "DELETE", nothing is sent
    // and the result holds no response.
    httplib::Result makeAuthenticatedRequest(const std::string& method, const std::string& path,
                                             const std::string& body);

    void getHighScoresForLevel(int levelId, const HighScoresCallback& callback);
    void upsertUserScore(int levelId, int score, const ScoreUpdateCallback& callback);
    // The score with the replay file that earned it (its bytes), for the
    // backend to play and mark verified. Success when stored, verified or
    // not; a refusal's error begins with SCORE_REFUSED and carries the
    // backend's reason. A backend without the procedure gets the plain
    // upsertUserScore instead, for the rest of the session.
    void submitScoreReplay(int levelId, int score, const std::string& replayBytes,
                           const ScoreUpdateCallback& callback);
    static constexpr const char* SCORE_REFUSED = "Score refused: ";
    // The longest refusal reason kept from an answer.
    static constexpr std::size_t MAX_REASON_LENGTH = 200;

    const std::string& getAccessToken() const { return accessToken; }
    const std::string& getUserId() const { return userId; }
    const std::string& getEmail() const { return email; }
    bool isSignedIn() const { return !accessToken.empty(); }
    bool isUsingHttps() const { return transport.isUsingHttps(); }

private:
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
    void adopt(const Session& session);
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
    // The backend answered that it has no replay procedure.
    bool replayProcedureMissing = false;
};
