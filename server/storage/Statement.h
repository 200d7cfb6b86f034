#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Bytes.h"

struct sqlite3;
struct sqlite3_stmt;

namespace orvendi::server {

// One prepared SQL statement. Values only ever reach SQL through the bind
// calls (parameters are numbered from 1), never through the statement text.
class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bindInteger(int index, int64_t value);
    Statement& bindReal(int index, double value);
    Statement& bindText(int index, std::string_view value);
    Statement& bindOptionalText(int index, const std::optional<std::string>& value);
    Statement& bindBlob(int index, const Bytes& value);
    Statement& bindNull(int index);

    // Advances to the next row; false when there are no more.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    // Makes the statement ready to run again with new bindings.
    void reset();

    // Columns of the current row, numbered from 0.
    int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    std::optional<std::string> optionalText(int column) const;
    std::optional<int64_t> optionalInteger(int column) const;
    Bytes blob(int column) const;

private:
    void check(int result, const char* what) const;

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

} // namespace orvendi::server
