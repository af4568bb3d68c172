#include "Fields.h"

#include <gtest/gtest.h>

namespace {

struct FieldCase {
    const char* text;
    char delimiter;
    int index;
    const char* expected;
};

class FieldOfTable : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldOfTable, PicksTrimmedField)
{
    const FieldCase& c = GetParam();
    std::string text = c.text, out = "stale";
    EXPECT_EQ(FieldOf(text, c.index, out, c.delimiter), c.expected);
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FieldOfTable, ::testing::Values(
    FieldCase{"12/25/07", '/', 0, "12"},
    FieldCase{"12/25/07", '/', 1, "25"},
    FieldCase{"12/25/07", '/', 2, "07"},
    FieldCase{"12/25/07", '/', 3, ""},
    FieldCase{"3,1,C:\\Logs\\,*.log", ',', 0, "3"},
    FieldCase{"3,1,C:\\Logs\\,*.log", ',', 2, "C:\\Logs\\"},
    FieldCase{"3,1,C:\\Logs\\,*.log", ',', 3, "*.log"},
    FieldCase{"3,1,C:\\Logs\\,*.log", ',', 4, ""},
    FieldCase{"alpha, beta,", ',', 0, "alpha"},
    FieldCase{"alpha, beta,", ',', 1, "beta"},
    FieldCase{"alpha, beta,", ',', 2, ""},
    FieldCase{"C:\\Data\\Logs", '\\', 0, "C:"},
    FieldCase{"C:\\Data\\Logs", '\\', 1, "Data"},
    FieldCase{"C:\\Data\\Logs", '\\', 2, "Logs"},
    FieldCase{"C:\\Data\\Logs", '\\', 3, ""},
    FieldCase{"", ',', 0, ""},
    FieldCase{"single", ',', 0, "single"},
    // A text holding a comma gets no delimiter appended, so without the delimiter it has no field.
    FieldCase{"a,b", ':', 0, ""},
    FieldCase{" 10 : 42 ", ':', 1, "42"}));

TEST(FieldOf, AppendsTheDelimiterToTheCallersTextOnlyWithoutComma)
{
    std::string out;
    std::string path = "server\\incoming";
    FieldOf(path, 0, out, '\\');
    EXPECT_EQ(path, "server\\incoming\\");

    std::string list = "a,b";
    FieldOf(list, 0, out, ',');
    EXPECT_EQ(list, "a,b");
}

}  // namespace
