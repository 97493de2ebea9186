#include <gtest/gtest.h>

#include <string>

#include "platform/registry/hive_format.h"
#include "platform/registry/registry.h"

using namespace std::string_literals;
using registry::detail::formatHive;
using registry::detail::Key;
using registry::detail::parseHive;

namespace {

// The file format is what a person opening the hive reads, and what older files hold: keep it.
TEST(HiveFormat, WritesReadableLines) {
    Key root;
    Key& data = root.makeSubkey("Software").makeSubkey("Belltale [1]");
    data.setValue("line", REG_SZ, "C:\\Modem=1\n%\0"s);
    data.setValue("", REG_SZ, "\0"s);
    data.setValue("count", REG_DWORD, "\x0a\0\0\0"s);
    data.setValue("blob", REG_BINARY, "\x00\xff"s);
    data.setValue("odd", 11, "\x01"s);
    root.makeSubkey("Empty");

    EXPECT_EQ(formatHive(root),
              "Belltale registry hive 1\r\n"
              "\r\n"
              "[Empty]\r\n"
              "[Software]\r\n"
              "[Software\\Belltale %5B1%5D]\r\n"
              "\"line\"=sz:\"C:\\Modem=1%0A%25\"\r\n"
              "@=sz:\"\"\r\n"
              "\"count\"=dword:0000000a\r\n"
              "\"blob\"=binary:00ff\r\n"
              "\"odd\"=hex(11):01\r\n");
}

TEST(HiveFormat, ReadsWhatItWritesWithAnyBytes) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    Key root;
    root.setValue("at the root", REG_SZ, everyByte + '\0');
    Key& key = root.makeSubkey(everyByte.substr(0, 0x5B) + everyByte.substr(0x5D));  // no "\"
    key.setValue(everyByte, REG_MULTI_SZ, "a\0b\0\0"s);
    key.setValue("\"quoted\"", REG_EXPAND_SZ, "%PATH%\0"s);

    const auto parsed = parseHive(formatHive(root));
    ASSERT_TRUE(parsed.root) << parsed.error;
    EXPECT_EQ(*parsed.root, root);
    // LF alone, comments and blank lines are fine too.
    const auto handWritten =
        parseHive("Belltale registry hive 1\n; by hand\n\n[A]\n\"b\"=sz:\"c\"\n");
    ASSERT_TRUE(handWritten.root) << handWritten.error;
    EXPECT_EQ(handWritten.root->findSubkey("a")->findValue("B")->data, "c\0"s);
}

TEST(HiveFormat, NamesTheLineThatCannotBeRead) {
    const auto parsed =
        parseHive("Belltale registry hive 1\r\n[A]\r\n\"ok\"=sz:\"x\"\r\n\"bad\"=sz:x\r\n");
    EXPECT_FALSE(parsed.root);
    EXPECT_EQ(parsed.errorLine, 4);
}

// A hand-made or damaged hive may hold any key path: beyond what the API could have written the
// whole file is refused (and kept aside by the store), never walked until the stack runs out.
TEST(HiveFormat, RefusesKeysTheApiCouldNotHaveWritten) {
    const auto pathOf = [](int depth, const std::string& name) {
        std::string path = name;
        for (int i = 1; i < depth; ++i)
            path += "\\" + name;
        return "Belltale registry hive 1\r\n[" + path + "]\r\n";
    };
    struct Case {
        int depth;
        size_t nameLength;
        bool readable;
    };
    static constexpr Case cases[] = {
        {512, 1, true}, {513, 1, false}, {100'000, 1, false}, {1, 255, true}, {1, 256, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("depth " + std::to_string(c.depth) + ", name " + std::to_string(c.nameLength));
        const auto parsed = parseHive(pathOf(c.depth, std::string(c.nameLength, 'a')));
        EXPECT_EQ(parsed.root.has_value(), c.readable);
        if (!c.readable) {
            EXPECT_EQ(parsed.errorLine, 2);
        }
    }
}

}  // namespace
