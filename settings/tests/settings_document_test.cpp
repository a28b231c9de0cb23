#include "settings/settings_document.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "settings/settings_schema.h"
#include "settings/tests/settings_test_support.h"
#include "settings/tests/settings_xml_test_support.h"

namespace orvel {
namespace {

using DocumentTest = test::SettingsTest;

TEST_F(DocumentTest, NewAndResetReplaceTheTreeAndTheCurrentRoot) {
  CSettingsDocument document;
  EXPECT_EQ(document.GetRoot(), nullptr);
  CSettingsNode* first = document.New();
  EXPECT_EQ(GetCurrentDocumentRoot(), first);
  EXPECT_EQ(first->GetType(), kRootType);
  EXPECT_EQ(first->GetChildCount(), 7u);
  // The first tree is freed (the leak checker sees it otherwise), the new one is current.
  CSettingsNode* second = document.New();
  EXPECT_EQ(GetCurrentDocumentRoot(), second);
  CSettingsNode* third = document.Reset();
  EXPECT_EQ(document.GetRoot(), third);
  EXPECT_EQ(GetCurrentDocumentRoot(), third);
  EXPECT_EQ(third->GetChildCount(), 7u);
}

TEST_F(DocumentTest, EveryNewDocumentStartsUnmodified) {
  CSettingsDocument document;
  document.New();
  Field(*document.GetRoot(), {92, 93}).SetDisplayValue(u"123");  // an edit: unsaved changes
  ASSERT_TRUE(IsDocumentModified());
  document.Reset();
  EXPECT_FALSE(IsDocumentModified());
  SetDocumentModified(true);
  document.New();
  EXPECT_FALSE(IsDocumentModified());
}

TEST_F(DocumentTest, DeleteRootClearsTheCurrentRootWhenItLiesInTheTree) {
  CSettingsDocument document;
  document.New();
  document.DeleteRoot();
  EXPECT_EQ(document.GetRoot(), nullptr);
  EXPECT_EQ(GetCurrentDocumentRoot(), nullptr);

  // A current root inside the tree (a group made current by someone) goes too.
  CSettingsNode* root = document.New();
  SetCurrentDocumentRoot(root->GetChild(0));
  document.DeleteRoot();
  EXPECT_EQ(GetCurrentDocumentRoot(), nullptr);

  // Another document's root stays current.
  CSettingsDocument other;
  CSettingsNode* otherRoot = other.New();
  document.New();
  SetCurrentDocumentRoot(otherRoot);
  document.DeleteRoot();
  EXPECT_EQ(GetCurrentDocumentRoot(), otherRoot);
}

TEST_F(DocumentTest, DestructorClearsTheCurrentRoot) {
  {
    CSettingsDocument document;
    document.New();
  }
  EXPECT_EQ(GetCurrentDocumentRoot(), nullptr);
}

TEST_F(DocumentTest, LoadFileMergesIntoTheDefaultTree) {
  const std::u16string text =
      u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Settings>\r\n<IAPSettings>\r\n"
      u"<IAPConnection><ConnectionName>A</ConnectionName></IAPConnection>\r\n"
      u"<IAPConnection><ConnectionName>B</ConnectionName></IAPConnection>\r\n</IAPSettings>\r\n</Settings>";
  test::WriteBytes("document_two.xml", test::Utf16Bytes(text));
  CSettingsDocument document;
  document.Reset();
  bool parseFailed = true;
  ASSERT_TRUE(document.LoadFile(u"document_two.xml", parseFailed));
  EXPECT_FALSE(parseFailed);
  const CSettingsNode& iap = *document.GetRoot()->FindChildOfType(2);
  ASSERT_EQ(iap.GetChildCount(), 4u);
  EXPECT_EQ(iap.GetChild(1)->FindChildOfType(6)->GetValue(), u"A");
  EXPECT_EQ(iap.GetChild(2)->FindChildOfType(6)->GetValue(), u"B");
  EXPECT_EQ(document.GetRoot()->GetChildCount(), 7u);
  std::remove("document_two.xml");
}

TEST_F(DocumentTest, LoadFileFailures) {
  CSettingsDocument document;
  document.Reset();
  bool parseFailed = true;
  SetLastReadError(u"");
  EXPECT_FALSE(document.LoadFile(u"document_missing.xml", parseFailed));
  EXPECT_FALSE(parseFailed);
  EXPECT_FALSE(document.GetLastError().empty());

  // Read, but no settings text: the flag is set and the last error is left alone.
  test::WriteBytes("document_plain.xml", test::Utf16Bytes(u"\uFEFF<Settings></Settings>"));
  SetLastReadError(u"before");
  EXPECT_FALSE(document.LoadFile(u"document_plain.xml", parseFailed));
  EXPECT_TRUE(parseFailed);
  EXPECT_EQ(document.GetLastError(), u"before");
  test::WriteBytes("document_plain.xml", "");
  EXPECT_FALSE(document.LoadFile(u"document_plain.xml", parseFailed));
  EXPECT_TRUE(parseFailed);
  std::remove("document_plain.xml");
}

TEST_F(DocumentTest, LoadTextAndSaveFile) {
  CSettingsDocument document;
  document.Reset();
  ASSERT_TRUE(
      document.LoadText(u"<?xml?><Settings><PersonalData><DefaultVoiceMailbox>5</DefaultVoiceMailbox>"
                        u"</PersonalData></Settings>"));
  EXPECT_FALSE(document.LoadText(u"<Settings></Settings>\n"));
  ASSERT_TRUE(document.SaveFile(u"document_saved.xml"));
  CSettingsDocument again;
  again.Reset();
  bool parseFailed = false;
  ASSERT_TRUE(again.LoadFile(u"document_saved.xml", parseFailed));
  EXPECT_EQ(test::TreeDifference(*document.GetRoot(), *again.GetRoot()), "");
  std::remove("document_saved.xml");

  // A document without a tree reads into nothing and saves only the byte-order mark.
  CSettingsDocument empty;
  EXPECT_TRUE(empty.LoadText(u"<?xml?><Settings><X>1</X></Settings>"));
  ASSERT_TRUE(empty.SaveFile(u"document_empty.xml"));
  EXPECT_EQ(test::ReadBytes("document_empty.xml"), "\xFF\xFE");
  std::remove("document_empty.xml");
}

}  // namespace
}  // namespace orvel
