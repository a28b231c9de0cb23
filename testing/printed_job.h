// The tests' printer (tools/print-env): a print service with one PDF queue, the prefix's default
// printer. Each job lands in one folder as JOB.pdf, with its title in JOB.title and the PDF's text
// (pdftotext) in JOB.txt, which is written last: a job is complete when its text is there.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace orvel::win {

// The queue's name, which Wine gives the printer too.
inline constexpr wchar_t kTestPrinterName[] = L"Orvel_PDF";

// Wine sets the printer up for the 95/98 family (the spooler's "Windows 4.0" environment) with a
// 16-bit driver it no longer has, again in each process that opens the printer: this gives the
// family the 32-bit driver and print processor, until the calling process ends. A program run as
// Windows 95 or 98 calls it before it prints; false when the driver could not be set up.
bool SetUpTestPrinterFor95And98();

// The jobs' folder (ORVEL_PRINT_OUT, set by tools/wine-run); empty without the print service.
std::wstring PrintOutputFolder();

struct PrintedJob {
  int number = 0;        // the service's job number
  std::u16string title;  // the document's name
  std::wstring pdf;      // the PDF file
  std::u16string text;   // its text as pdftotext gives it (pages end with a form feed)
};

// The newest complete job titled title, if there is one.
std::optional<PrintedJob> FindPrintedJob(std::u16string_view title);
// The newest complete job, whatever its title (the service's jobs of one test run only).
std::optional<PrintedJob> LastPrintedJob();
// FindPrintedJob polled until the job is there or limitMs has passed.
std::optional<PrintedJob> WaitForPrintedJob(std::u16string_view title, DWORD limitMs);

}  // namespace orvel::win
