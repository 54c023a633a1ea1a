// Thread message queues and threads with a timed join (platform layer).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/pf_thread_messages.h"
#include "support/test_support.h"

#include <cerrno>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

TEST(ThreadMessages, PostingNeedsTheReceiversQueue) {
    std::atomic<bool> ready{false}, release{false};
    PfThreadId id = 0;
    std::thread t([&] {
        id = PfCurrentThreadId();
        ready = true;
        while (!release) std::this_thread::yield();
        PfCreateThreadQueue();
        PfThreadMessage m;
        PfGetThreadMessage(&m);
        EXPECT_EQ(m.message, 7u);
    });
    while (!ready) std::this_thread::yield();
    EXPECT_NE(id, 0u);
    EXPECT_FALSE(PfPostThreadMessage(id, 7, 0, 0));  // no queue yet
    release = true;
    while (!PfPostThreadMessage(id, 7, 0, 0)) std::this_thread::yield();
    t.join();
    EXPECT_FALSE(PfPostThreadMessage(id, 7, 0, 0));  // the queue went with the thread
    EXPECT_FALSE(PfPostThreadMessage(0, 7, 0, 0));
}

TEST(ThreadMessages, OrderIsKeptAndQuitEndsGet) {
    PfCreateThreadQueue();
    PfThreadId self = PfCurrentThreadId();
    EXPECT_EQ(self, PfCurrentThreadId());
    ASSERT_TRUE(PfPostThreadMessage(self, 1024, 11, -5));
    ASSERT_TRUE(PfPostThreadMessage(self, 1025, 12, 6));
    ASSERT_TRUE(PfPostThreadMessage(self, PF_MSG_QUIT, 0, 0));
    PfThreadMessage m;
    EXPECT_TRUE(PfGetThreadMessage(&m));
    EXPECT_EQ(m.message, 1024u);
    EXPECT_EQ(m.wParam, 11u);
    EXPECT_EQ(m.lParam, -5);
    EXPECT_TRUE(PfGetThreadMessage(&m));
    EXPECT_EQ(m.message, 1025u);
    EXPECT_FALSE(PfGetThreadMessage(&m));
    EXPECT_FALSE(PfPeekThreadMessage(&m));
    PfDestroyThreadQueue();
    EXPECT_FALSE(PfPostThreadMessage(self, 1, 0, 0));
}

TEST(ThreadMessages, ManySendersOneReader) {
    PfCreateThreadQueue();
    PfThreadId self = PfCurrentThreadId();
    constexpr int kSenders = 4, kEach = 2000;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([=] {
            for (int k = 0; k < kEach; ++k) PfPostThreadMessage(self, 100 + s, k, 0);
        });
    std::vector<int> last(kSenders, -1);
    for (int n = 0; n < kSenders * kEach; ++n) {
        PfThreadMessage m;
        ASSERT_TRUE(PfPeekThreadMessage(&m, 5000));
        int s = static_cast<int>(m.message) - 100;
        ASSERT_EQ(static_cast<int>(m.wParam), last[s] + 1);  // each sender's order kept
        last[s] = static_cast<int>(m.wParam);
    }
    for (std::thread& t : senders) t.join();
}

TEST(ThreadMessages, PeekWaitsOnlyAsLongAsAsked) {
    PfThreadMessage m;
    auto t0 = Clock::now();
    EXPECT_FALSE(PfPeekThreadMessage(&m, 30));
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(25));
}

TEST(Threads, ThreadGetsItsIdAndResult) {
    PfThreadId seen = 0;
    PfThreadId id = 0;
    PfThread* t = PfCreateThread([&] {
        seen = PfCurrentThreadId();
        return 3;
    }, &id);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(PfWaitForThread(t, 5000));
    EXPECT_EQ(seen, id);
    PfCloseThread(t);
}

// The game's threads carry its name prefix and their role, cut to the kernel's 15
// characters, and are counted as the game's while they run.
TEST(Threads, AThreadIsNamedAfterItsRole) {
    const unsigned before = CountOwnThreads();
    for (const char* role : {"audio", "averyveryverylongrole"}) {
        std::atomic<bool> release{false};
        std::string name;
        PfThreadId id;
        PfThread* t = PfCreateThread([&] {
            while (!release) std::this_thread::yield();
            char buffer[32] = {};
            pthread_getname_np(pthread_self(), buffer, sizeof buffer);
            name = buffer;
            return 0;
        }, &id, role);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(CountOwnThreads(), before + 1) << role;
        release = true;
        ASSERT_TRUE(PfWaitForThread(t, 5000));
        PfCloseThread(t);
        EXPECT_EQ(name, (std::string(kPfThreadNamePrefix) + role).substr(0, 15));
    }
    // A joined thread's entry leaves the process's task list a moment after the join.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (CountOwnThreads() != before && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(CountOwnThreads(), before);
}

TEST(Threads, ATimedOutThreadIsDetachedNotLeftJoinable) {
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    PfThreadId id;
    PfThread* t = PfCreateThread([stop, finished] {
        while (!*stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        *finished = true;
        return 0;
    }, &id);
    ASSERT_NE(t, nullptr);
    auto t0 = Clock::now();
    EXPECT_FALSE(PfWaitForThread(t, 50));
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(2));
    PfCloseThread(t);  // detaches: destroying a joinable std::thread would abort
    *stop = true;
    for (int k = 0; k < 2000 && !*finished; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(*finished);
}

}  // namespace

namespace {

TEST(Threads, RaisedPriorityIsALowerNiceValue) {
    std::atomic<bool> go{false};
    std::atomic<int> nice{100};
    PfThreadId id;
    PfThread* t = PfCreateThread([&] {
        while (!go) std::this_thread::yield();
        errno = 0;
        nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
        return 0;
    }, &id);
    ASSERT_NE(t, nullptr);
    bool raised = PfRaiseThreadPriority(t);
    go = true;
    ASSERT_TRUE(PfWaitForThread(t, 5000));
    PfCloseThread(t);
    if (!raised || nice.load() == getpriority(PRIO_PROCESS, 0))
        GTEST_SKIP() << "this process may not raise a thread's priority";
    EXPECT_LT(nice.load(), getpriority(PRIO_PROCESS, 0));
}

}  // namespace
