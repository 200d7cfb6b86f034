#include "platform/linux/secret/SecretServiceKeychain.h"

#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include <libsecret/secret.h>

#include "platform/Log.h"

namespace orvendi {
namespace {

// Items are matched by the two attributes alone, whatever schema name they
// were stored under, like generic-password items are by service and account.
const SecretSchema* itemSchema() {
    static const SecretSchema schema = [] {
        SecretSchema value{};
        value.name = "com.orvendi.Keychain";
        value.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        value.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        value.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return value;
    }();
    return &schema;
}

std::string takeMessage(GError* error) {
    std::string message = error->message ? error->message : "unknown error";
    g_error_free(error);
    return message;
}

} // namespace

// One libsecret operation: started on the libsecret thread, finished by its
// callback there, awaited by the caller until its deadline.
struct SecretServiceKeychain::Call {
    using Start = std::function<void(GCancellable*, GAsyncReadyCallback, gpointer)>;
    using Finish = std::function<void(Call&, GAsyncResult*)>;

    Call(Start begin, Finish end) : start(std::move(begin)), finish(std::move(end)) {}
    ~Call() { g_object_unref(cancellable); }

    void complete(KeychainStatus newStatus, std::optional<std::string> newData = std::nullopt,
                  std::string newError = {}) {
        {
            std::lock_guard lock(mutex);
            status = newStatus;
            data = std::move(newData);
            error = std::move(newError);
            done = true;
        }
        finished.notify_all();
    }

    // libsecret's completion callback; `pending` is the reference the call gave it.
    static void onReady(GObject*, GAsyncResult* result, gpointer pending);

    Start start;
    Finish finish;
    GCancellable* cancellable = g_cancellable_new();
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    KeychainStatus status = KeychainStatus::Failure;
    std::optional<std::string> data;
    std::string error;
    Loop* loop = nullptr;
};

// The libsecret thread: a GLib main context and loop of its own.
struct SecretServiceKeychain::Loop {
    static constexpr auto kShutdownGrace = std::chrono::seconds(1);

    Loop() {
        thread = std::thread([this] {
            g_main_context_push_thread_default(context);
            g_main_loop_run(loop);
            g_main_context_pop_thread_default(context);
        });
    }

    ~Loop() {
        // Cancel what is still running and give the cancellations a moment to
        // come back, so that no callback is left holding its call.
        {
            std::lock_guard lock(mutex);
            for (const auto& call : inFlight) {
                g_cancellable_cancel(call->cancellable);
            }
            shutdownStarted = std::chrono::steady_clock::now();
        }
        g_main_context_invoke(context, &Loop::quitWhenSettled, this);
        thread.join();
        g_main_loop_unref(loop);
        g_main_context_unref(context);
    }

    // Calls travel to the libsecret thread through `queued`, under our own
    // mutex: GLib's handoff synchronises in ways ThreadSanitizer cannot follow.
    void post(const std::shared_ptr<Call>& call) {
        call->loop = this;
        {
            std::lock_guard lock(mutex);
            inFlight.insert(call);
            queued.push_back(call);
        }
        g_main_context_invoke(context, &Loop::startQueued, this);
    }

    void settle(const std::shared_ptr<Call>& call) {
        std::lock_guard lock(mutex);
        inFlight.erase(call);
    }

    static gboolean startQueued(gpointer self) {
        auto& loop = *static_cast<Loop*>(self);
        std::vector<std::shared_ptr<Call>> calls;
        {
            std::lock_guard lock(loop.mutex);
            calls.swap(loop.queued);
        }
        for (const auto& call : calls) {
            startCall(call);
        }
        return G_SOURCE_REMOVE;
    }

    // Every call first fetches GIO's shared session-bus connection (at once
    // once it exists) to switch off its exit-on-close: GIO would otherwise end
    // the whole process with SIGTERM when the bus goes away.
    static void startCall(const std::shared_ptr<Call>& call) {
        g_bus_get(G_BUS_TYPE_SESSION, call->cancellable, &Loop::onBus,
                  new std::shared_ptr<Call>(call));
    }

    static void onBus(GObject*, GAsyncResult* result, gpointer pending) {
        std::unique_ptr<std::shared_ptr<Call>> reference(
            static_cast<std::shared_ptr<Call>*>(pending));
        const auto& call = *reference;
        GError* error = nullptr;
        GDBusConnection* bus = g_bus_get_finish(result, &error);
        if (!bus) {
            call->complete(KeychainStatus::Failure, std::nullopt, takeMessage(error));
            call->loop->settle(call);
            return;
        }
        g_dbus_connection_set_exit_on_close(bus, FALSE);
        g_object_unref(bus);
        call->start(call->cancellable, &Call::onReady, new std::shared_ptr<Call>(call));
    }

    static gboolean quitWhenSettled(gpointer self) {
        auto& loop = *static_cast<Loop*>(self);
        bool settled;
        std::chrono::steady_clock::time_point shutdownStarted;
        {
            std::lock_guard lock(loop.mutex);
            settled = loop.inFlight.empty();
            shutdownStarted = loop.shutdownStarted;
        }
        if (settled || std::chrono::steady_clock::now() - shutdownStarted > kShutdownGrace) {
            g_main_loop_quit(loop.loop);
            return G_SOURCE_REMOVE;
        }
        GSource* retry = g_timeout_source_new(10);
        g_source_set_callback(retry, &Loop::quitWhenSettled, self, nullptr);
        g_source_attach(retry, loop.context);
        g_source_unref(retry);
        return G_SOURCE_REMOVE;
    }

    GMainContext* context = g_main_context_new();
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    std::thread thread;
    std::mutex mutex;
    std::set<std::shared_ptr<Call>> inFlight;
    std::vector<std::shared_ptr<Call>> queued;
    std::chrono::steady_clock::time_point shutdownStarted;
};

void SecretServiceKeychain::Call::onReady(GObject*, GAsyncResult* result, gpointer pending) {
    std::unique_ptr<std::shared_ptr<Call>> reference(static_cast<std::shared_ptr<Call>*>(pending));
    Call& call = **reference;
    call.finish(call, result);
    call.loop->settle(*reference);
}

SecretServiceKeychain::SecretServiceKeychain(Log& log, double timeLimitSeconds)
    : log_(log), timeLimit_(timeLimitSeconds), loop_(std::make_unique<Loop>()) {}

SecretServiceKeychain::~SecretServiceKeychain() = default;

SecretServiceKeychain::Deadline SecretServiceKeychain::deadline() const {
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(timeLimit_);
}

bool SecretServiceKeychain::run(const std::shared_ptr<Call>& call, Deadline end) {
    loop_->post(call);
    std::unique_lock lock(call->mutex);
    if (call->finished.wait_until(lock, end, [&] { return call->done; })) {
        if (call->status == KeychainStatus::Failure) {
            const std::string reason = call->error;
            lock.unlock();
            noteFailure(reason);
        }
        return true;
    }
    lock.unlock();
    // A prompt to unlock the keyring, or a service that does not answer: give
    // up (cancelling dismisses a prompt) and report failure now.
    g_cancellable_cancel(call->cancellable);
    noteFailure("no answer within " +
                std::to_string(static_cast<long>(std::ceil(timeLimit_.count()))) + " s");
    return false;
}

void SecretServiceKeychain::noteFailure(const std::string& reason) {
    if (!failureLogged_.exchange(true)) {
        log_.write("System keyring unavailable: " + reason);
    }
}

Keychain::CopyResult SecretServiceKeychain::copy(const std::string& service,
                                                 const std::string& account) {
    return copyBefore(service, account, deadline());
}

Keychain::CopyResult SecretServiceKeychain::copyBefore(const std::string& service,
                                                       const std::string& account, Deadline end) {
    auto call = std::make_shared<Call>(
        [service, account](GCancellable* cancellable, GAsyncReadyCallback ready, gpointer pending) {
            secret_password_lookup(itemSchema(), cancellable, ready, pending, "service",
                                   service.c_str(), "account", account.c_str(), nullptr);
        },
        [](Call& finished, GAsyncResult* result) {
            GError* error = nullptr;
            SecretValue* value = secret_password_lookup_binary_finish(result, &error);
            if (error) {
                finished.complete(KeychainStatus::Failure, std::nullopt, takeMessage(error));
            } else if (!value) {
                finished.complete(KeychainStatus::ItemNotFound);
            } else {
                gsize length = 0;
                const gchar* bytes = secret_value_get(value, &length);
                std::string data(bytes, length);
                secret_value_unref(value);
                finished.complete(KeychainStatus::Success, std::move(data));
            }
        });
    if (!run(call, end)) {
        return {KeychainStatus::Failure, std::nullopt};
    }
    std::lock_guard lock(call->mutex);
    return {call->status, call->data};
}

KeychainStatus SecretServiceKeychain::update(const std::string& service, const std::string& account,
                                             const std::string& data) {
    const Deadline end = deadline();
    const KeychainStatus existing = copyBefore(service, account, end).status;
    if (existing != KeychainStatus::Success) {
        return existing;
    }
    return addBefore(service, account, data, end);
}

KeychainStatus SecretServiceKeychain::add(const std::string& service, const std::string& account,
                                          const std::string& data) {
    return addBefore(service, account, data, deadline());
}

KeychainStatus SecretServiceKeychain::addBefore(const std::string& service,
                                                const std::string& account, const std::string& data,
                                                Deadline end) {
    auto call = std::make_shared<Call>(
        [service, account, data](GCancellable* cancellable, GAsyncReadyCallback ready,
                                 gpointer pending) {
            SecretValue* value = secret_value_new(data.data(), static_cast<gssize>(data.size()),
                                                  "application/octet-stream");
            const std::string label = "Orvendi (" + service + ", " + account + ")";
            // Storing replaces an item with the same attributes.
            secret_password_store_binary(itemSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                         value, cancellable, ready, pending, "service",
                                         service.c_str(), "account", account.c_str(), nullptr);
            secret_value_unref(value);
        },
        [](Call& finished, GAsyncResult* result) {
            GError* error = nullptr;
            if (secret_password_store_finish(result, &error)) {
                finished.complete(KeychainStatus::Success);
            } else {
                finished.complete(KeychainStatus::Failure, std::nullopt,
                                  error ? takeMessage(error) : "not stored");
            }
        });
    if (!run(call, end)) {
        return KeychainStatus::Failure;
    }
    std::lock_guard lock(call->mutex);
    return call->status;
}

KeychainStatus SecretServiceKeychain::remove(const std::string& service,
                                             const std::string& account) {
    auto call = std::make_shared<Call>(
        [service, account](GCancellable* cancellable, GAsyncReadyCallback ready, gpointer pending) {
            secret_password_clear(itemSchema(), cancellable, ready, pending, "service",
                                  service.c_str(), "account", account.c_str(), nullptr);
        },
        [](Call& finished, GAsyncResult* result) {
            GError* error = nullptr;
            const gboolean removed = secret_password_clear_finish(result, &error);
            if (error) {
                finished.complete(KeychainStatus::Failure, std::nullopt, takeMessage(error));
            } else {
                finished.complete(removed ? KeychainStatus::Success : KeychainStatus::ItemNotFound);
            }
        });
    if (!run(call, deadline())) {
        return KeychainStatus::Failure;
    }
    std::lock_guard lock(call->mutex);
    return call->status;
}

} // namespace orvendi
