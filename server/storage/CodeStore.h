#pragma once

#include <functional>
#include <string>

#include "base/Bytes.h"

namespace orvendi::server {

class Database;

// The one outstanding sign-in code of each address, stored only as a keyed hash.
class CodeStore {
public:
    enum class Outcome { Accepted, Wrong, Exhausted, Missing };

    explicit CodeStore(Database& db);

    // Replaces any earlier code of the address.
    void put(const std::string& email, const Bytes& codeHash, double expiresAt, int attempts);
    // One attempt at the address's code, decided atomically: a code that
    // `matches` is spent; a wrong one costs an attempt and the last wrong
    // attempt ends the code; an expired code counts as missing.
    Outcome attempt(const std::string& email, double now,
                    const std::function<bool(const Bytes& storedHash)>& matches);
    void removeExpired(double now);

private:
    void remove(const std::string& email);

    Database& db_;
};

} // namespace orvendi::server
