#include "server/RpcService.h"

#include "online/BoundedJson.h"
#include "server/Clock.h"
#include "server/Uuid.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>
#include <set>
#include <variant>
#include <vector>

namespace backend {

namespace {

struct Procedure {
    const char* name;
    std::set<std::string> arguments;
    std::set<std::string> grantedRoles;
};

const std::vector<Procedure>& procedures() {
    static const std::vector<Procedure> all = {
        {"get_email_by_username", {"p_username"}, {"anon", "authenticated"}},
        {"get_high_scores_for_level", {"p_level_id"}, {"anon", "authenticated"}},
        {"upsert_user_score", {"p_level_id", "p_score", "p_user_id"}, {"authenticated"}},
        {"submit_score_replay", {"p_level_id", "p_score", "p_replay"}, {"authenticated"}},
    };
    return all;
}

std::string joined(const std::set<std::string>& names, const char* separator) {
    std::string text;
    for (const auto& name : names) {
        text += (text.empty() ? "" : separator) + name;
    }
    return text;
}

bool hasExactlyArguments(const nlohmann::json& args, const std::set<std::string>& names) {
    if (args.size() != names.size()) {
        return false;
    }
    for (const auto& item : args.items()) {
        if (names.count(item.key()) == 0) {
            return false;
        }
    }
    return true;
}

ApiResponse functionNotFound(const std::string& procedure, const nlohmann::json& args) {
    std::set<std::string> keys;
    for (const auto& item : args.items()) {
        keys.insert(item.key());
    }
    const std::string qualified = "public." + procedure;
    const std::string message = keys.empty() ? "Could not find the function " + qualified +
                                                   " without parameters in the schema cache"
                                             : "Could not find the function " + qualified + "(" +
                                                   joined(keys, ", ") + ") in the schema cache";
    const std::string details =
        "Searched for the function " + qualified +
        (keys.empty()
             ? " without parameters"
             : " with parameter" + std::string(keys.size() > 1 ? "s " : " ") + joined(keys, ", ")) +
        " or with a single unnamed json/jsonb parameter, but no matches were found in the "
        "schema cache.";
    return ApiResponse::rpcError(404, "PGRST202", message, details);
}

ApiResponse invalidInput(const std::string& type, const nlohmann::json& value) {
    const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
    return ApiResponse::rpcError(400, "22P02",
                                 "invalid input syntax for type " + type + ": \"" + text + "\"");
}

ApiResponse permissionDenied(const std::string& role, const std::string& message) {
    return ApiResponse::rpcError(role == "anon" ? 401 : 403, "42501", message);
}

ApiResponse notNullViolation(const char* column) {
    return ApiResponse::rpcError(400, "23502",
                                 std::string("null value in column \"") + column +
                                     "\" of relation \"scores\" violates not-null constraint");
}

// An integer argument: absent (null), a value, or the error to answer. JSON
// numbers and numeric strings are accepted, as the database casts both.
using IntArgument = std::variant<std::monostate, int, ApiResponse>;

IntArgument integerArgument(const nlohmann::json& value) {
    if (value.is_null()) {
        return std::monostate{};
    }
    long long number = 0;
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() && value.get<unsigned long long>() > LLONG_MAX) {
            number = LLONG_MAX;
        } else {
            number = value.get<long long>();
        }
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        char* end = nullptr;
        errno = 0;
        number = std::strtoll(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno == ERANGE) {
            return invalidInput("integer", value);
        }
    } else {
        return invalidInput("integer", value);
    }
    if (number < INT_MIN || number > INT_MAX) {
        const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
        return ApiResponse::rpcError(400, "22003",
                                     "value \"" + text + "\" is out of range for type integer");
    }
    return static_cast<int>(number);
}

struct LevelScore {
    int levelId;
    int points;
};

ApiResponse storageFailure() {
    return ApiResponse::rpcError(500, "XX000", "the scores database failed");
}

// The level and score arguments of a store, checked as the database's
// column types and CHECK constraints check them.
std::variant<LevelScore, ApiResponse> levelAndScore(const nlohmann::json& args) {
    const auto level = integerArgument(args.at("p_level_id"));
    if (const auto* error = std::get_if<ApiResponse>(&level)) {
        return *error;
    }
    const auto score = integerArgument(args.at("p_score"));
    if (const auto* error = std::get_if<ApiResponse>(&score)) {
        return *error;
    }
    if (!std::holds_alternative<int>(level)) {
        return notNullViolation("level_id");
    }
    if (!std::holds_alternative<int>(score)) {
        return notNullViolation("score");
    }

    // As the database's CHECK constraints answer it.
    const auto checkViolation = [](const char* constraint, const std::string& detail) {
        return ApiResponse::rpcError(400, "23514",
                                     std::string("new row for relation \"scores\" violates check "
                                                 "constraint \"") +
                                         constraint + "\"",
                                     detail);
    };
    const int levelId = std::get<int>(level);
    const int points = std::get<int>(score);
    if (levelId < 0 || levelId >= RpcService::LEVEL_COUNT) {
        return checkViolation("scores_level_id_check",
                              "Failing row contains level_id " + std::to_string(levelId) + ".");
    }
    if (points < 0 || points > RpcService::MAX_LEVEL_SCORE) {
        return checkViolation("scores_score_check",
                              "Failing row contains score " + std::to_string(points) + ".");
    }

    return LevelScore{levelId, points};
}

} // namespace

RpcService::RpcService(Store& store, const TokenService& tokens, ReplayVerifier verifier)
    : store(store), tokens(tokens), verifier(std::move(verifier)) {}

ApiResponse RpcService::call(const std::string& procedure, const std::string& body,
                             const std::string& bearerToken) {
    const auto verification = tokens.verify(bearerToken, Clock::nowSeconds());
    if (verification.verdict == TokenService::Verdict::Expired) {
        return ApiResponse::rpcError(401, "PGRST303", "JWT expired");
    }
    if (verification.verdict != TokenService::Verdict::Valid) {
        return ApiResponse::rpcError(401, "PGRST301", "JWSError JWSInvalidSignature");
    }
    Caller caller;
    // Without a role claim the call runs as the anonymous role.
    caller.role = "anon";
    if (const auto role = verification.claims.find("role");
        role != verification.claims.end() && role->is_string()) {
        caller.role = role->get<std::string>();
    }
    if (const auto sub = verification.claims.find("sub");
        sub != verification.claims.end() && sub->is_string()) {
        caller.userId = Uuid::normalise(sub->get<std::string>()).value_or("");
    }

    // An empty body calls the procedure without arguments.
    auto parsed = body.empty()
                      ? BoundedJson::Result{BoundedJson::Verdict::Parsed, nlohmann::json::object()}
                      : BoundedJson::parse(body);
    const auto& args = parsed.value;
    if (parsed.verdict != BoundedJson::Verdict::Parsed || !args.is_object()) {
        return ApiResponse::rpcError(400, "PGRST102", "Empty or invalid json");
    }

    const auto& all = procedures();
    const auto found = std::find_if(all.begin(), all.end(), [&](const Procedure& candidate) {
        return procedure == candidate.name && hasExactlyArguments(args, candidate.arguments);
    });
    if (found == all.end()) {
        return functionNotFound(procedure, args);
    }
    if (found->grantedRoles.count(caller.role) == 0) {
        return permissionDenied(caller.role, "permission denied for function " + procedure);
    }

    if (procedure == "get_email_by_username") {
        return getEmailByUsername(args);
    }
    if (procedure == "get_high_scores_for_level") {
        return getHighScoresForLevel(args);
    }
    if (procedure == "submit_score_replay") {
        return submitScoreReplay(args, caller);
    }
    return upsertUserScore(args, caller);
}

ApiResponse RpcService::getEmailByUsername(const nlohmann::json& args) {
    const auto& value = args.at("p_username");
    if (value.is_null()) {
        return ApiResponse::json(200, nullptr);
    }
    const std::string username = value.is_string() ? value.get<std::string>() : value.dump();
    const auto email = store.emailForUsername(username);
    if (!email.ok) {
        return storageFailure();
    }
    return ApiResponse::json(200, email.value ? nlohmann::json(*email.value) : nullptr);
}

ApiResponse RpcService::getHighScoresForLevel(const nlohmann::json& args) {
    const auto level = integerArgument(args.at("p_level_id"));
    if (const auto* error = std::get_if<ApiResponse>(&level)) {
        return *error;
    }
    auto rows = nlohmann::json::array();
    if (const auto* levelId = std::get_if<int>(&level)) {
        const auto scores = store.topScores(*levelId, HIGH_SCORE_LIST_LENGTH);
        if (!scores.ok) {
            return storageFailure();
        }
        for (const auto& entry : scores.value) {
            rows.push_back({{"username", entry.username},
                            {"score", entry.score},
                            {"verified", entry.verified}});
        }
    }
    return ApiResponse::json(200, rows);
}

ApiResponse RpcService::upsertUserScore(const nlohmann::json& args, const Caller& caller) {
    // Identity first: nothing about the arguments is revealed to a caller
    // who may not store anything.
    if (caller.userId.empty()) {
        return permissionDenied(caller.role, "a signed-in user is required to store a score");
    }
    const auto& userArgument = args.at("p_user_id");
    if (!userArgument.is_null() && !userArgument.is_string()) {
        return invalidInput("uuid", userArgument);
    }
    if (userArgument.is_string()) {
        const auto userId = Uuid::normalise(userArgument.get<std::string>());
        if (!userId) {
            return invalidInput("uuid", userArgument);
        }
        if (*userId != caller.userId) {
            return permissionDenied(caller.role, "p_user_id must be the signed-in user's id");
        }
    } else {
        return permissionDenied(caller.role, "p_user_id must be the signed-in user's id");
    }

    const auto checked = levelAndScore(args);
    if (const auto* error = std::get_if<ApiResponse>(&checked)) {
        return *error;
    }
    const auto [levelId, points] = std::get<LevelScore>(checked);
    return stored(store.storeScore(caller.userId, levelId, points, Clock::nowMicros()), caller,
                  ApiResponse::noContent());
}

ApiResponse RpcService::stored(StoreScoreOutcome outcome, const Caller& caller,
                               const ApiResponse& success) {
    switch (outcome) {
    case StoreScoreOutcome::Written:
        return success;
    case StoreScoreOutcome::UnknownUser:
        // A token for an account this database does not know (for example one
        // issued before the database was reset).
        return ApiResponse::rpcError(
            409, "23503",
            "insert or update on table \"scores\" violates foreign key constraint "
            "\"scores_user_id_fkey\"",
            "Key (user_id)=(" + caller.userId + ") is not present in table \"profiles\".");
    case StoreScoreOutcome::Unavailable:
        // Never a success for a score that would not be kept.
        return ApiResponse::rpcError(503, "58P01", "the scores database is unavailable");
    case StoreScoreOutcome::Failed:
        break;
    }
    return storageFailure();
}

ApiResponse RpcService::submitScoreReplay(const nlohmann::json& args, const Caller& caller) {
    if (caller.userId.empty()) {
        return permissionDenied(caller.role, "a signed-in user is required to store a score");
    }
    const auto checked = levelAndScore(args);
    if (const auto* error = std::get_if<ApiResponse>(&checked)) {
        return *error;
    }
    const auto [levelId, points] = std::get<LevelScore>(checked);
    const auto& replayArgument = args.at("p_replay");
    if (replayArgument.is_null()) {
        return notNullViolation("replay");
    }
    if (!replayArgument.is_string()) {
        return invalidInput("text", replayArgument);
    }
    // Level ids count from 0, the game's level numbers from 1.
    const auto outcome =
        verifier.verifyEncoded(levelId + 1, points, replayArgument.get_ref<const std::string&>());
    const bool verified = outcome.verdict == ReplayVerifier::Verdict::Verified;
    const nlohmann::json answer = {
        {"verified", verified}, {"score", outcome.score}, {"reason", outcome.reason}};
    if (outcome.verdict == ReplayVerifier::Verdict::Refused) {
        // The error shape of a refused call, with the answer's own keys
        // beside it, so a client that reads either finds the reason.
        nlohmann::json refusal = answer;
        refusal["code"] = "PT422";
        refusal["message"] = outcome.reason;
        refusal["details"] = nullptr;
        refusal["hint"] = nullptr;
        return ApiResponse::json(422, refusal);
    }
    return stored(store.storeScore(caller.userId, levelId, points, Clock::nowMicros(), verified),
                  caller, ApiResponse::json(200, answer));
}

} // namespace backend
