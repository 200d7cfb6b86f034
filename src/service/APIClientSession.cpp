// Session and token lifecycle of APIClient: the cached token, the refresh
// endpoint, the password grant and adopting a session.
#include "service/APIClient.h"

#include "platform/Scheduler.h"
#include "service/HTTPTransport.h"
#include "service/RequestURL.h"
#include "service/ResponseBody.h"
#include "service/SessionStore.h"

namespace orvendi {
namespace {

using nlohmann::json;

// A cached token is used only while it stays valid for longer than this.
constexpr double kExpiryMarginSeconds = 60;
// Lifetime assumed when an answer gives none.
constexpr double kDefaultLifetimeSeconds = 3600;
constexpr double kSessionRequestTimeoutSeconds = 60;

constexpr const char* kRefreshPath = "/api/native-auth/refresh";
constexpr const char* kPasswordGrantPath = "/auth/v1/token?grant_type=password";
constexpr const char* kLogoutPath = "/api/native-auth/logout";

std::optional<double> number(const json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number()) {
        return std::nullopt;
    }
    return it->get<double>();
}

} // namespace

std::optional<std::string> APIClient::cachedToken() const {
    if (accessToken_ && tokenExpiry_ > clock_.now() + kExpiryMarginSeconds) {
        return accessToken_;
    }
    return std::nullopt;
}

void APIClient::signOut() {
    auto forget = [this] {
        {
            std::lock_guard lock(tokenMutex_);
            accessToken_.reset();
            refreshToken_.reset();
        }
        std::lock_guard lock(sessionStoreMutex_);
        SessionStore::clear(keychain_);
    };
    try {
        std::optional<std::string> token;
        try {
            token = ensureToken();
        } catch (const APIError&) {
            // No session the server would accept: nothing to end there.
        }
        if (token) {
            const HTTPResponse response = syncRequest(
                jsonRequest(kLogoutPath, json::object(), kSessionRequestTimeoutSeconds, token));
            // 401: the server had already ended the session.
            if (response.status >= 300 && response.status != 401) {
                throw APIError::requestFailed(ResponseBody::failureMessage(
                    ResponseBody::object(response.body), "Couldn\u2019t sign out"));
            }
        }
    } catch (...) {
        forget();
        throw;
    }
    forget();
}

std::string APIClient::ensureToken() {
    std::unique_lock lock(tokenMutex_);
    if (auto token = cachedToken()) {
        return *token;
    }
    if (renewalInFlight_) {
        // Another thread is already renewing: share its outcome rather than
        // sending the same refresh token a second time.
        const uint64_t generation = renewalGeneration_;
        renewalFinished_.wait(lock, [&] { return renewalGeneration_ != generation; });
        if (renewalError_) {
            std::rethrow_exception(renewalError_);
        }
        return renewedToken_;
    }
    renewalInFlight_ = true;
    const std::optional<std::string> refreshToken = refreshToken_;
    lock.unlock();

    std::string token;
    std::exception_ptr error;
    try {
        token = renewToken(refreshToken);
    } catch (...) {
        error = std::current_exception();
    }

    lock.lock();
    renewalInFlight_ = false;
    ++renewalGeneration_;
    renewedToken_ = token;
    renewalError_ = error;
    lock.unlock();
    renewalFinished_.notify_all();
    if (error) {
        std::rethrow_exception(error);
    }
    return token;
}

std::string APIClient::renewToken(const std::optional<std::string>& refreshToken) {
    if (refreshToken) {
        try {
            NativeSession session = refreshSession(*refreshToken);
            install(session);
            return session.accessToken;
        } catch (const Error&) {
            // A refused or unreachable refresh falls through to the password grant.
        }
    }
    if (!config_.supabase_url || !config_.anon_key || !config_.email || !config_.password) {
        throw APIError::authFailed();
    }
    return passwordGrant();
}

NativeSession APIClient::refreshSession(const std::string& refreshToken) {
    const HTTPResponse response = syncRequest(jsonRequest(
        kRefreshPath, json{{"refreshToken", refreshToken}}, kSessionRequestTimeoutSeconds, {}));
    if (response.status == 200) {
        if (auto session = decodeSession(response.body)) {
            return *session;
        }
    }
    {
        std::lock_guard storeLock(sessionStoreMutex_);
        SessionStore::clear(keychain_);
    }
    throw APIError::authFailed();
}

std::string APIClient::passwordGrant() {
    HTTPRequest request;
    request.method = "POST";
    request.url = RequestURL::join(*config_.supabase_url, kPasswordGrantPath);
    request.timeoutSeconds = kSessionRequestTimeoutSeconds;
    request.headers = {{"apikey", *config_.anon_key}, {"Content-Type", "application/json"}};
    try {
        request.body = json{{"email", *config_.email}, {"password", *config_.password}}.dump();
    } catch (const json::exception& error) {
        throw Error(std::string("The request could not be encoded: ") + error.what());
    }

    const HTTPResponse response = syncRequest(request);
    const json body = ResponseBody::object(response.body);
    const auto accessToken = ResponseBody::string(body, "access_token");
    if (response.status != 200 || !accessToken) {
        throw APIError::authFailed();
    }
    const double expiresAt =
        clock_.now() + number(body, "expires_in").value_or(kDefaultLifetimeSeconds);
    if (auto refreshToken = ResponseBody::string(body, "refresh_token")) {
        install(NativeSession{*accessToken, *refreshToken, expiresAt});
    } else {
        // Memory only: without a refresh token there is no session worth storing,
        // and the one already stored keeps its own refresh token.
        std::lock_guard lock(tokenMutex_);
        accessToken_ = *accessToken;
        tokenExpiry_ = expiresAt;
    }
    return *accessToken;
}

void APIClient::install(const NativeSession& session) {
    std::lock_guard storeLock(sessionStoreMutex_);
    {
        std::lock_guard lock(tokenMutex_);
        accessToken_ = session.accessToken;
        refreshToken_ = session.refreshToken;
        tokenExpiry_ = session.expiresAt;
    }
    SessionStore::save(keychain_, session);
}

std::optional<NativeSession> APIClient::decodeSession(const std::string& body) const {
    const json parsed = json::parse(body, nullptr, /*allow_exceptions=*/false);
    if (!parsed.is_object()) {
        return std::nullopt;
    }
    auto accessToken = ResponseBody::string(parsed, "accessToken");
    auto refreshToken = ResponseBody::string(parsed, "refreshToken");
    if (!accessToken || !refreshToken) {
        return std::nullopt;
    }
    const double expiresAt =
        number(parsed, "expiresAt").value_or(clock_.now() + kDefaultLifetimeSeconds);
    return NativeSession{std::move(*accessToken), std::move(*refreshToken), expiresAt};
}

} // namespace orvendi
