#pragma once

namespace orvendi::server {

class Database;

// The tables of the service, versioned through SQLite's user_version.
namespace Schema {
// Applies every step the file has not seen yet, each in its own transaction.
void migrate(Database& db);
} // namespace Schema

} // namespace orvendi::server
