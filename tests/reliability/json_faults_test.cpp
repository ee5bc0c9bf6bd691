// The JSON document on replies that are not the JSON the flows expect:
// garbage, cut-off documents, nesting deep enough to exhaust a recursive
// reader, script text, and documents without the members the flows read.

#include "app/flows/JsonDocument.h"
#include "commands/com/ComInit.h"

#include <gtest/gtest.h>
#include <string>

namespace quilbex::reliability {
namespace {

std::string text(const commands::Text& t) { return t ? std::string(t.get()) : std::string(); }

TEST(JsonFaults, replies_that_are_not_json_leave_no_document_and_empty_reads) {
    app::JsonDocument doc;
    const std::string replies[] = {
        "<html><body>502 Bad Gateway</body></html>",
        "{\"ret\":\"0\",\"msg\":\"ok\",\"data\":{\"title\":\"cut",  // cut off inside a string
        "{\"ret\":0,}",  // trailing comma
        std::string("\xFF\xFE{\x00\"", 5),  // ends at its zero byte
        "1});throw new Error(1);({",  // script text, not a value
        "",
    };
    for (const std::string& reply : replies) {
        EXPECT_FALSE(doc.parse(reply.c_str())) << reply;
        EXPECT_EQ(text(doc.get_text("ret")), "") << reply;
        EXPECT_EQ(text(doc.get_text("data.title")), "") << reply;
        EXPECT_EQ(doc.value_type(""), app::JsonDocument::kAbsent) << reply;
    }
}

TEST(JsonFaults, deep_nesting_is_refused_or_read_but_never_crashes) {
    app::JsonDocument doc;
    for (int depth : {1000, 100000}) {
        std::string nested = std::string(depth, '[') + std::string(depth, ']');
        doc.parse(nested.c_str());  // either result is acceptable; the process must survive
        std::string objects;
        for (int i = 0; i < depth; ++i)
            objects += "{\"a\":";
        objects += "1" + std::string(depth, '}');
        doc.parse(objects.c_str());
        doc.get_text("a.a.a");
    }
    // The document is usable afterwards.
    EXPECT_TRUE(doc.parse("{\"ret\":\"0\"}"));
    EXPECT_EQ(text(doc.get_text("ret")), "0");
}

TEST(JsonFaults, replies_without_the_members_the_flows_read_give_empty_texts) {
    app::JsonDocument doc;
    ASSERT_TRUE(doc.parse("{\"data\":null}"));
    EXPECT_EQ(text(doc.get_text("ret")), "");
    EXPECT_EQ(text(doc.get_text("msg")), "");
    EXPECT_EQ(text(doc.get_text("data.title")), "");
    ASSERT_TRUE(doc.parse("[1,2]"));
    EXPECT_EQ(text(doc.get_text("data.title")), "");
    ASSERT_TRUE(doc.parse("{\"data\":\"title\"}"));
    EXPECT_EQ(text(doc.get_text("data.title")), "");
}

}  // namespace
}  // namespace quilbex::reliability
