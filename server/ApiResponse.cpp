#include "server/ApiResponse.h"

namespace backend {

ApiResponse ApiResponse::json(int status, const nlohmann::json& value) {
    // Replacement instead of an exception: a stored name with broken UTF-8
    // must not take the request down.
    return ApiResponse{status,
                       value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)};
}

ApiResponse ApiResponse::noContent() {
    return ApiResponse{204, {}};
}

ApiResponse ApiResponse::gatewayError(int status, const std::string& message) {
    return json(status, {{"message", message}});
}

ApiResponse ApiResponse::authError(int status, const std::string& errorCode,
                                   const std::string& msg) {
    return json(status, {{"code", status}, {"error_code", errorCode}, {"msg", msg}});
}

ApiResponse ApiResponse::rpcError(int status, const std::string& code, const std::string& message,
                                  const nlohmann::json& details, const nlohmann::json& hint) {
    return json(status,
                {{"code", code}, {"details", details}, {"hint", hint}, {"message", message}});
}

nlohmann::json ApiResponse::parsedBody() const {
    return nlohmann::json::parse(body, nullptr, false);
}

} // namespace backend
