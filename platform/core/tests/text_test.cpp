#include "platform/core/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf, RoundTripTable) {
    struct Case {
        std::string_view utf8;
        std::u16string_view utf16;
    };
    static constexpr Case cases[] = {
        {"", u""},
        {"ANN SMITH", u"ANN SMITH"},
        {"Zoë Brontë", u"Zoë Brontë"},
        {"\xE2\x82\xAC 5", u"\u20AC 5"},
        {"\xF0\x9F\x93\x9E", u"\U0001F4DE"},  // outside the basic plane: a surrogate pair
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(core::toUtf16(c.utf8), c.utf16);
        EXPECT_EQ(core::toUtf8(c.utf16), c.utf8);
    }
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(core::toUtf16("a\xFF"
                            "b"),
              u"a\uFFFDb");
    EXPECT_EQ(core::toUtf16("\xC3"), u"\uFFFD");             // truncated sequence
    EXPECT_EQ(core::toUtf16("\xC0\xAF"), u"\uFFFD");         // overlong encoding
    EXPECT_EQ(core::toUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");  // unpaired surrogate
}

TEST(Utf, WindowsTextIsUtf8WhenValidElseWindows1252) {
    struct Case {
        std::string_view bytes, utf8;
    };
    static constexpr Case cases[] = {
        {"plain", "plain"},
        {"\xEF\xBB\xBFZo\xC3\xAB", "Zo\u00EB"},                  // UTF-8 with its BOM
        {"\xEF\xBF\xBD", "\xEF\xBF\xBD"},                        // a real U+FFFD is valid UTF-8
        {"Zo\xEB \x80\x9F\x81", "Zo\u00EB \u20AC\u0178\u0081"},  // Windows-1252, undefined 0x81
        {"\xC3\xAB\xEB", "\u00C3\u00AB\u00EB"},                  // one bad byte: all of it is 1252
        {"\xC0\xAF", "\u00C0\u00AF"},                            // overlong UTF-8 is not UTF-8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(core::windowsTextToUtf8(c.bytes), c.utf8);
    }
}

TEST(Guid, FormatAndParse) {
    const GUID guid{0x0002DF01, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    EXPECT_EQ(core::formatGuid(guid), "{0002DF01-0000-0000-C000-000000000046}");
    struct Case {
        std::string_view text;
        bool valid;
    };
    static constexpr Case cases[] = {
        {"{0002DF01-0000-0000-C000-000000000046}", true},
        {"{0002df01-0000-0000-c000-000000000046}", true},
        {"0002DF01-0000-0000-C000-000000000046", true},
        {"{0002DF01-0000-0000-C000-00000000004}", false},
        {"{0002DF01-0000-0000-C000-00000000004G}", false},
        {"{0002DF01+0000-0000-C000-000000000046}", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = core::parseGuid(c.text);
        ASSERT_EQ(parsed.has_value(), c.valid);
        if (c.valid) {
            EXPECT_EQ(*parsed, guid);
        }
    }
}

TEST(NoCase, ComparesAsciiOnly) {
    EXPECT_TRUE(core::equalsNoCase("Software\\Classes", "SOFTWARE\\classes"));
    EXPECT_FALSE(core::equalsNoCase("abc", "abcd"));
    EXPECT_EQ(core::toUpperAscii("lkLine é"), "LKLINE é");
}

}  // namespace
