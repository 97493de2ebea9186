#include "platform/speech/control_tags.h"

#include <gtest/gtest.h>

namespace {

TEST(ControlTags, BecomeSsml) {
    struct Case {
        const char* text;
        const char* ssml;
    };
    static constexpr Case cases[] = {
        {"Line one is active.", "<speak>Line one is active.</speak>"},
        {"", "<speak></speak>"},
        {R"(\emp\There was an error whilst downloading, \emp\please try)",
         "<speak><emphasis>There</emphasis> was an error whilst downloading, "
         "<emphasis>please</emphasis> try</speak>"},
        {R"(\EMP\ loud)", "<speak> <emphasis>loud</emphasis></speak>"},
        {R"(wait\pau=500\now)", R"(<speak>wait<break time="500ms"/>now</speak>)"},
        {R"(\pau=oops\x)", "<speak>x</speak>"},
        {R"(\Spd=150\\Vce=Speaker=Sam\fast)", "<speak>fast</speak>"},  // other tags are dropped
        {R"(a\\b)", R"(<speak>a\b</speak>)"},
        {R"(lone \ backslash)", "<speak>lone  backslash</speak>"},
        {R"(<b>Tom & "Jerry"</b>)",
         "<speak>&lt;b&gt;Tom &amp; &quot;Jerry&quot;&lt;/b&gt;</speak>"},
        {R"(end\emp\)", "<speak>end</speak>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(speech::toSsml(c.text), c.ssml);
    }
}

}  // namespace
