#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ServerOptions.h"
#include "SystemClock.h"
#include "http/Router.h"

namespace orvendi {
class Log;
}

namespace orvendi::server {

class AudioDecoder;
class BearerAuth;
class CodeDelivery;
class CodeStore;
class Database;
class HttpServer;
class ListingCache;
class NoteListings;
class NoteStore;
class PasswordAccounts;
class RouteModule;
class SignInAttempts;
class SignInCodes;
class SignupPolicy;
class SpeechRecognizer;
class TelemetryStore;
class TokenHasher;
class TokenService;
class TokenStore;
class UserStore;

// The whole service, put together from its options: the data folder and its
// database, the secrets, the speech recogniser, the route modules and the
// listeners.
class ServerApplication {
public:
    // Prepares the data folder, opens the database and loads the recogniser.
    // Throws orvendi::Error when any of it fails.
    ServerApplication(ServerOptions options, Log& log);
    ~ServerApplication();
    ServerApplication(const ServerApplication&) = delete;
    ServerApplication& operator=(const ServerApplication&) = delete;

    // Binds the listening addresses and returns them as bound. Throws
    // orvendi::Error when the address asked for cannot be bound.
    std::vector<ListenAddress> bind();
    // Serves until stop(). Blocks.
    void run();
    void stop();

private:
    void prepareDataDir() const;
    void tightenExisting(const std::filesystem::path& path, std::filesystem::perms allowed) const;
    std::unique_ptr<SpeechRecognizer> makeRecognizer() const;
    // Runs occasional upkeep (expired sign-in codes) until destruction.
    void startHousekeeping();
    void createPasswordAccounts();
    void registerRoutes();

    ServerOptions options_;
    Log& log_;
    SystemClock clock_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<TokenHasher> hasher_;
    std::string anonKey_;
    std::unique_ptr<UserStore> users_;
    std::unique_ptr<CodeStore> codes_;
    std::unique_ptr<TokenStore> tokens_;
    std::unique_ptr<NoteStore> notes_;
    std::unique_ptr<ListingCache> listingCache_;
    std::unique_ptr<NoteListings> listings_;
    std::unique_ptr<TelemetryStore> telemetry_;
    std::unique_ptr<CodeDelivery> delivery_;
    std::unique_ptr<SignInAttempts> attempts_;
    std::unique_ptr<SignupPolicy> signups_;
    std::unique_ptr<SignInCodes> signInCodes_;
    std::unique_ptr<TokenService> tokenService_;
    std::unique_ptr<PasswordAccounts> accounts_;
    std::unique_ptr<BearerAuth> bearer_;
    std::unique_ptr<AudioDecoder> decoder_;
    std::unique_ptr<SpeechRecognizer> recognizer_;
    Router router_;
    std::vector<std::unique_ptr<RouteModule>> modules_;
    std::unique_ptr<HttpServer> http_;
    std::mutex housekeepingMutex_;
    std::condition_variable housekeepingStop_;
    bool stopping_ = false;
    std::thread housekeeping_;
};

} // namespace orvendi::server
