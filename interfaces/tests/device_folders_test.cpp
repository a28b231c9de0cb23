#include "interfaces/device_folders.h"

#include <gtest/gtest.h>

#include <string>

#include "support/u16text.h"

using namespace orvel;

namespace {

struct FolderCase {
  int32_t language;
  uint32_t code;
  int result;
  const char16_t* path;
};

const FolderCase kFolderCases[] = {
    {1, kFolderFax, 0, u"Documents\\Templates\\Fax\\"},
    {1, kFolderDownloaded, 0, u"Documents\\Downloaded\\"},
    {0, kFolderTones, 0, u"Documents\\Tones\\"},  // the default row
    {3, kFolderTones, 0, u"Dokumente\\Töne\\"},
    {9, kFolderWord, 0, u"Dokumentit\\Pohjat\\Tekstit\\"},
    {21, kFolderPhotoGallery, 0, u"Documents\\Images\\"},
    {1, 0x250, 5, u"unchanged"},
    {1, 0x100, 5, u"unchanged"},
    // Numbers without a row of their own take the default row, never a row beyond the table.
    {-1, kFolderDocuments, 0, u"Documents\\"},
    {-2147483647 - 1, kFolderTones, 0, u"Documents\\Tones\\"},
    {22, kFolderDownloaded, 0, u"Documents\\Downloaded\\"},
    {255, kFolderDocuments, 0, u"Documents\\"},
};

TEST(DeviceFolderPath, Table) {
  for (const auto& c : kFolderCases) {
    std::u16string out = u"unchanged";
    EXPECT_EQ(GetDeviceFolderPath(out, c.language, c.code), c.result) << c.language << " " << c.code;
    EXPECT_EQ(out, c.path) << c.language << " " << c.code << " " << AsUtf8(out);
  }
}

TEST(DeviceFolderTable, RowsByLanguageAndEveryRowHoldsEveryCode) {
  EXPECT_EQ(FindDeviceFolderRow(255), 0);
  for (uint32_t language = 1; language <= 21; ++language)
    EXPECT_EQ(FindDeviceFolderRow(language), int(language));
  EXPECT_EQ(FindDeviceFolderRow(0), -1);
  EXPECT_EQ(FindDeviceFolderRow(22), -1);
  for (size_t row = 0; row < kDeviceFolderRowCount; ++row) {
    for (const DeviceFolderPair& pair : DeviceFolderTable[row].pairs) {
      std::u16string path;
      EXPECT_TRUE(DeviceFolderPathInRow(row, pair.code, path));
      EXPECT_EQ(path.back(), u'\\');
    }
  }
  std::u16string path = u"x";
  EXPECT_FALSE(DeviceFolderPathInRow(kDeviceFolderRowCount, kFolderDocuments, path));
  EXPECT_EQ(path, u"x");
}

}  // namespace
