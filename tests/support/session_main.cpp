// Test entry: every test runs inside one open imaging session, as the program does.
#include <gtest/gtest.h>

#include "imaging/gdipobj.h"
#include "jobs/texts.h"

namespace {
class SessionEnvironment : public ::testing::Environment {
public:
    void SetUp() override { orvelle::ImagingSession::open(); }
    void TearDown() override { orvelle::ImagingSession::close(); }
};
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The messages are compared as the program says them in its own language.
    orvelle::setProgramLanguage(orvelle::Language::Chinese);
    ::testing::AddGlobalTestEnvironment(new SessionEnvironment);
    return RUN_ALL_TESTS();
}
