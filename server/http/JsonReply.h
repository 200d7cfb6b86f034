#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "http/Response.h"

namespace orvendi::server {

// JSON answers. Text that is not valid UTF-8 is written with replacement
// characters rather than failing the answer.
namespace JsonReply {
void send(Response& response, int status, const nlohmann::json& body);
// A body already serialised as JSON.
void sendText(Response& response, int status, std::string json);
// {"error": message}
void error(Response& response, int status, const std::string& message);
std::string serialize(const nlohmann::json& body);
} // namespace JsonReply

} // namespace orvendi::server
