// Caller-ID parties: names and numbers as the caller-ID program reads them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/tests/engine_test_support.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

namespace {

TEST(EditMask, ShapesNumbers) {
    struct Case {
        const char* mask;
        const char* text;
        const char* shaped;
    };
    static constexpr Case cases[] = {
        {"000-000-0000;0", "5551234567", "555-123-4567"},
        {"000-000-0000;0", "01234567890", "012-345-67890"},  // the extra digit stays at the end
        {"000-000-0000;0", "12345", "123-45 -    "},
        {"000-000-0000;0", "", "   -   -    "},
        {"000-000-0000;0", "(555) 123-4567", "(55-5) -123-4567"},  // literals go in regardless
        {";0;*", "01632960123", "01632960123"},
        {"", "(555) 123", "(555) 123"},
        {"!000-0000;0", "12345", "  1-2345"},          // filled from the right
        {"\\(000\\) 000;0;_", "555123", "(555) 123"},  // escaped literals
        {"(000) 000;1;_", "(55) 1234", "(55 ) 123"},   // the text holds the literals already
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " | " + c.text);
        EXPECT_EQ(FormatMaskText(c.mask, c.text), c.shaped);
    }
}

TEST(EditMask, NamesAndNumbersForDisplay) {
    struct Case {
        const char* name;
        const char* formatted;
    };
    static constexpr Case names[] = {
        {"JOHN SMITH", "John Smith"},
        {"MARY-ANN O'NEIL", "Mary-ann O'neil"},
        {" JOHN", " John"},            // the leading blank stays
        {"ÉMILE ZOLA", "Émile Zola"},  // only A to Z change
        {"", ""},
    };
    for (const Case& c : names) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CapitalizeWords(c.name), c.formatted);
    }
    EXPECT_EQ(UnformatNumber(true, "+44 (0) 1632-960.123"), "4401632960123");
    EXPECT_EQ(UnformatNumber(false, "+44 (0) 1632"), "+44 (0) 1632");
}

class CallerIdParty : public ::testing::Test {
  protected:
    CallerIdParty() {
        tapi::exchange().reset();
        line = std::make_unique<TlkLineInternal>();
    }
    ~CallerIdParty() override {
        line.reset();
        tapi::exchange().reset();
    }

    OwnProgramFolder folder;
    core::VirtualTime time;
    std::unique_ptr<TlkLineInternal> line;
};

TEST_F(CallerIdParty, ReadsShapeTheRawValuesWithoutChangingThem) {
    struct Case {
        const char* number;
        bool translate;
        const char* mask;
        bool formatName;
        const char* readNumber;
        const char* readName;
    };
    static constexpr Case cases[] = {
        {"(555) 123-4567", false, "000-000-0000;0", true, "555-123-4567", "John Smith"},
        {"(555) 123-4567", true, "000-000-0000;0", true, "(55-5) -123-4567", "John Smith"},
        {"(555) 123-4567", false, ";0;*", false, "5551234567", "JOHN SMITH"},
        {"(555) 123-4567", false, "", true, "5551234567", "John Smith"},
    };
    TlkCallerID& party = line->Call.CallerID;
    EXPECT_EQ(party.MaskNumber, "000-000-0000;0");
    EXPECT_TRUE(party.FormatName);
    party.assign({"JOHN SMITH", "", false, false, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + (c.translate ? " translated" : ""));
        party.Number = c.number;
        line->Device.TranslatePhoneNumber = c.translate;
        party.SetMaskNumber(c.mask);
        party.SetFormatName(c.formatName);
        EXPECT_EQ(party.GetNumber(), c.readNumber);
        EXPECT_EQ(party.GetName(), c.readName);
        EXPECT_EQ(party.Number, c.number);
        EXPECT_EQ(party.Name, "JOHN SMITH");
    }
    // Clearing empties what TAPI gave and keeps the display settings.
    line->ClearParties();
    EXPECT_EQ(party.Name, "");
    EXPECT_EQ(party.MaskNumber, "");
    EXPECT_TRUE(party.FormatName);
}

}  // namespace
