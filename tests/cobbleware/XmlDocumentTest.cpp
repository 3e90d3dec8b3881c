// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "Error.h"
#include "TempFolder.h"
#include "Xml.h"

namespace qv {
namespace {

using test::ReadAll;
using test::TempFolder;
using test::WriteAll;

const std::string kFixtures = QV_FIXTURES_DIR;

XmlDocument Parsed(const std::string& text) {
    XmlDocument document;
    EXPECT_TRUE(document.LoadXml(text, 0)) << document.ParseError().Reason();
    return document;
}

TEST(XmlLoad, MalformedTextNamesTheProblemAndItsLineAndColumn) {
    XmlDocument document;
    ASSERT_FALSE(document.LoadXml("<tumblr version=\"1.0\">\n<posts>\n</tumblr>", 0));
    EXPECT_NE(document.ParseError().Reason().find("mismatch"), std::string::npos)
        << document.ParseError().Reason();
    EXPECT_NE(document.ParseError().Reason().find("line 3, column 3"), std::string::npos)
        << document.ParseError().Reason();
    EXPECT_TRUE(document.RootElement().IsNull()) << "a failed load leaves an empty document";
}

TEST(XmlLoad, PlainTextErrorAnswerIsNotADocument) {
    XmlDocument document;
    ASSERT_FALSE(document.LoadXml(ReadAll(kFixtures + "/05-error-403-authentication-failed.txt"), 0));
    EXPECT_NE(document.ParseError().Reason().find("No document element"), std::string::npos)
        << document.ParseError().Reason();
}

TEST(XmlLoad, FileProblemsGiveTheSystemsReason) {
    TempFolder folder;
    XmlDocument document;
    EXPECT_FALSE(document.Load(folder.File("missing.xml"), 0));
    EXPECT_EQ(document.ParseError().Reason(), "No such file or directory");
    EXPECT_FALSE(document.Load(folder.Path().string(), 0));
    EXPECT_EQ(document.ParseError().Reason(), "Is a directory");

    WriteAll(folder.File("broken.xml"), "<tumblr version=\"1.0\">\n  <posts><post id=\"1\"></posts>");
    EXPECT_FALSE(document.Load(folder.File("broken.xml"), 0));
    EXPECT_NE(document.ParseError().Reason().find("line 2"), std::string::npos)
        << document.ParseError().Reason();
}

TEST(XmlLoad, EntitiesFromADoctypeAreNeverFetchedOrExpanded) {
    const std::string external =
        "<?xml version=\"1.0\"?><!DOCTYPE tumblr [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>"
        "<tumblr version=\"1.0\"><posts><post id=\"1\">&secret;</post></posts></tumblr>";
    XmlDocument document = Parsed(external);
    EXPECT_EQ(document.NodeText("/tumblr/posts/post"), "&secret;");

    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
    for (int i = 1; i < 10; ++i) {
        std::string tenTimes;
        for (int k = 0; k < 10; ++k)
            tenTimes += "&lol" + (i > 1 ? std::to_string(i - 1) : std::string()) + ";";
        laughs += "<!ENTITY lol" + std::to_string(i) + " \"" + tenTimes + "\">";
    }
    laughs += "]><tumblr version=\"1.0\">&lol9;</tumblr>";
    XmlDocument bomb = Parsed(laughs);
    EXPECT_LT(bomb.NodeText("/tumblr").size(), 16u);
}

TEST(XmlQuery, AbsentNodesReadAsEmptyText) {
    XmlDocument document = Parsed("<tumblr><posts/></tumblr>");
    EXPECT_EQ(document.NodeText("/tumblr/@version"), "");
    EXPECT_TRUE(document.DocumentNode().SelectSingleNode("/tumblr/posts/@total").IsNull());
    EXPECT_EQ(document.DocumentNode().SelectNodes("/tumblr/posts/post").Count(), 0);
    EXPECT_THROW(document.DocumentNode().SelectNodes("/tumblr/[["), Error);
}

TEST(XmlQuery, SelectedListStaysFixedWhenListedNodesAreRemoved) {
    XmlDocument document =
        Parsed("<tumblr><posts><post id=\"1\"/><post id=\"2\"/><post id=\"3\"/></posts></tumblr>");
    const XmlNodeList posts = document.DocumentNode().SelectNodes("/tumblr/posts/post");
    ASSERT_EQ(posts.Count(), 3);
    XmlNode first = posts.Item(0);
    first.Remove();
    EXPECT_EQ(posts.Count(), 3);
    EXPECT_EQ(posts.Item(1).AttributeText("id"), "2");
    EXPECT_EQ(posts.Item(2).AttributeText("id"), "3");
    EXPECT_TRUE(posts.Item(3).IsNull());
    EXPECT_EQ(document.DocumentNode().SelectNodes("/tumblr/posts/post").Count(), 2);
}

TEST(XmlEdit, AppendChildCopiesDeeplyAcrossDocumentsAndLeavesTheSource) {
    XmlDocument page =
        Parsed("<tumblr><posts><post id=\"7\"><regular-body>hi</regular-body></post></posts></tumblr>");
    XmlDocument backup = Parsed("<tumblr version=\"1.0\"><posts/></tumblr>");
    const XmlNode source = page.DocumentNode().SelectSingleNode("/tumblr/posts/post");
    XmlNode copy = backup.DocumentNode().SelectSingleNode("/tumblr/posts").AppendChild(source);

    copy.SelectSingleNode("regular-body").SetText("changed");
    EXPECT_EQ(page.NodeText("/tumblr/posts/post/regular-body"), "hi");
    EXPECT_EQ(backup.NodeText("/tumblr/posts/post/regular-body"), "changed");
    EXPECT_EQ(backup.NodeText("/tumblr/posts/post/@id"), "7");
    page = XmlDocument();  // the copy must not depend on the page's memory
    EXPECT_EQ(backup.NodeText("/tumblr/posts/post/@id"), "7");
}

TEST(XmlEdit, InsertBeforeWithoutReferenceAppendsAndAttributesCanBeSetAndRemoved) {
    XmlDocument document = Parsed("<tumblr><a/><b/></tumblr>");
    XmlDocument other = Parsed("<x><tumblelog name=\"n\"/></x>");
    XmlNode root = document.RootElement();
    root.InsertBefore(other.DocumentNode().SelectSingleNode("/x/tumblelog"), root.SelectSingleNode("b"));
    root.InsertBefore(other.DocumentNode().SelectSingleNode("/x/tumblelog"), XmlNode());
    EXPECT_EQ(
        document.Xml(false),
        "<?xml version=\"1.0\"?><tumblr><a/><tumblelog name=\"n\"/><b/><tumblelog name=\"n\"/></tumblr>");

    XmlNode name = document.DocumentNode().SelectSingleNode("/tumblr/tumblelog[1]/@name");
    name.SetText("renamed");
    EXPECT_EQ(document.NodeText("/tumblr/tumblelog[1]/@name"), "renamed");
    name.Remove();
    EXPECT_TRUE(document.DocumentNode().SelectSingleNode("/tumblr/tumblelog[1]/@name").IsNull());
    EXPECT_EQ(document.NodeText("/tumblr/tumblelog[2]/@name"), "n");
}

TEST(XmlSave, EverySamplePageSurvivesASaveAndReload) {
    TempFolder folder;
    for (const auto& entry : std::filesystem::directory_iterator(kFixtures)) {
        if (entry.path().extension() != ".xml") continue;
        SCOPED_TRACE(entry.path().filename().string());
        XmlDocument original;
        ASSERT_TRUE(original.Load(entry.path(), 0)) << original.ParseError().Reason();
        const std::string target = folder.File("copy.xml");
        ASSERT_TRUE(original.Save(target, true)) << original.SaveError();
        XmlDocument reloaded;
        ASSERT_TRUE(reloaded.Load(target, 0)) << reloaded.ParseError().Reason();
        EXPECT_EQ(reloaded.Xml(false), original.Xml(false));
        EXPECT_EQ(reloaded.DocumentNode().SelectNodes("//post").Count(),
                  original.DocumentNode().SelectNodes("//post").Count());
    }
}

TEST(XmlSave, CarriageReturnsInTextSurviveAReload) {
    // A carriage return written as such would be turned into a line feed by
    // every XML reader, ours included.
    TempFolder folder;
    XmlDocument document = Parsed(
        "<tumblr version=\"1.0\"><conversation-text>me: hi&#13;\nyou: hey</conversation-text></tumblr>");
    ASSERT_EQ(document.NodeText("/tumblr/conversation-text"), "me: hi\r\nyou: hey");
    ASSERT_TRUE(document.Save(folder.File("saved.xml"), true));
    XmlDocument reloaded;
    ASSERT_TRUE(reloaded.Load(folder.File("saved.xml"), 0));
    EXPECT_EQ(reloaded.NodeText("/tumblr/conversation-text"), "me: hi\r\nyou: hey");
}

TEST(XmlSave, KeepsNonAsciiTextAndMarksTheFileAsUtf8) {
    TempFolder folder;
    // A Latin-1 file: é is the single byte E9.
    WriteAll(folder.File("latin1.xml"),
             "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><tumblr version=\"1.0\">caf\xE9</tumblr>");
    XmlDocument document;
    ASSERT_TRUE(document.Load(folder.File("latin1.xml"), 0)) << document.ParseError().Reason();
    ASSERT_EQ(document.NodeText("/tumblr"), "caf\xC3\xA9");
    ASSERT_TRUE(document.Save(folder.File("saved.xml"), true));

    const std::string saved = ReadAll(folder.File("saved.xml"));
    EXPECT_NE(saved.find("encoding=\"UTF-8\""), std::string::npos) << saved;
    XmlDocument reloaded;
    ASSERT_TRUE(reloaded.Load(folder.File("saved.xml"), 0));
    EXPECT_EQ(reloaded.NodeText("/tumblr"), "caf\xC3\xA9");
}

TEST(XmlFidelity, BlankTextAndCarriageReturnsInTextComeBackWhileMarkupStaysWellFormed) {
    TempFolder folder;
    const std::string text =
        "<?xml version=\"1.0\"?>\r\n<!DOCTYPE tumblr [\r\n<!ENTITY me \"x\">\r\n]>\r\n<?note a\rb?>"
        "<tumblr version=\"1.0\"><!-- made\r\nby hand --><posts><post id=\"1\"><regular-title> "
        "</regular-title>"
        "<regular-body>one&#13;two</regular-body></post></posts></tumblr>";
    WriteAll(folder.File("in.xml"), text);
    XmlDocument document;
    ASSERT_TRUE(document.Load(folder.File("in.xml"), 0)) << document.ParseError().Reason();
    EXPECT_EQ(document.NodeText("//regular-title"), " ");
    ASSERT_TRUE(document.Save(folder.File("out.xml"), true)) << document.SaveError();

    // Only the text's carriage return became a reference: one in the DOCTYPE
    // or a processing instruction would make the file unreadable or change it.
    const std::string saved = ReadAll(folder.File("out.xml"));
    EXPECT_NE(saved.find("one&#13;two"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("&#13;"), saved.rfind("&#13;")) << saved;
    XmlDocument reloaded;
    ASSERT_TRUE(reloaded.Load(folder.File("out.xml"), 0)) << reloaded.ParseError().Reason() << "\n" << saved;
    EXPECT_EQ(reloaded.NodeText("//regular-title"), " ");
    EXPECT_EQ(reloaded.NodeText("//regular-body"), "one\rtwo");
    EXPECT_EQ(reloaded.Xml(false), document.Xml(false));
}

TEST(XmlFidelity, AnOlderFileInWindows1252IsReadAsItsCharactersAndOtherEncodingsAreRefused) {
    TempFolder folder;
    // 0x93 and 0x94 are curly quotes and 0x80 the euro sign in Windows-1252; read as UTF-8 they are garbage.
    WriteAll(folder.File("cp1252.xml"),
             "<?xml version=\"1.0\" encoding=\"windows-1252\"?><tumblr version=\"1.0\">"
             "<posts><post id=\"1\">\x93"
             "caf\xE9\x94 \x80"
             "5</post></posts></tumblr>");
    XmlDocument document;
    ASSERT_TRUE(document.Load(folder.File("cp1252.xml"), 0)) << document.ParseError().Reason();
    EXPECT_EQ(document.NodeText("//post"),
              "\xE2\x80\x9C"
              "caf\xC3\xA9\xE2\x80\x9D \xE2\x82\xAC"
              "5");
    ASSERT_TRUE(document.Save(folder.File("saved.xml"), true));
    const std::string saved = ReadAll(folder.File("saved.xml"));
    EXPECT_NE(saved.find("encoding=\"UTF-8\""), std::string::npos);
    EXPECT_NE(saved.find("\xE2\x80\x9C"
                         "caf\xC3\xA9"),
              std::string::npos);

    WriteAll(folder.File("koi8.xml"),
             "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><tumblr version=\"1.0\">\xC1</tumblr>");
    EXPECT_FALSE(document.Load(folder.File("koi8.xml"), 0));
    EXPECT_EQ(document.ParseError().Reason(),
              "The file is declared in the encoding \"koi8-r\", which can't be read");
}

TEST(XmlFidelity, ReferencesToNoCharacterAreRefusedOutsideCommentsAndCData) {
    for (const char* bad : {"<a>x&#0;y</a>", "<a t=\"&#x0;\"/>", "<a>&#xD800;</a>", "<a>&#1114112;</a>",
                            "<a>&#99999999999999999999;</a>"}) {
        XmlDocument document;
        EXPECT_FALSE(document.LoadXml(bad, 0)) << bad;
        EXPECT_NE(document.ParseError().Reason().find("names no character XML can hold"), std::string::npos)
            << bad;
    }
    // Not references at all there; and the largest character is fine.
    const XmlDocument fine = Parsed("<a><!-- &#0; --><![CDATA[&#0;]]>&#x10FFFF;</a>");
    EXPECT_EQ(fine.NodeText("/a"), "&#0;\xF4\x8F\xBF\xBF");
}

}  // namespace
}  // namespace qv
