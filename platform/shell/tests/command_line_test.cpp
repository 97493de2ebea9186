#include "platform/shell/command_line.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsWindowsRules) {
    struct Case {
        const char* line;
        Args expected;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"http://example.com/?a=1&b=2", {"http://example.com/?a=1&b=2"}},
        {"one  two\tthree", {"one", "two", "three"}},
        {R"("C:\Program Files\x" next)", {R"(C:\Program Files\x)", "next"}},
        {R"("")", {""}},
        {R"(a\\b)", {R"(a\\b)"}},                  // backslashes not before a quote are literal
        {R"(say\"hi\")", {R"(say"hi")"}},          // an odd run escapes the quote
        {R"("end\\" next)", {R"(end\)", "next"}},  // an even run halves and the quote closes
        {R"(x"y z"w)", {"xy zw"}},
        {R"(;rm -rf ~ `id` $(id) | &)", {";rm", "-rf", "~", "`id`", "$(id)", "|", "&"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(shell::splitCommandLine(c.line), c.expected);
    }
}

TEST(ExecProgram, TakesTheFirstArgument) {
    struct Case {
        const char* exec;
        const char* program;
    };
    static constexpr Case cases[] = {
        {"firefox %u", "firefox"},
        {"/usr/lib/firefox/firefox --new-window %u", "/usr/lib/firefox/firefox"},
        {R"("/opt/My Browser/browse" %U)", "/opt/My Browser/browse"},
        {R"(/opt/My\sBrowser %U)", "/opt/My"},
        {"  gedit", "gedit"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exec);
        EXPECT_EQ(shell::execProgram(c.exec), c.program);
    }
}

}  // namespace
