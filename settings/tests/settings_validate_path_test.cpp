// Validation on the paths that use it: the engine reads the text a client sends into its own
// document, validates it strictly and writes the device form; the user interface opens a file,
// repairs it and saves it again.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "settings/settings_document.h"
#include "settings/settings_row.h"
#include "settings/settings_schema.h"
#include "settings/tests/settings_test_support.h"
#include "settings/settings_validate.h"
#include "settings/settings_writer.h"
#include "settings/tests/settings_xml_test_support.h"

namespace orvel {
namespace {

CSettingsNode& Field(CSettingsNode& node, std::initializer_list<uint32_t> path) {
  CSettingsNode* at = &node;
  for (uint32_t type : path) {
    at = at->FindChildOfType(type);
    if (!at) throw std::runtime_error("no field " + std::to_string(type));
  }
  return *at;
}

// Stores a value as the editors do and gives the node the flags a client sends.
void Set(CSettingsNode& node, const std::u16string& value, bool created = false, bool updated = false) {
  EXPECT_TRUE(node.SetDisplayValue(value)) << node.GetType();
  node.StoreFlags(created, updated);
}

// Names the placeholder of the group, which turns it into an entry.
CSettingsNode& AddEntry(CSettingsNode& root, uint32_t groupType, const char16_t* name, bool created) {
  const ListGroupInfo* list = FindListGroupByGroup(groupType);
  CSettingsNode& entry = Field(root, {groupType, list->placeholderType});
  Set(*entry.FindChildOfType(list->nameFieldType), name, created);
  entry.StoreFlags(created, false);
  return entry;
}

// The configuration a client sends: a new access point with a consistent data call, an existing
// one with changes deep inside it (its entry and group carry no flag), a new IMAP4 mailbox, a new
// WAP connection in an unflagged group, a voice mailbox number and a new web bookmark.
void BuildConfiguration(CSettingsNode& root, const std::u16string& homeDns) {
  Field(root, {2}).StoreFlags(true, false);
  CSettingsNode& office = AddEntry(root, 2, u"Office", true);
  Set(Field(office, {7}), u"+358 9 1234567", true);
  Set(Field(office, {9}), u"alice", true);
  Set(Field(office, {20, 21}), u"HighSpeed", false, true);
  Set(Field(office, {20, 22}), u"ISDNV.110", false, true);
  Set(Field(office, {20, 23}), u"38400", false, true);

  CSettingsNode& home = AddEntry(root, 2, u"Home", false);
  Field(home, {6}).StoreFlags(false, true);
  Set(Field(home, {7}), u"0201234567");
  Set(Field(home, {37, 40}), u"No", false, true);
  Set(Field(home, {37, 41}), homeDns, false, true);

  Field(root, {43}).StoreFlags(true, false);
  CSettingsNode& work = AddEntry(root, 43, u"Work", true);
  Set(Field(work, {50}), u"bob", true);
  Set(Field(work, {52}), u"bob@example.com", true);
  Set(Field(work, {53}), u"Office", true);
  Set(Field(work, {54, 55}), u"IMAP4", true);
  Set(Field(work, {54, 57}), u"smtp.example.com", true);
  Set(Field(work, {54, 56}), u"imap.example.com", true);
  Set(Field(work, {58, 60}), u"100", false, true);
  Set(Field(work, {61, 72}), u"INBOX", true);

  CSettingsNode& portal = AddEntry(root, 73, u"Portal", true);
  Set(Field(portal, {85}), u"Office", true);
  Set(Field(portal, {84}), u"10.1.1.1", true);

  Set(Field(root, {92, 93}), u"+35840123", false, true);
  CSettingsNode& bookmarks = Field(root, {92, 98});
  std::vector<CSettingsRow> rows{CSettingsRow(u"Example", u"http://www.example.com/", u"", u"", u"")};
  RowsToNode(bookmarks, rows);
  bookmarks.SetCreated(true, true);
}

// The device form of that configuration, as the engine hands it to the transport module.
constexpr char16_t kDeviceForm[] =
    u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
    u"<!-- Corvanset Configuration File -->\n"
    u"\n"
    u"<Settings>\n"
    u"<IAPSettings op=\"create\">\n"
    u"<IAPConnection op=\"create\">\n"
    u"<ConnectionName op=\"update\">Office</ConnectionName>\n"
    u"<PhoneNumber op=\"update\">+358 9 1234567</PhoneNumber>\n"
    u"<Username op=\"update\">alice</Username>\n"
    u"<DataCall>\n"
    u"<ConnectionType op=\"update\">HighSpeed</ConnectionType>\n"
    u"<RemoteModemType op=\"update\">ISDNV.110</RemoteModemType>\n"
    u"<MaxConnectionSpeed op=\"update\">38400</MaxConnectionSpeed>\n"
    u"</DataCall>\n"
    u"</IAPConnection>\n"
    u"<IAPConnection>\n"
    u"<ConnectionName op=\"update\">Home</ConnectionName>\n"
    u"<AddressOptions>\n"
    u"<RetrieveDNSAddress op=\"update\">No</RetrieveDNSAddress>\n"
    u"<PrimaryDNS op=\"update\">10.0.0.53</PrimaryDNS>\n"
    u"</AddressOptions>\n"
    u"</IAPConnection>\n"
    u"</IAPSettings>\n"
    u"<EMailSettings op=\"create\">\n"
    u"<Mailbox op=\"create\">\n"
    u"<MailboxName op=\"update\">Work</MailboxName>\n"
    u"<Username op=\"update\">bob</Username>\n"
    u"<EMailAddress op=\"update\">bob@example.com</EMailAddress>\n"
    u"<UseConnection op=\"update\">Office</UseConnection>\n"
    u"<Servers>\n"
    u"<MailboxType op=\"update\">IMAP4</MailboxType>\n"
    u"<OutServer op=\"update\">smtp.example.com</OutServer>\n"
    u"<InServer op=\"update\">imap.example.com</InServer>\n"
    u"</Servers>\n"
    u"<RetrieveMail>\n"
    u"<MessageMaxSize op=\"update\">100</MessageMaxSize>\n"
    u"</RetrieveMail>\n"
    u"<Advanced>\n"
    u"<IMAP4FolderPath op=\"update\">INBOX</IMAP4FolderPath>\n"
    u"</Advanced>\n"
    u"</Mailbox>\n"
    u"</EMailSettings>\n"
    u"<WAPSettings>\n"
    u"<WAPConnection op=\"create\">\n"
    u"<ConnectionName op=\"update\">Portal</ConnectionName>\n"
    u"<UseConnection op=\"update\">Office</UseConnection>\n"
    u"<ServiceAddress op=\"update\">10.1.1.1</ServiceAddress>\n"
    u"</WAPConnection>\n"
    u"</WAPSettings>\n"
    u"<PersonalData>\n"
    u"<DefaultVoiceMailbox op=\"update\">+35840123</DefaultVoiceMailbox>\n"
    u"<WWWBookmarks op=\"create\">\n"
    u"<WWWBookmark op=\"create\">\n"
    u"<Name op=\"update\">Example</Name>\n"
    u"<URL op=\"update\">http://www.example.com/</URL>\n"
    u"</WWWBookmark>\n"
    u"</WWWBookmarks>\n"
    u"</PersonalData>\n"
    u"</Settings>\n";

// The full form without any line end or indentation between tags.
std::u16string Compact(const std::u16string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') {
      size_t next = i + 1;
      while (next < text.size() && text[next] == u' ') ++next;
      if (next == text.size() || text[next] == u'<' || text[next] == u'\n') {
        i = next - 1;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// The three shapes of one full-form text that a client may send.
std::vector<std::pair<const char*, std::u16string>> TextShapes(const std::u16string& full) {
  EXPECT_EQ(full.back(), u'\n');
  const std::u16string compact = Compact(full);
  EXPECT_EQ(compact.find(u'\n'), std::u16string::npos);
  return {{"LF line ends", full}, {"no trailing LF", full.substr(0, full.size() - 1)}, {"compact", compact}};
}

// The client's document writes the configuration in full form.
std::u16string SentText(const std::u16string& homeDns) {
  CSettingsDocument client;
  BuildConfiguration(*client.New(), homeDns);
  std::u16string text;
  EXPECT_TRUE(WriteSettingsDocument(*client.GetRoot(), text, false, nullptr));
  return text;
}

class ValidatePathTest : public test::SettingsTest {
 protected:
  void TearDown() override {
    SetPasswordSeed(std::nullopt);
    test::SettingsTest::TearDown();
  }
};

TEST_F(ValidatePathTest, EngineReadsValidatesAndWritesTheDeviceForm) {
  for (const auto& [shape, text] : TextShapes(SentText(u"10.0.0.53"))) {
    SCOPED_TRACE(shape);
    CSettingsDocument engine;
    engine.Reset();
    ASSERT_TRUE(engine.LoadText(text));
    CSettingsNode* failing = nullptr;
    EXPECT_TRUE(ValidateSettings(*engine.GetRoot(), failing, true, false));
    EXPECT_EQ(failing, nullptr);

    std::u16string device;
    std::vector<std::u16string> names;
    ASSERT_TRUE(WriteSettingsDocument(*engine.GetRoot(), device, true, &names));
    EXPECT_EQ(AsUtf8(device), AsUtf8(kDeviceForm));
    EXPECT_EQ(names, (std::vector<std::u16string>{u"IAPSettings", u"EMailSettings", u"WAPSettings",
                                                  u"DefaultVoiceMailbox", u"WWWBookmarks"}));
    EXPECT_EQ(FindMailboxFolderPath(*engine.GetRoot(), u"Work"), u"INBOX");
  }
}

TEST_F(ValidatePathTest, EngineReportsABadValueDeepInAnUnflaggedEntry) {
  for (const auto& [shape, text] : TextShapes(SentText(u"10.0.0.256"))) {
    SCOPED_TRACE(shape);
    CSettingsDocument engine;
    engine.Reset();
    ASSERT_TRUE(engine.LoadText(text));
    CSettingsNode* failing = nullptr;
    EXPECT_FALSE(ValidateSettings(*engine.GetRoot(), failing, true, false));
    ASSERT_NE(failing, nullptr);
    // What the engine's question names: the element and its display value.
    std::u16string name;
    std::u16string value;
    failing->GetNodeName(name, false);
    failing->GetDisplayValue(value, true);
    EXPECT_EQ(name, u"PrimaryDNS");
    EXPECT_EQ(value, u"10.0.0.256");
    const CSettingsNode* entry = failing->GetParent()->GetParent();
    ASSERT_EQ(entry->GetType(), 5u);
    EXPECT_EQ(entry->FindChildOfType(6)->GetValue(), u"Home");
  }
}

// The fixture holds a bad choice, an overlong port and message size, a data-call type flagged
// without its siblings, a bad address in a new WAP connection, a voice mailbox number with a "+"
// inside, a URL with a blank in its path and a bad callback number that does not apply. The
// golden differs from it only in those values and their flags.
TEST_F(ValidatePathTest, OpenedFileIsRepairedAndEveryValidValueKept) {
  SetPasswordSeed(1);  // the seed the fixture's passwords were written with
  CSettingsDocument document;
  document.Reset();
  bool parseFailed = true;
  ASSERT_TRUE(document.LoadFile(test::TestDataPath("validate_repair_fixture.xml"), parseFailed));
  SetDocumentModified(false);

  CSettingsNode* failing = nullptr;
  EXPECT_FALSE(ValidateSettings(*document.GetRoot(), failing, false, true));
  ASSERT_NE(failing, nullptr);
  EXPECT_EQ(failing->GetType(), 101u);  // the last invalid node: the bookmark's URL
  EXPECT_TRUE(IsDocumentModified());

  const std::u16string saved = u"validate_repaired.xml";
  ASSERT_TRUE(document.SaveFile(saved)) << AsUtf8(document.GetLastError());
  EXPECT_EQ(test::ReadBytes(AsUtf8(saved)),
            test::ReadBytes(AsUtf8(test::TestDataPath("validate_repair_golden.xml"))));
  std::remove(AsUtf8(saved).c_str());
}

}  // namespace
}  // namespace orvel
