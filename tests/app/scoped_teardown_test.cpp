#include "app/scoped_teardown.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace lumenark {
namespace {

struct FailingTeardown {
    explicit FailingTeardown(int& calls) : calls(calls) {}
    void shutdown() {
        ++calls;
        throw std::runtime_error("teardown failed");
    }
    int& calls;
};

TEST(ScopedTeardown, ANormalFinishReportsTheTeardownError) {
    int calls = 0;
    ScopedTeardown<FailingTeardown> guard;
    guard.start(calls);
    EXPECT_THROW(guard.finish(), std::runtime_error);
    EXPECT_EQ(calls, 1);
    EXPECT_NO_THROW(guard.finish());
    EXPECT_EQ(calls, 1);
}

TEST(ScopedTeardown, AnUnwindingErrorIsTheOneThatArrives) {
    int calls = 0;
    try {
        ScopedTeardown<FailingTeardown> guard;
        guard.start(calls);
        throw std::logic_error("first");
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "first");
    }
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace lumenark
