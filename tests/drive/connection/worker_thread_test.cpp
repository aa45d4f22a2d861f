// A worker handle that goes while its thread still works waits for the
// thread and ends; it never hangs the shutdown that drops it.
#include "drive/connection/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;


TEST(WorkerHandle, GoingWhileItsThreadWorksOrAfterItEndedJoinsTheThread)
{
    for (const auto bodyTakes : {0ms, 200ms}) {
        SCOPED_TRACE(bodyTakes.count());
        auto ran = std::make_shared<std::atomic<bool>>(false);
        auto dropped = std::make_shared<std::promise<void>>();
        std::future<void> done = dropped->get_future();
        // The handle is dropped on a thread of its own, so that a hang
        // fails this case instead of the whole program.
        std::thread([ran, dropped, bodyTakes] {
            {
                tarvex::WorkerHandle handle;
                ASSERT_TRUE(handle.startIfIdle([ran, bodyTakes] {
                    std::this_thread::sleep_for(bodyTakes);
                    ran->store(true);
                }));
                if (bodyTakes == 0ms)
                    while (handle.isRunning())
                        std::this_thread::sleep_for(1ms);
            }
            dropped->set_value();
        }).detach();
        ASSERT_EQ(done.wait_for(30s), std::future_status::ready) << "dropping the handle hung";
        EXPECT_TRUE(ran->load()) << "the thread was not waited for";
    }
}

} // namespace
