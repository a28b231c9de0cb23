// Run under a locale whose ANSI code page is 1251 (pim/CMakeLists.txt): text outside code page 1252
// must take the system's code page, not the portable default.
#include <gtest/gtest.h>
#include <windows.h>

#include "pim/calendar.h"
#include "pim/platform.h"
#include "support/u16text.h"
#include "support/win/wide.h"

namespace orvel {
namespace {

TEST(SystemAnsiCodePage, TextOutsideCodePage1252) {
  ASSERT_EQ(GetACP(), 1251u) << "the test must run with LC_ALL=ru_RU.UTF-8";
  EXPECT_EQ(ToAnsiBytes(u"\u041f\u0440\u0438\u0432\u0435\u0442 \u20ac"), "\xcf\xf0\xe8\xe2\xe5\xf2 \x88");
  EXPECT_EQ(ToAnsiBytes(u"\u4e2d"), "?");
}

TEST(SystemAnsiCodePage, Utf8DescriptionReadThroughTheCodePage) {
  // A reader that took the file's bytes as ANSI text turned the UTF-8 of the description into these
  // characters of code page 1251; only that code page gives the bytes back.
  const std::u16string description = u"\u041f\u0440\u0438\u0432\u0435\u0442, caf\u00e9";
  const std::string utf8 = AsUtf8(description);
  std::wstring read(utf8.size(), L'\0');
  read.resize(static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                        read.data(), static_cast<int>(read.size()))));
  CCalendarEntry entry;
  ASSERT_TRUE(entry.ParseVCalendar(u"BEGIN:VEVENT\r\nDESCRIPTION;CHARSET=UTF-8:" + win::FromWide(read) +
                                   u"\r\nX-EPOCAGENDAENTRYTYPE:APPOINTMENT\r\nEND:VEVENT\r\n"));
  EXPECT_EQ(entry.GetFieldOfType(2)->GetValue(), description);
}

}  // namespace
}  // namespace orvel
