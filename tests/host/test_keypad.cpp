#include "TestBackend.h"

#include <gtest/gtest.h>

#include <string>

using namespace abacoria;
using abacoria::testing::TestProgram;

namespace {

// The cmdButton element that carries a caption.
int keyIndex(char caption) { return caption == '.' ? 10 : caption == '0' ? 9 : caption - '1'; }

void press(TestProgram& p, char key)
{
    const std::string operators = "+-/*";
    const auto op = operators.find(key);
    p.click(op == std::string::npos ? rt::Control{"cmdButton", keyIndex(key)}
                                    : rt::Control{"cmdOper", static_cast<int>(op)});
}

struct Row {
    const char* before;
    char key;
    const char* after;
};

} // namespace

TEST(Keypad, DigitAndPointKeys)
{
    // clang-format off
    const Row rows[] = {
        {"0", '7', "7"}, {"7", '5', "75"}, {"0", '0', "0"}, {"0", '.', "."}, {".", '5', "5"},
        {"1", '.', "1."}, {"1.", '5', "1.5"}, {"1.", '.', "1.."},
        {"0.0", '4', "4"}, {"000", '4', "4"}, {"abc", '4', "4"}, {"12abc", '3', "12abc3"},
        {"", '9', "9"}, {"-2", '8', "-28"}, {"1 2", '1', "1 21"},
    };
    // clang-format on
    for (const Row& row : rows) {
        TestProgram p;
        p.host.setText({"Text1"}, row.before);
        press(p, row.key);
        EXPECT_EQ(p.display(), row.after) << "'" << row.before << "' then " << row.key;
        EXPECT_TRUE(p.backend.boxes.empty());
    }
}

TEST(Keypad, KeySequences)
{
    const std::pair<const char*, const char*> rows[] = {
        {"123", "123"}, {"1+2", "2"}, {"0.5", "5"}, {"1234567890", "1234567890"}, {"98*", "0"}, {"3...", "3..."},
    };
    for (const auto& [keys, display] : rows) {
        TestProgram p;
        for (const char* k = keys; *k; ++k)
            press(p, *k);
        EXPECT_EQ(p.display(), display) << keys;
        // What the window shows is what the handlers wrote.
        EXPECT_EQ(p.control({"Text1"}).text, display) << keys;
    }
}

TEST(Keypad, OperatorKeysOnlyReset)
{
    const std::pair<int, const char*> rows[] = {{0, "12.5"}, {1, "hello"}, {2, ""}, {3, "1e999"}};
    for (const auto& [index, before] : rows) {
        TestProgram p;
        p.host.setText({"Text1"}, before);
        p.click({"cmdOper", index});
        EXPECT_EQ(p.display(), "0") << before;
        EXPECT_TRUE(p.backend.boxes.empty());
    }
}

TEST(Keypad, OverflowReportsAndKeepsTheDisplay)
{
    TestProgram p;
    p.host.setText({"Text1"}, "1e400");
    press(p, '5');
    EXPECT_EQ(p.display(), "1e400");
    ASSERT_EQ(p.backend.boxes.size(), 1u);
    EXPECT_EQ(p.backend.boxes[0].prompt, "Run-time error '6':\r\nOverflow");
    EXPECT_EQ(p.backend.boxes[0].title, "Abacoria");
    EXPECT_EQ(p.backend.boxes[0].buttons, rt::vbOKOnly);
    // The program goes on: the window is there and the keys still work.
    EXPECT_TRUE(p.host.formLoaded());
    press(p, '+');
    press(p, '7');
    EXPECT_EQ(p.display(), "7");
}

TEST(Keypad, BadInput)
{
    enum Outcome { appends, clearsFirst, errorBox };
    const std::pair<std::string, Outcome> rows[] = {
        {"1." + std::string(1 << 20, '9'), appends},
        {std::string(1 << 20, '0'), clearsFirst},
        {"\xc3\xa9t\xc3\xa9", clearsFirst},
        {"2\xe2\x82\xac", appends},
        {"\x01\x02", clearsFirst},
        {"4\n2", appends},
        {"9" + std::string(400, '9'), errorBox},
        {std::string(1 << 20, '8'), errorBox},
    };
    for (const auto& [before, outcome] : rows) {
        TestProgram p;
        p.host.setText({"Text1"}, before);
        press(p, '3');
        const std::string shown = before.substr(0, 12);
        switch (outcome) {
        case appends:
            EXPECT_TRUE(p.backend.boxes.empty()) << shown;
            EXPECT_TRUE(p.display() == before + "3") << shown;
            break;
        case clearsFirst:
            EXPECT_TRUE(p.backend.boxes.empty()) << shown;
            EXPECT_EQ(p.display(), "3") << shown;
            break;
        case errorBox:
            ASSERT_EQ(p.backend.boxes.size(), 1u) << shown;
            EXPECT_EQ(p.backend.boxes[0].prompt, "Run-time error '6':\r\nOverflow");
            EXPECT_TRUE(p.display() == before) << shown;
        }
        EXPECT_TRUE(p.host.formLoaded());
    }
}
