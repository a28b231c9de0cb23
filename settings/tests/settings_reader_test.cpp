#include "settings/settings_reader.h"

#include <gtest/gtest.h>

#include "settings/settings_document.h"
#include "settings/settings_schema.h"
#include "settings/tests/settings_test_support.h"
#include "settings/settings_writer.h"
#include "settings/tests/settings_xml_test_support.h"

namespace orvel {
namespace {

constexpr char16_t kDeclaration[] = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n";

class ReaderTest : public test::SettingsTest {
 protected:
  void TearDown() override {
    SetPasswordSeed(std::nullopt);
    test::SettingsTest::TearDown();
  }
  // A fresh default document with the text read into it.
  CSettingsNode& Read(std::u16string_view text, bool expected = true) {
    m_root.reset();
    CSettingsNode& root = NewDocument();
    EXPECT_EQ(ParseSettingsText(&root, text), expected) << AsUtf8(text);
    return root;
  }
  // A second tree, owned by the test, with the text read into it.
  std::unique_ptr<CSettingsNode> ReadOther(std::u16string_view text) {
    auto root = std::make_unique<CSettingsNode>(u"", 0, 0, nullptr);
    SetCurrentDocumentRoot(root.get());
    BuildDefaultTree(*root);
    EXPECT_TRUE(ParseSettingsText(root.get(), text));
    return root;
  }
  static std::u16string Full(CSettingsNode& root) {
    std::u16string text;
    WriteSettingsDocument(root, text, false, nullptr);
    return text;
  }
  static CSettingsNode* Child(CSettingsNode* node, uint32_t type) {
    return node ? node->FindChildOfType(type) : nullptr;
  }
};

struct SectionCase {
  const char16_t* text;
  const char16_t* result;
  bool removed;
};
const SectionCase kCommentCases[] = {
    {u"<!-- a --><!-- b --><S/>", u"<S/>", true},
    {u"x<!-- a", u"x<!-- a", false},  // never closed: the rest stays
    {u"a-->b", u"a-->b", false},
    {u"<!-- <!-- x -->y", u"y", true},  // a second open marker is passed over
    {u"<![CDATA[<!-- kept -->]]><!--gone-->", u"<![CDATA[<!-- kept -->]]>", true},
    {u"<![CDATA[<![CDATA[]]><!--gone-->]]>", u"<![CDATA[<![CDATA[]]>]]>", true},  // CDATA does not nest
    {u"<![CDATA[ never closed <!--x-->", u"<![CDATA[ never closed ", true},
};

TEST_F(ReaderTest, RemoveMarkedSections) {
  for (const auto& c : kCommentCases) {
    std::u16string text = c.text;
    EXPECT_EQ(RemoveMarkedSections(text, u"<!--", u"-->"), c.removed) << AsUtf8(c.text);
    EXPECT_EQ(text, c.result) << AsUtf8(c.text);
  }
  std::u16string text = u"<?xml?>\n<?pi x?>";
  EXPECT_TRUE(RemoveMarkedSections(text, u"<?", u"?>"));
  EXPECT_EQ(text, u"\n");
}

TEST_F(ReaderTest, TextWithoutProcessingInstructionIsNotRead) {
  CSettingsNode& root = Read(
      u"<Settings><PersonalData><DefaultVoiceMailbox>1</DefaultVoiceMailbox></PersonalData></Settings>\n",
      false);
  EXPECT_EQ(Child(Child(&root, 92), 93)->GetValue(), u"");
  Read(u"", false);
  Read(u"\n", false);
}

TEST_F(ReaderTest, LastCharacterIsKept) {
  // No line end after the document element: its ">" must not be dropped.
  for (const char16_t* end : {u"", u"\n", u"\r\n", u"\r"}) {
    CSettingsNode& root = Read(
        std::u16string(kDeclaration) +
        u"<Settings><PersonalData><DefaultVoiceMailbox>123</DefaultVoiceMailbox></PersonalData></Settings>" +
        end);
    EXPECT_EQ(Child(Child(&root, 92), 93)->GetValue(), u"123") << AsUtf8(end);
  }
}

TEST_F(ReaderTest, CompactSiblingsAreAllRead) {
  CSettingsNode& root =
      Read(std::u16string(kDeclaration) +
           u"<Settings><IAPSettings><IAPConnection><ConnectionName>A</ConnectionName></IAPConnection>"
           u"<IAPConnection><ConnectionName>B</ConnectionName></IAPConnection></IAPSettings>"
           u"<PersonalData><DefaultVoiceMailbox>9</DefaultVoiceMailbox></PersonalData></Settings>");
  CSettingsNode& iap = *Child(&root, 2);
  // PreferredConnection, A, B, placeholder: entries in file order before the placeholder.
  ASSERT_EQ(iap.GetChildCount(), 4u);
  EXPECT_EQ(iap.GetChild(1)->GetType(), 5u);
  EXPECT_EQ(Child(iap.GetChild(1), 6)->GetValue(), u"A");
  EXPECT_EQ(Child(iap.GetChild(2), 6)->GetValue(), u"B");
  EXPECT_EQ(iap.GetChild(3)->GetType(), 4u);
  EXPECT_EQ(Child(iap.GetChild(2), 8)->GetValue(), u"Yes");  // default subtree
  EXPECT_EQ(Child(Child(&root, 92), 93)->GetValue(), u"9");
}

TEST_F(ReaderTest, ValuesAndFlags) {
  CSettingsNode& root =
      Read(std::u16string(kDeclaration) +
           u"<Settings>\n<IAPSettings>\n"
           u"<PreferredConnection op=\"UPDATE\" x=\"1\">a &amp;lt; b</PreferredConnection>\n"
           u"<Foo x=\"1\">\n<Bar/>\n</Foo>\n"
           u"</IAPSettings>\n<EMailSettings><Mailbox op=\"create\">"
           u"<Advanced><Signature><![CDATA[a]]]]>\n<![CDATA[>b<!-- c -->]]></Signature></Advanced>"
           u"</Mailbox></EMailSettings>\n</Settings>\n");
  CSettingsNode& preferred = *Child(Child(&root, 2), 3);
  EXPECT_EQ(preferred.GetValue(), u"a &lt; b");  // entities are replaced once, "&amp;" last
  EXPECT_TRUE(preferred.IsUpdated());
  EXPECT_FALSE(preferred.IsCreated());
  EXPECT_EQ(preferred.GetExtra(), u"x=\"1\"");

  CSettingsNode* foo = Child(Child(&root, 2), kUnknownElementType);
  ASSERT_NE(foo, nullptr);
  EXPECT_EQ(foo->GetOwnName(), u"Foo");
  EXPECT_EQ(foo->GetKind(), kKindHidden);
  EXPECT_EQ(foo->GetExtra(), u"x=\"1\"");
  ASSERT_EQ(foo->GetChildCount(), 1u);
  EXPECT_EQ(foo->GetChild(0)->GetOwnName(), u"Bar");  // '<Bar/>' is an element with an empty value

  CSettingsNode* mailbox = Child(Child(&root, 43), 46);
  ASSERT_NE(mailbox, nullptr);
  EXPECT_TRUE(mailbox->IsCreated());
  EXPECT_EQ(Child(Child(mailbox, 61), 65)->GetValue(), u"a]]>b<!-- c -->");

  // Written again, Foo keeps its attribute; the device form leaves it out.
  EXPECT_NE(Full(root).find(u"    <Foo x=\"1\">\n      <Bar></Bar>\n    </Foo>\n"), std::u16string::npos);
  std::u16string device;
  WriteSettingsDocument(root, device, true, nullptr);
  EXPECT_EQ(device.find(u"Foo"), std::u16string::npos);
}

TEST_F(ReaderTest, UnknownElementValuesStayEscaped) {
  const std::u16string text =
      std::u16string(kDeclaration) +
      u"<Settings>\n  <Foo>a &lt;b&gt; &amp;amp;</Foo>\n  <Cd><![CDATA[<raw>]]></Cd>\n</Settings>\n";
  CSettingsNode& root = Read(text);
  ASSERT_EQ(root.GetChildCount(), 9u);
  EXPECT_EQ(root.GetChild(7)->GetValue(), u"a <b> &amp;");
  EXPECT_EQ(root.GetChild(8)->GetValue(), u"<raw>");
  EXPECT_EQ(root.GetChild(8)->GetAux(), 1u);
  const std::u16string written = Full(root);
  EXPECT_NE(written.find(u"  <Foo>a &lt;b&gt; &amp;amp;</Foo>\n  <Cd><![CDATA[<raw>]]></Cd>\n"),
            std::u16string::npos)
      << AsUtf8(written);
  EXPECT_EQ(test::TreeDifference(root, *ReadOther(written)), "");
}

TEST_F(ReaderTest, MultiLineValuesKeepTheirShape) {
  CSettingsNode& root = NewDocument();
  CSettingsNode* mailbox = Child(&root, 43)->AddChild(u"", kKindNone, 46);
  BuildDefaultTree(*mailbox);
  Child(mailbox, 49)->SetDisplayValue(u"first\nsecond\n  indented\n\nlast");  // depth 3, written as text
  Child(Child(mailbox, 61), 65)->SetDisplayValue(u"sig\n  line");             // CDATA
  std::u16string text = Full(root);
  for (int cycle = 0; cycle < 3; ++cycle) {
    auto again = ReadOther(text);
    ASSERT_EQ(test::TreeDifference(root, *again), "") << cycle;
    ASSERT_EQ(Full(*again), text) << cycle;
  }
  EXPECT_NE(
      text.find(u"      <Name>\nfirst\n      second\n        indented\n      \n      last\n      </Name>\n"),
      std::u16string::npos)
      << AsUtf8(text);
}

TEST_F(ReaderTest, ValueBeforeChildrenIsKept) {
  // The writer puts the value of a node that also has children before them.
  const std::u16string text = std::u16string(kDeclaration) +
                              u"<Settings><Foo>top &amp;\n line<Bar>1</Bar></Foo>"
                              u"<Cd><![CDATA[ x ]]>\n<![CDATA[y]]><Baz/></Cd></Settings>";
  CSettingsNode& root = Read(text);
  ASSERT_EQ(root.GetChildCount(), 9u);
  EXPECT_EQ(root.GetChild(7)->GetValue(), u"top &\n line");  // not the writer's layout: kept
  EXPECT_EQ(root.GetChild(7)->GetChild(0)->GetValue(), u"1");
  EXPECT_EQ(root.GetChild(8)->GetValue(), u" x y");
  EXPECT_EQ(root.GetChild(8)->GetAux(), 1u);
  EXPECT_EQ(root.GetChild(8)->GetChildCount(), 1u);
  EXPECT_EQ(test::TreeDifference(root, *ReadOther(Full(root))), "");
}

TEST_F(ReaderTest, OtherWritersIndentationIsKept) {
  // Only the indentation of the writer's own layout goes: the value on lines of its own, its line
  // feeds followed by the element's indent, the end tag on a line of its own.
  CSettingsNode& root = Read(std::u16string(kDeclaration) +
                             u"<Settings>\n  <Foo>1\n      2</Foo>\n  <Bar>\n1\n 2\n  </Bar>\n"
                             u"  <Baz>\n1\n    2\n  </Baz>\n</Settings>\n");
  ASSERT_EQ(root.GetChildCount(), 10u);
  EXPECT_EQ(root.GetChild(7)->GetValue(), u"1\n      2");
  EXPECT_EQ(root.GetChild(8)->GetValue(), u"1\n 2");   // a line with less than the indent
  EXPECT_EQ(root.GetChild(9)->GetValue(), u"1\n  2");  // the writer's layout at level 1
  EXPECT_EQ(test::TreeDifference(root, *ReadOther(Full(root))), "");
}

// Any XML white space ends a tag's name and separates attributes, values may stand in single
// quotes, and an end tag may hold white space before its ">": texts that other programs write.
TEST_F(ReaderTest, TagsOfOtherWritersAreRead) {
  const std::u16string canonical =
      std::u16string(kDeclaration) +
      u"<Settings><IAPSettings><PreferredConnection op=\"update\" x=\"1\">v</PreferredConnection>"
      u"<Foo a=\"it's\" b='say \"hi\"'><Bar/></Foo></IAPSettings>"
      u"<PersonalData><DefaultVoiceMailbox op=\"create\">5</DefaultVoiceMailbox></PersonalData></Settings>";
  const char16_t* variants[] = {
      u"<Settings><IAPSettings><PreferredConnection\nop=\"update\"\tx='1'>v</PreferredConnection>"
      u"<Foo\ta = \"it's\"\r\n b = 'say \"hi\"' ><Bar\n/></Foo\n></IAPSettings>"
      u"<PersonalData><DefaultVoiceMailbox\top='create'>5</DefaultVoiceMailbox\t></PersonalData></Settings>",
      u"<Settings\n><IAPSettings\t><PreferredConnection op='update'  x=\"1\"\n>v</PreferredConnection >"
      u"<Foo\n\ta=\"it's\"\tb='say \"hi\"'\n><Bar /></Foo></IAPSettings \n>"
      u"<PersonalData><DefaultVoiceMailbox\r\nop\n=\n\"create\"\n>5</DefaultVoiceMailbox></PersonalData></"
      u"Settings>",
  };
  const auto expected = ReadOther(canonical);
  CSettingsNode* foo = Child(Child(expected.get(), 2), kUnknownElementType);
  ASSERT_NE(foo, nullptr);
  EXPECT_EQ(foo->GetExtra(), u"a=\"it's\" b='say \"hi\"'");
  EXPECT_TRUE(Child(Child(expected.get(), 2), 3)->IsUpdated());
  for (const char16_t* body : variants) {
    const std::u16string text = std::u16string(kDeclaration) + body;
    EXPECT_EQ(test::TreeDifference(*expected, *ReadOther(text)), "") << AsUtf8(text);
  }
  // Written again, the attributes come out in the writer's own form and read back the same.
  EXPECT_EQ(test::TreeDifference(*expected, *ReadOther(Full(*expected))), "");
}

TEST_F(ReaderTest, FileListsTakeOnlyTheirEntries) {
  CSettingsNode& root =
      Read(std::u16string(kDeclaration) +
           u"<Settings><FileTransfer><RingingTones><RingingTone op=\"create\">a.wav</RingingTone>"
           u"<Other>x</Other><RingingTone>b&amp;c.wav</RingingTone><RingingTone>c<X>1</X></RingingTone>"
           u"</RingingTones></FileTransfer></Settings>");
  CSettingsNode& tones = *Child(Child(&root, 109), 111);
  ASSERT_EQ(tones.GetChildCount(), 2u);
  EXPECT_EQ(tones.GetChild(0)->GetValue(), u"a.wav");
  EXPECT_TRUE(tones.GetChild(0)->IsCreated());
  EXPECT_EQ(tones.GetChild(1)->GetValue(), u"b&c.wav");
}

TEST_F(ReaderTest, PasswordsAreDecoded) {
  CSettingsNode& root =
      Read(std::u16string(kDeclaration) +
           u"<Settings><IAPSettings><IAPConnection><Password>069120c72a78f278</Password></IAPConnection>"
           u"<IAPConnection><Password>0691</Password></IAPConnection></IAPSettings></Settings>");
  EXPECT_EQ(Child(Child(&root, 2)->GetChild(1), 10)->GetValue(), u"ab");
  EXPECT_EQ(Child(Child(&root, 2)->GetChild(2), 10)->GetValue(), u"");
}

TEST_F(ReaderTest, OtherDocumentElementsBecomeUnknownElements) {
  CSettingsNode& root = Read(std::u16string(kDeclaration) + u"<Config><IAPSettings/></Config>\n");
  ASSERT_EQ(root.GetChildCount(), 8u);
  EXPECT_EQ(root.GetChild(7)->GetOwnName(), u"Config");
  EXPECT_EQ(root.GetChild(7)->GetChild(0)->GetOwnName(), u"IAPSettings");
}

TEST_F(ReaderTest, NestedSettingsElementDoesNotLeaveItsGroup) {
  CSettingsNode& root = Read(std::u16string(kDeclaration) +
                             u"<Settings><PersonalData><Settings><X>1</X></Settings>"
                             u"<DefaultVoiceMailbox>5</DefaultVoiceMailbox></PersonalData></Settings>");
  EXPECT_EQ(Child(Child(&root, 92), 93)->GetValue(), u"5");
  EXPECT_NE(Child(Child(&root, 92), kUnknownElementType), nullptr);
}

TEST_F(ReaderTest, DeepNestingIsRefusedWithAMessage) {
  std::u16string text = kDeclaration;
  constexpr int kDepth = 100000;
  for (int i = 0; i < kDepth; ++i) text += u"<a>";
  text += u"x";
  for (int i = 0; i < kDepth; ++i) text += u"</a>";
  SetLastReadError(u"");
  Read(text, false);
  EXPECT_NE(GetLastReadError().find(u"more than 100 levels"), std::u16string::npos);

  // 100 levels under the document element are still read.
  text = std::u16string(kDeclaration) + u"<Settings>";
  for (int i = 0; i < 99; ++i) text += u"<a>";
  text += u"<b>x</b>";
  for (int i = 0; i < 99; ++i) text += u"</a>";
  text += u"</Settings>";
  CSettingsNode& root = Read(text);
  const CSettingsNode* node = root.GetChild(7);
  for (int i = 0; i < 99; ++i) node = node->GetChild(0);
  EXPECT_EQ(node->GetValue(), u"x");
}

struct AttributeCase {
  const char16_t* text;
  bool create, update;
  const char16_t* extra;
};
const AttributeCase kAttributeCases[] = {
    {u"op=\"create\"", true, false, u""},
    {u"OP=\"Update\" a=\"1\"", false, true, u"a=\"1\""},
    {u"op=\"delete\"", false, false, u"op=\"delete\""},
    // A value keeps the blanks inside its quotes; op's keywords count with blanks around them.
    {u"a = \" x y \"  b=2", false, false, u"a=\" x y \" b=\"2\""},
    {u"x='  a' op=' update ' y=\"\t\"", false, true, u"x=\"  a\" y=\"\t\""},
    {u"op=\" create\"", true, false, u""},
    {u"a=\"1\" a=\"2\"", false, false, u"a=\"1\""},  // a repeated name would make the tag malformed
    {u"junk k=\"v\"", false, false, u"k=\"v\""},
    {u"=\"v\" k=v", false, false, u"k=\"v\""},
    {u"a=\"unclosed", false, false, u"a=\"unclosed\""},
    {u"===", false, false, u""},
    {u"a=\"\"\"\"=\"", false, false, u"a=\"\""},
    {u"no equals sign", false, false, u""},
    // One op in any case: both flags, or an op written twice, would not read back the same.
    {u"op=\"update\" oP=\"create\"", false, true, u""},
    {u"op=\"delete\" OP=\"create\"", false, false, u"op=\"delete\""},
    // Written back, a "<" in an attribute would start a tag of its own.
    {u"a=\"x <b/\" c=\"1\" d<e=\"2\"", false, false, u"c=\"1\""},
};

TEST_F(ReaderTest, ParseAttributes) {
  for (const auto& c : kAttributeCases) {
    bool create = false, update = false;
    std::u16string extra = u"stale";
    ParseAttributes(c.text, create, update, extra);
    EXPECT_EQ(create, c.create) << AsUtf8(c.text);
    EXPECT_EQ(update, c.update) << AsUtf8(c.text);
    EXPECT_EQ(extra, c.extra) << AsUtf8(c.text);
  }
}

TEST_F(ReaderTest, MalformedTagsEndTheScanQuietly) {
  const char16_t* texts[] = {
      u"<?x?><Settings><PersonalData><DefaultVoiceMailbox>1</DefaultVoiceMailbox><Open></PersonalData></"
      u"Settings>",
      u"<?x?><Settings><",
      u"<?x?>< >< / ></>",
      u"<?x?><Settings><![CDATA[</Settings>",
      u"<?x?><a b=\"</a>\">",
  };
  for (const char16_t* text : texts) Read(text);
  CSettingsNode& root = Read(texts[0]);
  EXPECT_EQ(Child(Child(&root, 92), 93)->GetValue(), u"1");
}

TEST_F(ReaderTest, OnlyWellFormedNamesMakeElements) {
  // Written back, an element named "!--" reads as a comment and one named "Set<Settings" as a broken
  // tag: the tree would change on the next read.
  const char16_t* texts[] = {
      u"<?x?><Settings><!-- c -/><BIOMessages></BIOMessages></Settings>",
      u"<?x?><Settings><Set<Settings></Set<Settings><BIOMessages></BIOMessages></Settings>",
      u"<?x?><Settings><1st>x</1st></Settings>",
  };
  for (const char16_t* text : texts) {
    CSettingsNode& root = Read(text);
    for (size_t i = 0; i < root.GetChildCount(); ++i)
      EXPECT_NE(root.GetChild(i)->GetType(), kUnknownElementType) << AsUtf8(text);
  }
  CSettingsNode& root = Read(u"<?x?><Settings><x-y.z_1>v</x-y.z_1></Settings>");
  EXPECT_NE(Child(&root, kUnknownElementType), nullptr);
}

TEST_F(ReaderTest, EmptyListEntriesAndUnknownOpsSurviveWriteAndRead) {
  // An entry without child elements beside a full one: taken by name it became an element that the
  // next read gave to the full entry. An unknown element's op came only from a second element of its
  // name, and the next read dropped it.
  const std::u16string text =
      std::u16string(kDeclaration) +
      u"<Settings>\n<IAPSettings>\n<IAPConnection op=\"update\"/>\n"
      u"<IAPConnection op=\"create\"><ConnectionName>A</ConnectionName></IAPConnection>\n"
      u"<IAPConnection></IAPConnection>\n</IAPSettings>\n"
      u"<Foo op=\"create\">x</Foo>\n<Bar><Baz/></Bar>\n<Bar op=\"update\"><Baz/></Bar>\n</Settings>\n";
  CSettingsNode& root = Read(text);
  CSettingsNode& iap = *Child(&root, 2);
  // PreferredConnection, three entries in file order, placeholder.
  ASSERT_EQ(iap.GetChildCount(), 5u);
  for (size_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(iap.GetChild(i)->GetType(), 5u);
    EXPECT_EQ(Child(iap.GetChild(i), 8)->GetValue(), u"Yes");  // each with its default subtree
  }
  EXPECT_TRUE(iap.GetChild(1)->IsUpdated());
  EXPECT_EQ(Child(iap.GetChild(2), 6)->GetValue(), u"A");
  CSettingsNode* foo = Child(&root, kUnknownElementType);
  ASSERT_NE(foo, nullptr);
  EXPECT_TRUE(foo->IsCreated());
  EXPECT_EQ(test::TreeDifference(root, *ReadOther(Full(root))), "");
}

TEST_F(ReaderTest, NestedElementsOfTheSameNameKeepTheirContent) {
  // With attributes the inner start tag still nests; empty-element forms and longer names do not.
  CSettingsNode& root = Read(
      u"<?x?><Settings><Foo><Foo x=\"1\">a</Foo><Foo/><Foo y=\"2\"/><FooBar>c</FooBar>"
      u"<Bar>b</Bar></Foo></Settings>");
  CSettingsNode* foo = Child(&root, kUnknownElementType);
  ASSERT_NE(foo, nullptr);
  ASSERT_EQ(foo->GetChildCount(), 3u);
  EXPECT_EQ(foo->GetChild(0)->GetExtra(), u"y=\"2\"");  // the three Foo elements are one node
  EXPECT_EQ(foo->GetChild(1)->GetValue(), u"c");
  EXPECT_EQ(foo->GetChild(2)->GetOwnName(), u"Bar");
  EXPECT_EQ(foo->GetChild(2)->GetValue(), u"b");
  EXPECT_EQ(test::TreeDifference(root, *ReadOther(Full(root))), "");
}

TEST_F(ReaderTest, RichFixtureSurvivesLoadAndSave) {
  SetPasswordSeed(20261210);
  const std::u16string fixture = test::TestDataPath("rich.xml");
  const std::string original = test::ReadBytes(AsUtf8(fixture));
  ASSERT_GT(original.size(), 1000u);

  CSettingsDocument first;
  first.New();
  bool parseFailed = true;
  ASSERT_TRUE(first.LoadFile(fixture, parseFailed));
  EXPECT_FALSE(parseFailed);
  ASSERT_TRUE(first.SaveFile(u"rich_saved.xml"));
  EXPECT_EQ(test::ReadBytes("rich_saved.xml"), original);

  CSettingsDocument second;
  second.New();
  ASSERT_TRUE(second.LoadFile(u"rich_saved.xml", parseFailed));
  EXPECT_EQ(test::TreeDifference(*first.GetRoot(), *second.GetRoot()), "");
  std::remove("rich_saved.xml");

  // What the fixture holds.
  CSettingsNode& root = *second.GetRoot();
  CSettingsNode& iap = *Child(&root, 2);
  EXPECT_EQ(iap.GetChildCount(), 5u);  // preference, three entries, placeholder
  EXPECT_EQ(Child(iap.GetChild(1), 10)->GetValue(), u"pa<ss>&\"word\"");
  EXPECT_EQ(Child(Child(iap.GetChild(1), 33), 35)->GetValue(), u"ATZ\nWAIT \"]]>\"\n  SEND <cr>");
  EXPECT_TRUE(Child(&root, 43)->GetChild(1)->IsCreated());
}

}  // namespace
}  // namespace orvel
