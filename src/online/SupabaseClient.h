#pragma once

#include "online/BackendConfig.h"
#include "online/BackendTransport.h"
#include "online/HighScore.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

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

    // Sends a request with the signed-in user's token. Without a session, or
    // for a method other than "GET", "POST", "PUT" or "DELETE", nothing is sent
    // and the result holds no response.
    httplib::Result makeAuthenticatedRequest(const std::string& method, const std::string& path,
                                             const std::string& body);

    void getHighScoresForLevel(int levelId, const HighScoresCallback& callback);
    void upsertUserScore(int levelId, int score, const ScoreUpdateCallback& callback);

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
    };

    void handleAuthResponse(const httplib::Result& result, const AuthCallback& callback);
    static std::optional<Session> readSession(const nlohmann::json& answer);
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
};
