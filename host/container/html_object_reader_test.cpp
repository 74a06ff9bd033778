#include "host/container/html_object_reader.h"

#include <gtest/gtest.h>

namespace {

TEST(HtmlObjectReader, ReadsParamsOfEachObjectWhateverTheCaseAndQuoting) {
    const auto objects = HtmlObjectReader::Read(R"(<html><BODY>
<!-- <object><param name="SRC" value="commented.wrl"></object> -->
<OBJECT ID=Plexa CLASSID="clsid:78DAB892-D3DF-4A48-B4E8-4EC107EF0D8F" width=680 height=420>
  <PARAM NAME="SRC" VALUE="worlds/main.wrl">
  <param name=World value=other.wrl>
  <param name='Title' value='a &amp; b &#x41;&#66; &bogus; &#xZZ;'/>
  <param value="no name">
</OBJECT>
<object data=x><param name=src value=second.wrl></object>)");
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].Attribute("classid"), "clsid:78DAB892-D3DF-4A48-B4E8-4EC107EF0D8F");
    EXPECT_EQ(objects[0].Attribute("WIDTH"), "680");
    EXPECT_EQ(objects[0].Param("src"), "worlds/main.wrl");
    EXPECT_EQ(objects[0].Param("WORLD"), "other.wrl");
    EXPECT_EQ(objects[0].Param("title"), "a & b AB &bogus; &#xZZ;");
    EXPECT_EQ(objects[0].params.size(), 3u);
    EXPECT_EQ(objects[1].Param("SRC"), "second.wrl");
}

TEST(HtmlObjectReader, NestedObjectsOwnTheirParamsAndScriptsAreNotMarkup) {
    const auto objects = HtmlObjectReader::Read(
        "<script>document.write('<object><param name=SRC value=fake.wrl></object>')</SCRIPT>"
        "<object id=outer><object id=inner><param name=SRC value=in.wrl></object>"
        "<param name=SRC value=out.wrl></object><param name=SRC value=stray.wrl>");
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].Attribute("id"), "outer");
    EXPECT_EQ(objects[0].Param("SRC"), "out.wrl");
    EXPECT_EQ(objects[1].Param("SRC"), "in.wrl");
}

TEST(HtmlObjectReader, TruncatedAndBrokenMarkupEndsCleanly) {
    for (const char* html : {"<object", "<object><param name=\"SRC\" value=\"cut", "<object><param name=SRC value=",
                             "<", "<!--", "<<>>< / >", "<object><script>", "&#99999999999;", "<object a='>"}) {
        EXPECT_NO_THROW(HtmlObjectReader::Read(html)) << html;
    }
    const auto objects = HtmlObjectReader::Read("<object><param name=\"SRC\" value=\"cut");
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].Param("SRC"), "cut");
    // Missing end tag: the param still belongs to the open object.
    EXPECT_EQ(HtmlObjectReader::Read("<object><p><param name=World value=w.wrl>")[0].Param("World"), "w.wrl");
}

TEST(HtmlObjectReader, FindsTheDeclaredCharset) {
    EXPECT_EQ(HtmlObjectReader::DeclaredCharset("<meta charset=\"UTF-8\">"), "utf-8");
    EXPECT_EQ(HtmlObjectReader::DeclaredCharset(
                  "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=Shift_JIS\">"),
              "shift_jis");
    EXPECT_EQ(HtmlObjectReader::DeclaredCharset("<p>no meta</p>"), "");
}

}  // namespace
