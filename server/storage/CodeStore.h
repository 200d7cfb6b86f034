#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/Bytes.h"

namespace orvendi::server {

class Database;

// The outstanding sign-in code of each (address, client network), stored only
// as a keyed hash: a code asked for from one network is neither replaced nor
// used up by requests from another.
class CodeStore {
public:
    enum class Outcome { Accepted, Wrong, Exhausted, Missing };

    explicit CodeStore(Database& db);

    // Replaces any earlier code of the address asked for from that network.
    void put(const std::string& email, const std::string& network, const Bytes& codeHash,
             double expiresAt, int attempts);
    // One attempt at the code, decided atomically: a code that `matches` is
    // spent; a wrong one costs an attempt and the last wrong attempt ends the
    // code; an expired code counts as missing.
    Outcome attempt(const std::string& email, const std::string& network, double now,
                    const std::function<bool(const Bytes& storedHash)>& matches);
    // Removes expired codes and returns the addresses they belonged to.
    std::vector<std::string> removeExpired(double now);
    // Whether the address has a code that can still be used.
    bool hasLiveCode(const std::string& email, double now);

private:
    void remove(const std::string& email, const std::string& network);

    Database& db_;
};

} // namespace orvendi::server
