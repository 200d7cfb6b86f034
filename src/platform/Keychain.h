#pragma once

#include <optional>
#include <string>

namespace orvendi {

enum class KeychainStatus { Success, ItemNotFound, Failure };

// One generic-password item per (service, account) in the user's secret store.
// Calls never block for long: a store that does not answer in time fails.
class Keychain {
public:
    virtual ~Keychain() = default;
    struct CopyResult {
        KeychainStatus status;
        std::optional<std::string> data;
    };
    virtual CopyResult copy(const std::string& service, const std::string& account) = 0;
    virtual KeychainStatus update(const std::string& service, const std::string& account,
                                  const std::string& data) = 0;
    virtual KeychainStatus add(const std::string& service, const std::string& account,
                               const std::string& data) = 0;
    virtual KeychainStatus remove(const std::string& service, const std::string& account) = 0;
};

} // namespace orvendi
