// Ambrel's printing rows against a real printer: the print service of tools/print-env, whose one
// queue turns each job into a PDF. Runs once per system mode (AMBREL_MODE: default, win98, win95);
// on 95/98 every row takes its ANSI path, and each case here has an answer that the wide
// function would not give there.
#include <gtest/gtest.h>
#include <windows.h>
// clang-format off
#include <winspool.h>  // needs windows.h first
// clang-format on

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "support/u16text.h"
#include "support/win/printed_job.h"
#include "support/win/wide.h"

namespace {

using orvel::win::kTestPrinterName;

// The service converts a job in well under a second; emulated 32-bit Wine takes longer.
constexpr DWORD kJobLimitMs = 30000;

std::wstring ModeName() {
  const char* name = std::getenv("AMBREL_MODE");
  return name ? std::wstring(name, name + std::strlen(name)) : std::wstring(L"default");
}

std::u16string U16(const std::wstring& text) { return orvel::win::FromWide(text); }

// A title of this mode's own: the modes print side by side into one queue.
std::wstring Title(const wchar_t* what) { return std::wstring(what) + L" (" + ModeName() + L")"; }

TEST(TestPrinter, IsThePrefixsDefaultPrinter) {
  ASSERT_FALSE(orvel::win::PrintOutputFolder().empty()) << "no print service (tools/wine-env start)";
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count));
  const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  bool found = false;
  for (DWORD i = 0; i < count; ++i) found |= std::string(printers[i].pPrinterName) == "Orvel_PDF";
  EXPECT_TRUE(found);
}

// A job through the wide rows: the printer's DC, the document, a line of text, the end.
TEST(TestPrinter, JobBecomesAPdfWithItsText) {
  HDC dc = CreateDCW(L"WINSPOOL", kTestPrinterName, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  std::wstring title = Title(L"Ambrel job");
  DOCINFOW document{};
  document.cbSize = sizeof(document);
  document.lpszDocName = title.c_str();
  ASSERT_GT(StartDocW(dc, &document), 0);
  ASSERT_GT(StartPage(dc), 0);
  const wchar_t words[] = L"Words printed through Ambrel";
  TabbedTextOutW(dc, 300, 300, words, static_cast<int>(std::wcslen(words)), 0, nullptr, 0);
  ASSERT_GT(EndPage(dc), 0);
  ASSERT_GT(EndDoc(dc), 0);
  DeleteDC(dc);
  auto job = orvel::win::WaitForPrintedJob(U16(title), kJobLimitMs);
  ASSERT_TRUE(job) << "no PDF titled " << orvel::AsUtf8(U16(title));
  EXPECT_NE(job->text.find(u"Words printed through Ambrel"), std::u16string::npos)
      << orvel::AsUtf8(job->text);
  EXPECT_EQ(GetFileAttributesW(job->pdf.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

}  // namespace
