#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "service/APIClient.h"
#include "support/fakes/FakeBackend.h"
#include "support/fakes/FakePlatform.h"
#include "ui/SignInController.h"

namespace orvendi::test {
namespace {

// Counts the backend's calls and those made on the main (test) thread.
struct ThreadCount {
    std::atomic<int> calls{0};
    std::atomic<int> onMainThread{0};
};

TEST(SignInControllerThreads, RequestsRunInTheBackgroundAndControlsChangeOnTheMainThread) {
    FakePlatform fake(VirtualScheduler::Background::Threads);
    auto api = std::make_shared<FakeBackend>();
    ThreadCount count;
    api->onCall = [&count, mainThread = std::this_thread::get_id()](const std::string&) {
        ++count.calls;
        if (std::this_thread::get_id() == mainThread) {
            ++count.onMainThread;
        }
    };
    api->verifyError = "Invalid or expired code";
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

    api->verifyError.reset();
    view.code = "111111";
    view.submit();
    ASSERT_TRUE(fake.scheduler.runUntil([&] { return signedIn == 1; }));
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(count.calls, 3);
    EXPECT_EQ(count.onMainThread, 0);
}

} // namespace
} // namespace orvendi::test
