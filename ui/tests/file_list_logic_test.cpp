// The file list dialog's working copy on a real settings document: adding with the duplicate
// tests of both kinds of entry, editing, deleting, and OK handing entries back that belong to the
// list node; and the device folders offered and accepted.
#include "ui/lists/file_list_logic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_node.h"
#include "settings/tests/settings_test_support.h"
#include "support/u16text.h"
#include "ui/tree/tree_logic.h"

namespace orvel::ui {
namespace {

using Texts = std::vector<std::u16string>;

class FileListModelTest : public test::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    UseFakeHost();
    NewDocument();
  }
  static Texts Names(CFileListModel& model) {
    Texts names;
    for (const FileListRow& row : model.Rows()) names.push_back(row.folder + row.name + u"|" + row.device);
    return names;
  }
};

TEST_F(FileListModelTest, AddingPackagesSkipsFilesAlreadyListed) {
  CSettingsNode& packages = Field(*m_root, {109, 115});
  packages.AddChild(u"C:\\pkg\\b.sis", 0, 116);
  CFileListModel model(packages, 116);
  EXPECT_FALSE(model.HasDeviceColumn());
  EXPECT_EQ(model.AddFiles({u"C:\\pkg\\a.sis", u"C:\\pkg\\b.sis", u"C:\\pkg\\c.sis", u"C:\\pkg\\A.SIS"}), 3u);
  EXPECT_EQ(Names(model),
            (Texts{u"C:\\pkg\\b.sis|", u"C:\\pkg\\a.sis|", u"C:\\pkg\\c.sis|", u"C:\\pkg\\A.SIS|"}));
  EXPECT_TRUE(model.WorkingCopy().GetChild(1)->IsCreated());
  // Only the copy changed.
  EXPECT_EQ(packages.GetChildCount(), 1u);
  EXPECT_FALSE(IsDocumentModified());
}

TEST_F(FileListModelTest, GeneralFilesAreDuplicatesByTheirPcPath) {
  CSettingsNode& files = Field(*m_root, {109, 117});
  CFileListModel model(files, kFileType);
  ASSERT_TRUE(model.HasDeviceColumn());
  EXPECT_TRUE(model.AddFileWithFolder(u"C:\\data\\a.txt", u"C:\\Documents\\"));
  EXPECT_TRUE(model.AddFileWithFolder(u"C:\\data\\b.txt", u"D:\\Documents\\"));
  // The entry's own value is empty for every general file: the PC path decides.
  EXPECT_FALSE(model.AddFileWithFolder(u"C:\\data\\a.txt", u"D:\\Documents\\"));
  std::vector<FileListRow> rows = model.Rows();
  ASSERT_EQ(rows.size(), 2u);
  // An edit may keep its own path, but not take another entry's.
  EXPECT_TRUE(model.EditEntry(rows[0].entry, u"C:\\data\\a.txt", u"C:\\Documents\\Tones"));
  EXPECT_FALSE(model.EditEntry(rows[0].entry, u"C:\\data\\b.txt", u"C:\\"));
  EXPECT_TRUE(model.EditEntry(rows[1].entry, u"C:\\data\\c.txt", u"C:\\Documents\\"));
  EXPECT_EQ(Names(model),
            (Texts{u"C:\\data\\a.txt|C:\\Documents\\Tones", u"C:\\data\\c.txt|C:\\Documents\\"}));
  EXPECT_FALSE(IsDocumentModified());
}

TEST_F(FileListModelTest, OkHandsBackEntriesThatBelongToTheListNode) {
  CSettingsNode& files = Field(*m_root, {109, 117});
  {
    CFileListModel model(files, kFileType);
    model.AddFileWithFolder(u"C:\\data\\a.txt", u"C:\\Documents\\");
    model.AddFileWithFolder(u"C:\\data\\b.txt", u"D:\\");
    EXPECT_FALSE(model.SameEntries(files));
    model.CommitTo(files);
    EXPECT_TRUE(model.SameEntries(files));
  }  // the working copy is gone
  ASSERT_EQ(files.GetChildCount(), 2u);
  for (size_t i = 0; i < files.GetChildCount(); ++i) {
    CSettingsNode* entry = files.GetChild(i);
    EXPECT_EQ(entry->GetParent(), &files);
    ASSERT_EQ(entry->GetChildCount(), 2u);
    EXPECT_EQ(entry->GetChild(0)->GetParent(), entry);
    // Walks every parent up to the root: a parent left in the working copy would be freed memory.
    EXPECT_TRUE(entry->GetChild(1)->HasAncestorOfType(109));
  }
  EXPECT_EQ(ChildValue(files.GetChild(1), kFileLocalType), u"C:\\data\\b.txt");
}

TEST_F(FileListModelTest, DeletingAllAndLeavingTheListAsItWas) {
  CSettingsNode& images = Field(*m_root, {109, 113});
  images.AddChild(u"C:\\a.jpg", 0, 114);
  images.AddChild(u"b.gif", 0, 114);
  CFileListModel model(images, 114);
  std::vector<FileListRow> rows = model.Rows();
  ASSERT_EQ(rows.size(), 2u);
  // A path without a backslash has no folder.
  EXPECT_EQ(rows[1].name, u"b.gif");
  EXPECT_EQ(rows[1].folder, u"");
  model.DeleteEntries({rows[0].entry, rows[1].entry});
  EXPECT_TRUE(model.Rows().empty());
  EXPECT_EQ(images.GetChildCount(), 2u);
  EXPECT_TRUE(CFileListModel(images, 114).SameEntries(images));
}

// After the dialog's OK the tree marks the document modified when the entries changed, even when
// their number (and so the list's shown value) stayed the same, and not when nothing changed.
TEST_F(FileListModelTest, TheTreeAfterOk) {
  CSettingsNode& packages = Field(*m_root, {109, 115});
  packages.AddChild(u"C:\\a.sis", 0, 116);
  packages.SetCreated(true, false);  // so that only the entries can make a difference
  CTreeLogic tree;
  tree.Build(m_root.get());
  const TreeItemId item = tree.ItemOfNode(&packages);
  struct Step {
    const char* name;
    bool replace;  // the entries replaced by these files
    std::vector<std::u16string> files;
    bool modified;
  };
  const Step steps[] = {
      {"one file for another", true, {u"C:\\b.sis"}, true},
      {"nothing changed", false, {}, false},
      {"every file gone", true, {}, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    SetDocumentModified(false);
    std::u16string old;
    packages.GetDisplayValue(old, true);
    CFileListModel model(packages, 116);
    if (step.replace) {
      std::vector<CSettingsNode*> all;
      for (const FileListRow& row : model.Rows()) all.push_back(row.entry);
      model.DeleteEntries(all);
      model.AddFiles(step.files);
    }
    const bool changed = !model.SameEntries(packages);
    model.CommitTo(packages);
    TreeChanges changes;
    tree.StoreListEdit(item, old, changed, changes);
    EXPECT_EQ(IsDocumentModified(), step.modified);
    EXPECT_EQ(packages.IsCreated(), packages.GetChildCount() > 0);
  }
  EXPECT_EQ(packages.GetChildCount(), 0u);
}

struct LanguageCase {
  const char16_t* text;
  int32_t language;
};
const LanguageCase kLanguageCases[] = {
    {u"1", 1}, {u"[3]", 3}, {u"[12", 12},
    {u"0", 1}, {u"", 1},    {u"[", 1},
    {u"x", 1}, {u"-4", -4}, {u"99999999999", 2147483647},
};

TEST(DeviceLanguage, FromTheLanguageLibrarysText) {
  for (const auto& c : kLanguageCases)
    EXPECT_EQ(DeviceLanguageFromText(c.text), c.language) << AsUtf8(c.text);
}

TEST(DeviceFolderChoices, EnglishGermanAndNumbersWithoutARow) {
  const Texts english = {u"C:\\Documents\\", u"C:\\Documents\\Downloaded\\",
                         u"C:\\Documents\\Photo gallery\\", u"C:\\Documents\\Tones\\", u"D:\\Documents\\"};
  EXPECT_EQ(DeviceFolderChoices(DeviceLanguageFromText(u"1")), english);
  EXPECT_EQ(DeviceFolderChoices(DeviceLanguageFromText(u"[3]")),
            (Texts{u"C:\\Dokumente\\", u"C:\\Dokumente\\Heruntergeladen\\", u"C:\\Dokumente\\Fotogalerie\\",
                   u"C:\\Dokumente\\Töne\\", u"D:\\Dokumente\\"}));
  EXPECT_EQ(DeviceFolderChoices(DeviceLanguageFromText(u"-4")), english);
  EXPECT_EQ(DeviceFolderChoices(22), english);
}

struct FolderCase {
  const char16_t* folder;
  bool acceptable;
};
const FolderCase kFolderCases[] = {
    {u"C:\\Documents\\", true}, {u"D:", true},     {u"\\Documents", true},
    {u"Documents", false},      {u"C", false},     {u"", false},
    {u"C:\\a*b\\", false},      {u"\\a|b", false}, {u"CD:\\", false},
};

TEST(DeviceFolder, Acceptable) {
  for (const auto& c : kFolderCases)
    EXPECT_EQ(IsAcceptableDeviceFolder(c.folder), c.acceptable) << AsUtf8(c.folder);
  EXPECT_EQ(WithTrailingBackslash(u"C:\\Documents"), u"C:\\Documents\\");
  EXPECT_EQ(WithTrailingBackslash(u"C:\\Documents\\"), u"C:\\Documents\\");
}

}  // namespace
}  // namespace orvel::ui
