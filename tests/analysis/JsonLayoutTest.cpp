#include "analysis/JsonLayout.h"

#include <gtest/gtest.h>

namespace {

std::string laidOut(const QByteArray& json)
{
    JsonFault fault;
    const std::optional<QByteArray> out = LayOutJson(json, &fault);
    return out ? out->toStdString()
               : "<" + fault.reason.toStdString() + " at " + std::to_string(fault.offset) + ">";
}

} // namespace

TEST(JsonLayoutTest, TokensKeepTheirBytesAndOrder)
{
    const std::pair<QByteArray, std::string> cases[] = {
        // Numbers beyond a double, duplicate keys, key order, a fraction ending in .0.
        { R"({"id": 12345678901234567890, "dup": 1, "dup": 2, "z": 1, "a": -30000000000.0})",
          "{\n    \"id\": 12345678901234567890,\n    \"dup\": 1,\n    \"dup\": 2,\n    \"z\": 1,\n"
          "    \"a\": -30000000000.0\n}\n" },
        // Escapes, a surrogate pair and structure characters inside strings stay as written.
        { R"(["a\"b\\\/\u00e9\ud83d\ude00", "{[,:]}", "é"])",
          "[\n    \"a\\\"b\\\\\\/\\u00e9\\ud83d\\ude00\",\n    \"{[,:]}\",\n    \"é\"\n]\n" },
        { " \r\n\t[ ] ", "[]\n" },
        { R"({"e":{},"a":[[],[1e+5,-0,0.5E-3]],"t":true,"f":false,"n":null})",
          "{\n    \"e\": {},\n    \"a\": [\n        [],\n        [\n            1e+5,\n"
          "            -0,\n            0.5E-3\n        ]\n    ],\n    \"t\": true,\n"
          "    \"f\": false,\n    \"n\": null\n}\n" },
        { "\"top\"", "\"top\"\n" },
        { "-1.5e10", "-1.5e10\n" },
        // Not JSON: the first byte that cannot be read and why.
        { "", "<no value at 0>" },
        { "{\"a\":", "<unexpected end at 5>" },
        { "[1,]", "<value expected at 3>" },
        { "[01]", "<unexpected character at 2>" },
        { "[1.]", "<digit expected at 3>" },
        { "{'a':1}", "<key expected at 1>" },
        { "{\"a\" 1}", "<':' expected at 5>" },
        { "[1] [2]", "<text after the value at 4>" },
        { "[1}", "<unexpected character at 2>" },
        { "[\"a\tb\"]", "<control character in a string at 3>" },
        { R"(["\x"])", "<invalid escape at 3>" },
        { R"(["\u12g4"])", "<invalid escape at 6>" },
        { "[\"abc", "<unterminated string at 5>" },
        { "[tru]", "<value expected at 1>" },
        { "NaN", "<value expected at 0>" },
    };
    for (const auto& [json, expected] : cases)
        EXPECT_EQ(laidOut(json), expected) << json.constData();
}

TEST(JsonLayoutTest, DeepNestingIsNeitherRecursedNorIndentedWithoutBound)
{
    const qsizetype depth = 20000;
    const QByteArray json = QByteArray(depth, '[') + QByteArray(depth, ']');
    const std::optional<QByteArray> out = LayOutJson(json);
    ASSERT_TRUE(out);
    EXPECT_LT(out->size(), depth * 2 * (1 + 64 * 4 + 1));
    EXPECT_EQ(QByteArray(*out).replace(' ', "").replace('\n', ""), json);
}
