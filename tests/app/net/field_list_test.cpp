// The ordered name/value list behind request headers and form bodies.

#include "app/net/FieldList.h"
#include "support/Gbk.h"

#include <gtest/gtest.h>

namespace quilbex::app {
namespace {

using quilbex::testing::gbk;

TEST(FieldList, header_text_has_no_line_break_after_the_last_line) {
    FieldList list;
    EXPECT_EQ(str(list.header_text()), "");
    list.add("User-Agent", "X");
    EXPECT_EQ(str(list.header_text()), "User-Agent: X");
    list.add("A", "b");
    EXPECT_EQ(str(list.header_text()), "User-Agent: X\r\nA: b");
    list.add("A", "c d");
    EXPECT_EQ(str(list.header_text(true)), "User-Agent: X\r\nA: b\r\nA: c%20d");
}

TEST(FieldList, form_body_joins_pairs_in_order_and_encodes_only_when_asked) {
    FieldList list;
    EXPECT_EQ(str(list.form_body()), "");
    list.add("formhash", "ab");
    list.add("qdxq", "tp");
    list.add("formhash", "a b/c_~");
    EXPECT_EQ(str(list.form_body()), "formhash=ab&qdxq=tp&formhash=a b/c_~");
    EXPECT_EQ(str(list.form_body(true)), "formhash=ab&qdxq=tp&formhash=a%20b%2Fc%5F%7E");
}

TEST(FieldList, get_set_and_remove_work_on_the_first_pair_of_a_name) {
    FieldList list;
    list.add_query("a=1&b=x=2&&a=3");
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(str(list.get("b")), "2");
    EXPECT_EQ(str(list.get("a")), "1");
    EXPECT_EQ(str(list.get("")), "");
    list.set("a", "9");
    list.set("new", "v");
    list.remove("a");
    EXPECT_EQ(str(list.form_body()), "b=2&=&a=3&new=v");
    commands::TextArray names = list.names();
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(str(names[3]), "new");
    EXPECT_EQ(names[1], nullptr);
    auto copy = list.copy();
    list.clear();
    EXPECT_EQ(str(copy->values()[0]), "2");
    EXPECT_EQ(list.size(), 0u);
}

TEST(FieldList, utf8_pairs_are_stored_as_utf8_bytes) {
    FieldList list;
    list.add(gbk("名").c_str(), gbk("张三").c_str(), true);
    EXPECT_EQ(str(list.get("名")), "张三");
    EXPECT_EQ(str(list.form_body(true)), "%E5%90%8D=%E5%BC%A0%E4%B8%89");
}

TEST(FieldList, to_json_is_a_flat_object_with_quotes_escaped) {
    FieldList list;
    EXPECT_EQ(str(list.to_json()), "{}");
    list.add("a", "say \"hi\"");
    list.add("b", "");
    EXPECT_EQ(str(list.to_json()), "{\"a\":\"say \\\"hi\\\"\",\"b\":\"\"}");
    EXPECT_EQ(str(list.strip_both_ends(",x,", ",")), "x");
    EXPECT_EQ(str(list.strip_both_ends(",", ",")), "");
}

}  // namespace
}  // namespace quilbex::app
