#include "import/ScanRequestQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using talv::ScanRequestQueue;

TEST(ScanRequestQueue, APendingRequestIsNotQueuedTwice) {
    ScanRequestQueue queue;
    queue.queue("#Adium");
    queue.queue("/home/u/Documents/iChats");
    queue.queue("#Adium");
    EXPECT_EQ(queue.pending(), (std::vector<std::string>{"#Adium", "/home/u/Documents/iChats"}));
    EXPECT_FALSE(queue.isIdle());

    queue.beginPass();
    EXPECT_EQ(queue.next(), "#Adium");
    queue.queue("#Adium");  // no longer pending: queued again
    EXPECT_EQ(queue.next(), "/home/u/Documents/iChats");
    EXPECT_EQ(queue.next(), "#Adium");
    EXPECT_EQ(queue.next(), std::nullopt);
    queue.endPass();
    EXPECT_TRUE(queue.isIdle());
}

TEST(ScanRequestQueue, ARequestQueuedDuringAPassIsTakenByItOrByTheNextPass) {
    ScanRequestQueue queue;
    queue.queue("#Fire");
    queue.beginPass();
    EXPECT_EQ(queue.next(), "#Fire");
    queue.queue("#Adium");  // before the queue ran empty: this pass takes it
    EXPECT_EQ(queue.next(), "#Adium");
    EXPECT_EQ(queue.next(), std::nullopt);
    queue.queue("#iChat");  // after the pass drained the queue: the next pass is due at once
    queue.endPass();
    EXPECT_FALSE(queue.isIdle());
    queue.beginPass();  // would wait forever if the request were lost
    EXPECT_EQ(queue.next(), "#iChat");
    queue.endPass();
    EXPECT_TRUE(queue.isIdle());
}

TEST(ScanRequestQueue, TheScanThreadSleepsUntilARequestComesAndQueuingNeverWaits) {
    ScanRequestQueue queue;
    std::atomic<int> passes{0};
    std::vector<std::string> seen;
    std::thread scanThread([&] {
        for (int i = 0; i < 2; ++i) {
            queue.beginPass();
            while (auto r = queue.next()) seen.push_back(*r);
            ++passes;
            queue.endPass();
        }
    });
    EXPECT_EQ(passes.load(), 0);
    queue.queue("a");
    while (passes.load() < 1) std::this_thread::yield();
    for (int i = 0; i < 1000; ++i) queue.queue("b");  // while a pass may run: never blocks
    scanThread.join();
    EXPECT_EQ(seen.front(), "a");
    EXPECT_EQ(seen.back(), "b");
}
