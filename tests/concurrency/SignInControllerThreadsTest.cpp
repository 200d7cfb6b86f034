#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "service/APIClient.h"
#include "support/fakes/FakePlatform.h"
#include "ui/SignInController.h"

namespace orvendi::test {
namespace {

// Answers on the background thread and records which thread asked.
class ThreadCheckingClient : public APIClient {
public:
    ThreadCheckingClient(Keychain& keychain, const Scheduler& clock, std::thread::id mainThread)
        : APIClient(Config::defaultRecord(), keychain, clock), mainThread_(mainThread) {}

    void requestSignInCode(const std::string&) override { check(); }
    void verifySignInCode(const std::string&, const std::string& code) override {
        check();
        if (code != "111111") {
            throw APIError::requestFailed("Invalid or expired code");
        }
    }

    std::atomic<int> calls{0};
    std::atomic<int> callsOnMainThread{0};

private:
    void check() {
        ++calls;
        if (std::this_thread::get_id() == mainThread_) {
            ++callsOnMainThread;
        }
    }
    std::thread::id mainThread_;
};

TEST(SignInControllerThreads, RequestsRunInTheBackgroundAndControlsChangeOnTheMainThread) {
    FakePlatform fake(VirtualScheduler::Background::Threads);
    auto api = std::make_shared<ThreadCheckingClient>(fake.keychain, fake.scheduler,
                                                      std::this_thread::get_id());
    int signedIn = 0;
    auto controller =
        SignInController::create(api, fake.windows, fake.scheduler, [&] { ++signedIn; });
    auto& view = *fake.windows.signIn;

    view.email = "ada@example.com";
    view.submit();
    ASSERT_TRUE(fake.scheduler.runUntil([&] { return controller->codeSent(); }));

    view.code = "000000";
    view.submit();
    ASSERT_TRUE(fake.scheduler.runUntil([&] { return view.primaryEnabled; }));
    EXPECT_EQ(view.message, "Invalid or expired code");

    view.code = "111111";
    view.submit();
    ASSERT_TRUE(fake.scheduler.runUntil([&] { return signedIn == 1; }));
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(api->calls, 3);
    EXPECT_EQ(api->callsOnMainThread, 0);
}

} // namespace
} // namespace orvendi::test
