#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace backend {

// One answer of the stand-in: a status and a JSON body (or none), shaped like
// the answers of the hosted service's gateway, authentication service and
// remote procedures.
class ApiResponse {
public:
    int status = 200;
    std::string body; // empty: no body at all (204)

    static ApiResponse json(int status, const nlohmann::json& value);
    static ApiResponse noContent();

    // The gateway's refusals: {"message": ...}.
    static ApiResponse gatewayError(int status, const std::string& message);

    // The authentication service's errors: {"code", "error_code", "msg"}.
    static ApiResponse authError(int status, const std::string& errorCode, const std::string& msg);

    // The remote procedures' errors: {"code", "details", "hint", "message"}.
    static ApiResponse rpcError(int status, const std::string& code, const std::string& message,
                                const nlohmann::json& details = nullptr,
                                const nlohmann::json& hint = nullptr);

    nlohmann::json parsedBody() const;
};

} // namespace backend
