#pragma once

#include <map>
#include <mutex>

#include "platform/Keychain.h"

namespace orvendi::test {

// A secret store in memory. `failAll` makes every call fail like an absent service.
class FakeKeychain : public Keychain {
public:
    CopyResult copy(const std::string& service, const std::string& account) override {
        std::lock_guard lock(mutex_);
        if (failAll) {
            return {KeychainStatus::Failure, std::nullopt};
        }
        auto it = items_.find({service, account});
        if (it == items_.end()) {
            return {KeychainStatus::ItemNotFound, std::nullopt};
        }
        return {KeychainStatus::Success, it->second};
    }
    KeychainStatus update(const std::string& service, const std::string& account,
                          const std::string& data) override {
        std::lock_guard lock(mutex_);
        if (failAll) {
            return KeychainStatus::Failure;
        }
        auto it = items_.find({service, account});
        if (it == items_.end()) {
            return KeychainStatus::ItemNotFound;
        }
        it->second = data;
        return KeychainStatus::Success;
    }
    KeychainStatus add(const std::string& service, const std::string& account,
                       const std::string& data) override {
        std::lock_guard lock(mutex_);
        if (failAll) {
            return KeychainStatus::Failure;
        }
        items_[{service, account}] = data;
        return KeychainStatus::Success;
    }
    KeychainStatus remove(const std::string& service, const std::string& account) override {
        std::lock_guard lock(mutex_);
        if (failAll) {
            return KeychainStatus::Failure;
        }
        return items_.erase({service, account}) ? KeychainStatus::Success
                                                : KeychainStatus::ItemNotFound;
    }
    bool contains(const std::string& service, const std::string& account) const {
        std::lock_guard lock(mutex_);
        return items_.count({service, account}) > 0;
    }

    bool failAll = false;

private:
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, std::string> items_;
};

} // namespace orvendi::test
