#include "cli/json_writer.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(JsonQuoted, EscapesWhatJsonRequiresAndKeepsUtf8)
{
    const struct {
        std::string text;
        const char* quoted;
    } cases[] = {
        {"", "\"\""},
        {"AVRBOOT", "\"AVRBOOT\""},
        {"say \"hi\" \\ there", "\"say \\\"hi\\\" \\\\ there\""},
        {"VELTOR не відповідає!\nСпробуйте", "\"VELTOR не відповідає!\\nСпробуйте\""},
        {"tab\tcr\r", "\"tab\\tcr\\r\""},
        {std::string("nul\0bel\x07", 8), "\"nul\\u0000bel\\u0007\""},
        {"del\x7F", "\"del\\u007f\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jsonQuoted(c.text), c.quoted) << c.text;
}

// An instrument may send any seven bytes as its identifier; the record must
// stay valid JSON whatever they are.
TEST(JsonQuoted, BytesThatAreNotUtf8AreEscapedOneByOne)
{
    const struct {
        std::string text;
        const char* quoted;
    } cases[] = {
        {"\xFF\xFE", "\"\\u00ff\\u00fe\""},
        {"A\xC3", "\"A\\u00c3\""},                 // sequence cut short at the end
        {"\xC3(", "\"\\u00c3(\""},                 // continuation byte missing
        {"\xC0\xAF", "\"\\u00c0\\u00af\""},        // overlong form of '/'
        {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},  // a surrogate
        {"\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},  // past U+10FFFF
        {"\xE2\x82\xAC", "\"\xE2\x82\xAC\""},      // the euro sign passes
        {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jsonQuoted(c.text), c.quoted);
}

TEST(JsonWriter, NestsObjectsAndArraysWithCommasAndIndentation)
{
    JsonWriter json;
    json.beginObject();
    json.key("a").value(1);
    json.key("b").beginArray().value("x").null().value(true).endArray();
    json.key("empty").beginObject().endObject();
    json.key("none").beginArray().endArray();
    json.key("c").beginObject().key("d").value(-5).endObject();
    json.endObject();
    EXPECT_EQ(json.text(),
              "{\n"
              "  \"a\": 1,\n"
              "  \"b\": [\n"
              "    \"x\",\n"
              "    null,\n"
              "    true\n"
              "  ],\n"
              "  \"empty\": {},\n"
              "  \"none\": [],\n"
              "  \"c\": {\n"
              "    \"d\": -5\n"
              "  }\n"
              "}\n");
}

TEST(JsonWriter, WritesNumbersAndLeavesNoInvalidOnes)
{
    JsonWriter json;
    json.beginArray().value(2.5).value(std::numeric_limits<double>::infinity()).value(std::int64_t{4294967295}).value(false);
    json.optional(std::optional<int>{}).optional(std::optional<int>{7}).endArray();
    EXPECT_EQ(json.text(), "[\n  2.5,\n  null,\n  4294967295,\n  false,\n  null,\n  7\n]\n");
}

} // namespace
