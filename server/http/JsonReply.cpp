#include "http/JsonReply.h"

namespace orvendi::server::JsonReply {

std::string serialize(const nlohmann::json& body) {
    return body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void send(Response& response, int status, const nlohmann::json& body) {
    sendText(response, status, serialize(body));
}

void sendText(Response& response, int status, std::string json) {
    response.status = status;
    response.setHeader("Cache-Control", "no-store");
    response.setContent(std::move(json), "application/json; charset=utf-8");
}

void error(Response& response, int status, const std::string& message) {
    send(response, status, nlohmann::json{{"error", message}});
}

} // namespace orvendi::server::JsonReply
