// Image codecs need COM on the test thread, as the launcher's entry gives it.
#include "platform/desktop_session.h"

#include <gtest/gtest.h>

namespace {

class ComEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { apartment_.initialize(); }
    void TearDown() override { apartment_.uninitialize(); }

private:
    platform::ComApartment apartment_;
};

[[maybe_unused]] ::testing::Environment* const comEnvironment =
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);

} // namespace
