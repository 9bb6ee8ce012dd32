#pragma once

#include "server/ApiResponse.h"
#include "server/ReplayVerifier.h"
#include "server/Store.h"
#include "server/TokenService.h"

#include <nlohmann/json.hpp>
#include <string>

namespace backend {

// The remote procedures of the scores backend, called the way the
// hosted service calls them: the bearer token decides the role, the body's
// keys must be exactly the procedure's arguments, and a refused call answers
// with the database's error code.
class RpcService {
public:
    static constexpr int HIGH_SCORE_LIST_LENGTH = 10;
    // The levels the game has, as its level list names them: ids 0 to
    // levelCount() - 1.
    static int levelCount();
    // The most one attempt at a level can score: a level holds at most 256
    // blocks and enemies, and none is worth more than 1 000 points. The
    // hosted migration's CHECK constraints hold the same two rules.
    static constexpr int MAX_LEVEL_SCORE = 256 * 1000;

    RpcService(Store& store, const TokenService& tokens,
               ReplayVerifier verifier = ReplayVerifier());

    // bearerToken is the Authorization header's token, or the API key when the
    // request had no such header.
    ApiResponse call(const std::string& procedure, const std::string& body,
                     const std::string& bearerToken);

private:
    struct Caller {
        std::string role;
        std::string userId; // empty when the token names no valid user
    };

    ApiResponse getEmailByUsername(const nlohmann::json& args);
    ApiResponse getHighScoresForLevel(const nlohmann::json& args);
    ApiResponse upsertUserScore(const nlohmann::json& args, const Caller& caller);
    // Plays the replay sent with the score: stored as verified when it wins
    // the shipped level with exactly that score, as unverified when another
    // build recorded it, refused (422, nothing stored) otherwise. Takes up to
    // a fraction of a second of one core; callers run it off the threads
    // that serve cheap requests.
    ApiResponse submitScoreReplay(const nlohmann::json& args, const Caller& caller);
    // The answer to a store: `success` when written.
    static ApiResponse stored(StoreScoreOutcome outcome, const Caller& caller,
                              const ApiResponse& success);

    Store& store;
    const TokenService& tokens;
    ReplayVerifier verifier;
};

} // namespace backend
