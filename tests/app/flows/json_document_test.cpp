#include "app/flows/JsonDocument.h"
#include "support/Gbk.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>

using namespace quilbex;
using namespace quilbex::app;
using quilbex::testing::gbk;

namespace {

std::string str(const commands::Text& t) { return t ? std::string(t.get()) : std::string(); }

}  // namespace

TEST(JsonDocument, reads_a_parsed_reply_by_path) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse("{\"data\":{\"title\":\"x\",\"n\":1.5,\"ok\":true},\"list\":[{\"name\":\"a\"},2]}"));
    EXPECT_EQ(str(doc.get_text("data.title")), "x");
    EXPECT_EQ(str(doc.get_text("data.n")), "1.5");
    EXPECT_EQ(str(doc.get_text("data.ok")), "true");
    EXPECT_EQ(str(doc.get_text("list[0].name")), "a");
    EXPECT_EQ(str(doc.get_text("[\"data\"].title")), "x");
    EXPECT_EQ(doc.get_text("data.nothing"), nullptr);
    EXPECT_EQ(doc.get_text("nothing.at.all"), nullptr);
    EXPECT_EQ(str(doc.get_text("data", true)), "{\"title\":\"x\",\"n\":1.5,\"ok\":true}");
    EXPECT_EQ(doc.get_number("data.n"), 1.5);
    EXPECT_EQ(doc.get_number("data.title"), 0.0);
}

TEST(JsonDocument, chinese_text_round_trips_as_gbk) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(gbk("{\"msg\":\"签到成功\",\"u\":\"\\u4e2d\"}").c_str()));
    EXPECT_EQ(str(doc.get_text("msg")), gbk("签到成功"));
    EXPECT_EQ(str(doc.get_text("u")), gbk("中"));
}

TEST(JsonDocument, reports_value_types_and_existence) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse("{\"s\":\"t\",\"n\":3,\"b\":false,\"a\":[1],\"o\":{},\"z\":null}"));
    EXPECT_EQ(doc.value_type(""), JsonDocument::kObject);
    EXPECT_EQ(doc.value_type("s"), JsonDocument::kString);
    EXPECT_EQ(doc.value_type("n"), JsonDocument::kNumber);
    EXPECT_EQ(doc.value_type("b"), JsonDocument::kBoolean);
    EXPECT_EQ(doc.value_type("a"), JsonDocument::kArray);
    EXPECT_EQ(doc.value_type("o"), JsonDocument::kObject);
    EXPECT_EQ(doc.value_type("z"), JsonDocument::kAbsent);
    EXPECT_EQ(doc.value_type("missing"), JsonDocument::kAbsent);
    EXPECT_TRUE(doc.exists("s"));
    EXPECT_FALSE(doc.exists("missing"));
    std::string p = "da";
    EXPECT_TRUE(doc.resolve_path(p));
    EXPECT_EQ(p, "da");
    p = "data.x";
    EXPECT_FALSE(doc.resolve_path(p));
    EXPECT_EQ(p, "da.data.x");
    p = "[0]";
    doc.resolve_path(p);
    EXPECT_EQ(p, "da[0]");
    p = "";
    EXPECT_TRUE(doc.resolve_path(p));
    EXPECT_EQ(p, "da");
}

TEST(JsonDocument, text_that_is_not_json_leaves_no_document) {
    JsonDocument doc;
    EXPECT_FALSE(doc.parse(""));
    EXPECT_FALSE(doc.parse("", true));
    EXPECT_FALSE(doc.parse("{bad json}"));
    EXPECT_FALSE(doc.parse("null"));
    EXPECT_EQ(doc.get_text("a"), nullptr);
    EXPECT_EQ(doc.value_type(""), JsonDocument::kAbsent);
    EXPECT_TRUE(doc.parse("[1,2]", true));
    EXPECT_EQ(doc.array_length(""), 2);
}

TEST(JsonDocument, a_hostile_reply_is_never_run) {
    JsonDocument doc;
    // Evaluated as script, each of these would change state or never end.
    EXPECT_FALSE(doc.parse("(function(){ da_hacked = 1; return {a:1}; })()"));
    EXPECT_FALSE(doc.parse("{a: (function(){ while(1); })()}"));
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(doc.parse("1; while (true) {}"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_FALSE(doc.parse("\"a\"); da_hacked = (1"));
    ASSERT_TRUE(doc.parse("{\"k\":\"');da_hacked=1;('\"}"));
    EXPECT_EQ(str(doc.get_text("k")), "');da_hacked=1;('");
    ASSERT_TRUE(doc.set_expression("probe", "[typeof da_hacked]"));
    EXPECT_EQ(str(doc.get_text("probe")), "undefined");
}

TEST(JsonDocument, backslashes_stored_as_text_come_back_single) {
    JsonDocument doc;
    ASSERT_TRUE(doc.set_value("path", "C:\\dir\\file"));
    EXPECT_EQ(str(doc.get_text("path")), "C:\\dir\\file");
    EXPECT_EQ(str(doc.document_text()), "{\"path\":\"C:\\dir\\file\"}");
    ASSERT_TRUE(doc.set_value("quote", "it's \"q\"\r\n"));
    EXPECT_EQ(str(doc.get_text("quote")), "it's \"q\"\r\n");
    // A sub-document keeps them too.
    ASSERT_TRUE(doc.set_value("inner", "{\"x\":1}", true));
    ASSERT_TRUE(doc.set_value("inner.p", "a\\b"));
    auto inner = doc.get_object("inner");
    EXPECT_EQ(str(inner->get_text("p")), "a\\b");
}

TEST(JsonDocument, text_values_are_escaped_by_characters_not_bytes) {
    JsonDocument doc;
    // The second byte of each of these GBK characters is a backslash; a lead
    // byte before a quote is no character at all and must not hide the quote.
    const std::string trail_backslash = "\x81\x5c\x95\x5c'\"";
    ASSERT_TRUE(doc.set_value("k", trail_backslash.c_str()));
    EXPECT_EQ(str(doc.get_text("k")), trail_backslash);
    ASSERT_TRUE(doc.set_value("q", "\x81');da_hacked=1;('"));
    ASSERT_TRUE(doc.set_expression("probe", "[typeof da_hacked]"));
    EXPECT_EQ(str(doc.get_text("probe")), "undefined");
    EXPECT_TRUE(str(doc.get_text("q")).ends_with("');da_hacked=1;('"));
}

TEST(JsonDocument, writes_merges_and_removes_values) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse("{\"o\":{\"a\":1,\"b\":\"x\"}}"));
    ASSERT_TRUE(doc.set_value("o", "{\"b\":\"y\",\"c\":true}", true));
    EXPECT_EQ(str(doc.get_json("o")), "{\"a\":1,\"b\":\"y\",\"c\":true}");
    ASSERT_TRUE(doc.set_value("fresh", "[1,2]", true));
    EXPECT_EQ(doc.array_length("fresh"), 2);
    ASSERT_TRUE(doc.set_number("num", 2.5));
    EXPECT_EQ(doc.get_number("num"), 2.5);
    ASSERT_TRUE(doc.set_expression("sum", "1 + 2"));
    EXPECT_EQ(doc.get_number("sum"), 3.0);
    ASSERT_TRUE(doc.remove("o.a"));
    EXPECT_FALSE(doc.exists("o.a"));
    ASSERT_TRUE(doc.clear());
    EXPECT_EQ(str(doc.document_text()), "{}");
}

TEST(JsonDocument, arrays_push_get_set_and_remove) {
    JsonDocument doc;
    ASSERT_TRUE(doc.array_push("a", "list"));
    ASSERT_TRUE(doc.array_push("{\"k\":5}", "list", true));
    ASSERT_TRUE(doc.array_push("7", "list", true));
    EXPECT_EQ(doc.array_length("list"), 3);
    EXPECT_EQ(doc.array_length("nothing"), 0);
    EXPECT_EQ(str(doc.array_get_text(0, "list")), "a");
    EXPECT_EQ(str(doc.array_get_text(1, "list", true)), "{\"k\":5}");
    EXPECT_EQ(doc.array_get_text(2, "list"), nullptr);  // a number has no replace
    auto element = doc.array_get_object(1, "list");
    EXPECT_EQ(doc.get_number("list[1].k"), 5.0);
    EXPECT_EQ(element->get_number("k"), 5.0);
    ASSERT_TRUE(doc.array_set(0, "list", "b"));
    EXPECT_EQ(str(doc.array_get_text(0, "list")), "b");
    ASSERT_TRUE(doc.array_remove(0, "list"));
    EXPECT_EQ(doc.array_length("list"), 2);
}

TEST(JsonDocument, lists_member_names_and_leaf_values) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse("{\"a\":1,\"b\":{\"c\":\"x\",\"d\":[true,2]},\"e\":\"y\"}"));
    std::vector<std::string> names{"old"};
    EXPECT_EQ(doc.member_names(names, ""), 3);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "e"}));
    EXPECT_EQ(doc.member_names(names, "b.d"), 0);
    std::vector<std::string> values;
    EXPECT_EQ(doc.leaf_values(values, "", false), 2);
    EXPECT_EQ(values, (std::vector<std::string>{"1", "y"}));
    EXPECT_EQ(doc.leaf_values(values, "", true), 5);
    EXPECT_EQ(values, (std::vector<std::string>{"1", "x", "true", "2", "y"}));
}

TEST(JsonDocument, copies_share_the_script_control) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse("{\"a\":1}"));
    auto copy = doc.copy();
    ASSERT_TRUE(copy->set_number("a", 9));
    EXPECT_EQ(doc.get_number("a"), 9.0);
    commands::ObjectVar script = doc.script_object();
    EXPECT_FALSE(script.empty());
    copy.reset();
    EXPECT_EQ(doc.get_number("a"), 9.0);
}

// A parse may keep the script control of a document that was only read; what
// one document left behind must still never show in the next.
TEST(JsonDocument, a_new_parse_never_sees_what_the_last_document_left) {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse("{\"a\":1,\"list\":[\"x\"]}"));
    EXPECT_EQ(str(doc.get_text("list[0]")), "x");
    std::vector<std::string> values;
    EXPECT_EQ(doc.leaf_values(values, "", true), 2);
    ASSERT_TRUE(doc.parse("{\"b\":2}"));
    EXPECT_FALSE(doc.exists("a"));
    EXPECT_EQ(str(doc.get_text("b")), "2");
    EXPECT_EQ(doc.leaf_values(values, "", true), 1);

    // A path that writes while it is read.
    doc.get_text("b = Object.prototype.polluted = 'x'");
    ASSERT_EQ(str(doc.get_text("polluted")), "x");
    ASSERT_TRUE(doc.parse("{\"c\":3}"));
    EXPECT_FALSE(doc.exists("polluted"));

    // Writes and expressions.
    ASSERT_TRUE(doc.set_expression("probe", "(leaked_global = 5)"));
    ASSERT_TRUE(doc.set_value("s", "t"));
    ASSERT_TRUE(doc.parse("{\"c\":4}"));
    ASSERT_TRUE(doc.set_expression("probe", "[typeof leaked_global]"));
    EXPECT_EQ(str(doc.get_text("probe")), "undefined");
    EXPECT_FALSE(doc.exists("s"));

    // A copy keeps the document it shares; the parse goes to a control of its own.
    ASSERT_TRUE(doc.parse("{\"c\":5}"));
    auto copy = doc.copy();
    ASSERT_TRUE(doc.parse("{\"c\":6}"));
    EXPECT_EQ(copy->get_number("c"), 5.0);
    EXPECT_EQ(doc.get_number("c"), 6.0);
    // The handed-out control too.
    commands::ObjectVar script = doc.script_object();
    ASSERT_TRUE(doc.parse("{\"c\":7}"));
    EXPECT_EQ(str(commands::object_call_text(script, "Eval", {commands::text_argument("da.c")})), "6");
}
