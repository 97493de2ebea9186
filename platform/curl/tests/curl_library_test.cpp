#include "platform/curl/curl_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class CurlLibraryTest : public ::testing::Test {
  protected:
    void TearDown() override { unsetenv("BELLTALE_LIBCURL"); }
};

TEST_F(CurlLibraryTest, ALibraryThatCannotServeGivesNoFunctionsAndSaysWhy) {
    struct Case {
        const char* library;
        const char* reasonNames;
    };
    for (const Case& c : {Case{"libcurl-that-is-not-here.so.4", "libcurl-that-is-not-here.so.4"},
                          Case{"libm.so.6", "curl_global_init"}}) {
        SCOPED_TRACE(c.library);
        setenv("BELLTALE_LIBCURL", c.library, 1);
        std::string why;
        EXPECT_EQ(curlrt::load(&why), nullptr);
        EXPECT_NE(why.find("libcurl could not be loaded"), std::string::npos) << why;
        EXPECT_NE(why.find(c.reasonNames), std::string::npos) << why;
    }
}

TEST_F(CurlLibraryTest, LoadsTheSystemLibraryOnceAndAgainAfterAFailure) {
    setenv("BELLTALE_LIBCURL", "libcurl-that-is-not-here.so.4", 1);
    EXPECT_EQ(curlrt::load(), nullptr);
    unsetenv("BELLTALE_LIBCURL");
    const curlrt::Functions* functions = curlrt::load();
    ASSERT_NE(functions, nullptr);
    EXPECT_EQ(curlrt::load(), functions);
    CURL* curl = functions->easy_init();
    ASSERT_NE(curl, nullptr);
    EXPECT_EQ(functions->easy_setopt(curl, CURLOPT_URL, "http://127.0.0.1/"), CURLE_OK);
    functions->easy_cleanup(curl);
}

}  // namespace
