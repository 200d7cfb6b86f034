#include "ServerApplication.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sodium.h>
#include <sys/stat.h>

#include "auth/CodeDelivery.h"
#include "auth/PasswordAccounts.h"
#include "auth/RandomValues.h"
#include "auth/SecretFile.h"
#include "auth/SignInAttempts.h"
#include "auth/SignInCodes.h"
#include "auth/SignupPolicy.h"
#include "auth/TokenHasher.h"
#include "auth/TokenService.h"
#include "base/Error.h"
#include "http/AccountRoutes.h"
#include "http/AuthRoutes.h"
#include "http/BearerAuth.h"
#include "http/HttpServer.h"
#include "http/ListingCache.h"
#include "http/NoteListings.h"
#include "http/NoteRoutes.h"
#include "http/TelemetryRoutes.h"
#include "http/TranscriptionRoutes.h"
#include "platform/Log.h"
#include "speech/AudioDecoder.h"
#include "speech/PocketsphinxRecognizer.h"
#include "speech/RecognizerPool.h"
#include "speech/RemoteRecognizer.h"
#include "storage/CodeStore.h"
#include "storage/Database.h"
#include "storage/NoteStore.h"
#include "storage/TelemetryStore.h"
#include "storage/TokenStore.h"
#include "storage/UserStore.h"
#include "web/WebRoutes.h"

namespace orvendi::server {

namespace {

constexpr const char* kDatabaseFile = "orvendi.db";
constexpr const char* kSecretKeyFile = "secret.key";
constexpr const char* kAnonKeyFile = "anon-key";
constexpr const char* kOutboxDir = "outbox";
constexpr const char* kScratchDir = "tmp";
constexpr auto kHousekeepingInterval = std::chrono::seconds(30);
// Dictations waiting for a free recogniser, per recogniser.
constexpr size_t kQueuedPerRecognizer = 4;

using std::filesystem::perms;
constexpr perms kPrivateDir = perms::owner_all;
constexpr perms kPrivateFile = perms::owner_read | perms::owner_write;

Bytes hashingKey(const std::filesystem::path& file) {
    const std::string hex = SecretFile::loadOrCreate(file, [] {
        const Bytes key = RandomValues::bytes(TokenHasher::kKeyBytes);
        std::string text(key.size() * 2 + 1, '\0');
        sodium_bin2hex(text.data(), text.size(), key.data(), key.size());
        text.pop_back();
        return text;
    });
    Bytes key(TokenHasher::kKeyBytes);
    size_t length = 0;
    if (sodium_hex2bin(key.data(), key.size(), hex.c_str(), hex.size(), nullptr, &length,
                       nullptr) != 0 ||
        length != key.size()) {
        throw Error(file.string() + " does not hold a key; remove it to make a new one "
                                    "(everyone will have to sign in again)");
    }
    return key;
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

} // namespace

ServerApplication::ServerApplication(ServerOptions options, Log& log)
    : options_(std::move(options)), log_(log), router_(log) {
    for (const std::string& notice : options_.notices) {
        log_.write(notice);
    }
    prepareDataDir();
    const auto& dir = options_.dataDir;
    db_ = std::make_unique<Database>(dir / kDatabaseFile);
    hasher_ = std::make_unique<TokenHasher>(hashingKey(dir / kSecretKeyFile));
    anonKey_ = options_.anonKey ? *options_.anonKey
                                : SecretFile::loadOrCreate(dir / kAnonKeyFile, RandomValues::token);

    users_ = std::make_unique<UserStore>(*db_, clock_);
    codes_ = std::make_unique<CodeStore>(*db_);
    tokens_ = std::make_unique<TokenStore>(*db_);
    notes_ = std::make_unique<NoteStore>(*db_);
    listingCache_ = std::make_unique<ListingCache>(options_.listingCacheBytes);
    listings_ = std::make_unique<NoteListings>(*notes_, *listingCache_);
    telemetry_ = std::make_unique<TelemetryStore>(*db_);

    std::optional<SmtpSender> mail;
    if (options_.smtpUrl) {
        mail.emplace(*options_.smtpUrl, options_.smtpFrom);
    }
    delivery_ = std::make_unique<CodeDelivery>(dir / kOutboxDir, log_, std::move(mail));
    attempts_ = std::make_unique<SignInAttempts>(clock_);
    signups_ = std::make_unique<SignupPolicy>(*users_, options_.signupDomains);
    signInCodes_ =
        std::make_unique<SignInCodes>(*codes_, *hasher_, *delivery_, *attempts_, *signups_, clock_);
    tokenService_ = std::make_unique<TokenService>(*tokens_, *hasher_, clock_);
    accounts_ = std::make_unique<PasswordAccounts>(*users_, *attempts_);
    bearer_ = std::make_unique<BearerAuth>(*tokenService_);
    decoder_ = std::make_unique<AudioDecoder>(dir / kScratchDir, options_.maxAudioSeconds);
    recognizer_ = makeRecognizer();

    createPasswordAccounts();
    registerRoutes();
    http_ = std::make_unique<HttpServer>(router_, log_, options_.http);
    startHousekeeping();
}

ServerApplication::~ServerApplication() {
    {
        std::lock_guard lock(housekeepingMutex_);
        stopping_ = true;
    }
    housekeepingStop_.notify_all();
    if (housekeeping_.joinable()) {
        housekeeping_.join();
    }
}

void ServerApplication::startHousekeeping() {
    housekeeping_ = std::thread([this] {
        std::unique_lock lock(housekeepingMutex_);
        while (!stopping_) {
            lock.unlock();
            try {
                signInCodes_->removeExpired();
            } catch (const std::exception& error) {
                log_.write(std::string("Cannot remove expired sign-in codes: ") + error.what());
            }
            lock.lock();
            housekeepingStop_.wait_for(lock, kHousekeepingInterval, [this] { return stopping_; });
        }
    });
}

// A folder or file that others may read is made private again (a folder made
// by hand with the usual 0755, a database from an older version at 0644).
void ServerApplication::tightenExisting(const std::filesystem::path& path, perms allowed) const {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        return;
    }
    const perms current = status.permissions();
    if ((current & ~allowed) == perms::none) {
        return;
    }
    std::filesystem::permissions(path, current & allowed, std::filesystem::perm_options::replace);
    log_.write("Made " + path.string() + " readable by its owner only (it was open to others)");
}

void ServerApplication::prepareDataDir() const {
    const auto& dir = options_.dataDir;
    try {
        for (const auto& folder : {dir, dir / kOutboxDir, dir / kScratchDir}) {
            std::filesystem::create_directories(folder);
            tightenExisting(folder, kPrivateDir);
        }
        for (const char* suffix : {"", "-wal", "-shm"}) {
            tightenExisting(dir / (std::string(kDatabaseFile) + suffix), kPrivateFile);
        }
        // Scratch files left by an earlier process that did not end cleanly.
        for (const auto& entry : std::filesystem::directory_iterator(dir / kScratchDir)) {
            std::filesystem::remove(entry.path());
        }
        // Codes go by mail only when a relay is configured: no copies on disk.
        if (options_.smtpUrl) {
            for (const auto& entry : std::filesystem::directory_iterator(dir / kOutboxDir)) {
                std::filesystem::remove(entry.path());
            }
        }
    } catch (const std::filesystem::filesystem_error& error) {
        throw Error("Cannot prepare the data folder " + dir.string() + ": " +
                    error.code().message());
    }
}

std::unique_ptr<SpeechRecognizer> ServerApplication::makeRecognizer() const {
    if (options_.asr == "pocketsphinx") {
        // One decoder per core: recognition is pure computation.
        const size_t decoders = std::max(1u, std::thread::hardware_concurrency());
        const auto started = std::chrono::steady_clock::now();
        auto pool = std::make_unique<RecognizerPool>(
            [normalisation = std::make_shared<SpeakerNormalisation>()] {
                return std::make_unique<PocketsphinxRecognizer>(
                    PocketsphinxRecognizer::kDefaultModelDir, normalisation);
            },
            decoders, decoders * kQueuedPerRecognizer);
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
        log_.write("Loaded " + std::to_string(decoders) + " pocketsphinx decoder(s) in " +
                   secondsText(spent.count()) + " s");
        return pool;
    }
    if (options_.asr.rfind("http://", 0) == 0 || options_.asr.rfind("https://", 0) == 0) {
        auto recognizer = std::make_unique<RemoteRecognizer>(options_.asr, options_.asrModel, log_);
        log_.write("Speech goes to " + recognizer->description());
        return recognizer;
    }
    throw Error("--asr must be pocketsphinx or an http(s) URL, not " + options_.asr);
}

void ServerApplication::createPasswordAccounts() {
    for (const auto& [email, password] : options_.users) {
        accounts_->setPassword(email, password);
        log_.write("Password account ready: " + email);
    }
}

void ServerApplication::registerRoutes() {
    modules_.push_back(std::make_unique<AuthRoutes>(*signInCodes_, *tokenService_, *accounts_,
                                                    *users_, *hasher_, *bearer_, anonKey_));
    modules_.push_back(std::make_unique<TranscriptionRoutes>(*bearer_, *decoder_, *recognizer_,
                                                             *notes_, clock_, log_));
    modules_.push_back(std::make_unique<NoteRoutes>(*bearer_, *notes_, *listings_, clock_));
    modules_.push_back(std::make_unique<TelemetryRoutes>(*bearer_, *telemetry_, clock_));
    modules_.push_back(std::make_unique<AccountRoutes>(*bearer_, *users_, *recognizer_));
    modules_.push_back(std::make_unique<WebRoutes>());
    for (auto& module : modules_) {
        module->registerRoutes(router_);
    }
}

std::vector<ListenAddress> ServerApplication::bind() {
    std::vector<ListenAddress> bound;
    if (options_.listen) {
        const auto address = http_->bind(*options_.listen);
        if (!address) {
            throw Error("Cannot listen on " + options_.listen->url() +
                        " (in use, or not an address of this machine)");
        }
        if (!address->isLoopback()) {
            log_.write("Listening beyond this machine: anyone who reaches " + address->url() +
                       " can ask for sign-in codes");
            if (!options_.http.tlsCertificate) {
                log_.write("Warning: without --tls-cert and --tls-key, tokens, audio and notes "
                           "cross the network in clear; serve TLS or put a TLS proxy in front");
            }
        }
        bound.push_back(*address);
        return bound;
    }
    const auto ipv4 = http_->bind({"127.0.0.1", ServerOptions::kDefaultPort});
    if (!ipv4) {
        throw Error("Cannot listen on 127.0.0.1:" + std::to_string(ServerOptions::kDefaultPort) +
                    " (another server may be running; see --listen)");
    }
    bound.push_back(*ipv4);
    // IPv6 loopback where the system has it; without it IPv4 alone serves.
    if (const auto ipv6 = http_->bind({"::1", ServerOptions::kDefaultPort})) {
        bound.push_back(*ipv6);
    }
    return bound;
}

void ServerApplication::run() {
    http_->run();
}

void ServerApplication::stop() {
    http_->stop();
}

} // namespace orvendi::server
