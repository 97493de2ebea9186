#include <gtest/gtest.h>

#include <string>

#include "platform/mail/see.h"
#include "platform/mail/see_codes.h"

namespace {

std::string nameOf(std::int32_t code) {
    if (code >= 0) {
        return std::to_string(code);
    }
    const mail::CodeText* row = mail::findCode(code);
    return row != nullptr ? std::string(row->name) : "unknown " + std::to_string(code);
}

// Every test starts and ends with the engine released, whatever it did.
class SeeLifecycle : public testing::Test {
  protected:
    void SetUp() override { seeRelease(); }
    void TearDown() override { seeRelease(); }
};

// The program's own order: attach one channel at start; close channel 0 and release at the end.
TEST_F(SeeLifecycle, StartAndShutDown) {
    EXPECT_EQ(nameOf(seeAttach(1, 0)), "0");
    EXPECT_EQ(nameOf(seeClose(0)), "0") << "no exchange is open: closing is harmless";
    EXPECT_EQ(nameOf(seeClose(0)), "0") << "and may be repeated";
    EXPECT_EQ(nameOf(seeRelease()), "0");
}

TEST_F(SeeLifecycle, CallsOutOfOrderFail) {
    EXPECT_EQ(nameOf(seeClose(0)), "SEE_NOT_ATTACHED");
    EXPECT_EQ(nameOf(seeRelease()), "SEE_NOT_ATTACHED");

    ASSERT_EQ(seeAttach(2, 0), 0);
    EXPECT_EQ(nameOf(seeAttach(1, 0)), "SEE_ALREADY_ATTACHED");
    EXPECT_EQ(nameOf(seeClose(1)), "0") << "the first attach still holds two channels";
    EXPECT_EQ(nameOf(seeClose(2)), "SEE_BAD_CHANNEL");
    EXPECT_EQ(nameOf(seeClose(-1)), "SEE_BAD_CHANNEL");

    ASSERT_EQ(seeRelease(), 0);
    EXPECT_EQ(nameOf(seeClose(0)), "SEE_NOT_ATTACHED") << "released channels are gone";
    EXPECT_EQ(nameOf(seeAttach(1, 0)), "0") << "the engine can be attached again";
}

TEST_F(SeeLifecycle, ChannelCountIsBounded) {
    struct Case {
        std::int32_t count;
        const char* expected;
    };
    static constexpr Case cases[] = {
        {0, "SEE_BAD_CHANNEL_COUNT"},
        {-1, "SEE_BAD_CHANNEL_COUNT"},
        {SEE_MAX_CHANNELS + 1, "SEE_BAD_CHANNEL_COUNT"},
        {1, "0"},
        {SEE_MAX_CHANNELS, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(nameOf(seeAttach(c.count, 0)), c.expected);
        seeRelease();
    }
}

// errors.txt is made from the table and looked up by a code's decimal text as a substring: each
// code must find its own line and no other.
TEST(SeeCodes, EachCodeFindsOnlyItsOwnLine) {
    std::vector<std::string> lines;
    for (const mail::CodeText& row : mail::failureCodes()) {
        lines.push_back(std::to_string(row.code) + " " + std::string(row.text));
    }
    for (const mail::CodeText& row : mail::failureCodes()) {
        SCOPED_TRACE(row.name);
        EXPECT_LT(row.code, -99);
        EXPECT_GT(row.code, -1000);
        EXPECT_EQ(mail::findCode(row.code), &row);
        int matches = 0;
        for (const std::string& line : lines) {
            matches += line.find(std::to_string(row.code)) != std::string::npos ? 1 : 0;
        }
        EXPECT_EQ(matches, 1);
    }
    EXPECT_EQ(mail::findCode(0), nullptr);
}

}  // namespace
