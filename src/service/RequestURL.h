#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvendi {

// Request addresses: a configured base address followed directly by a path.
namespace RequestURL {

// `base` + `path` as plain text, checked to be an absolute http or https URL
// with a host. Throws TransportError naming the address when it is not one: a
// mistyped base address must fail the request, never the agent.
std::string join(const std::string& base, const std::string& path);

// The address with the query items appended in order, each name and value
// percent-encoded so it arrives unchanged ("+" as %2B, space as %20).
std::string withQuery(const std::string& url,
                      const std::vector<std::pair<std::string, std::string>>& items);

std::string percentEncode(std::string_view text);

} // namespace RequestURL

} // namespace orvendi
