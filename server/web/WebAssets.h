#pragma once

#include <optional>
#include <string_view>

namespace orvendi::server::WebAssets {

// The workspace's files (pages, style sheet, scripts) as compiled into the
// server, by file name ("app.html", "workspace.css"); absent for any other name.
std::optional<std::string_view> find(std::string_view name);

} // namespace orvendi::server::WebAssets
