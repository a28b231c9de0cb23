// A print preview frame: a top-level window with a button bar (print, next and previous page, one
// or two pages, zoom in and out, close) above the pages of a document, each page drawn once by the
// document into an enhanced metafile made like the printer's page and played scaled into the window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/win/window.h"

namespace orvel::win {

// What the frame shows and whom it tells of its buttons.
class IPreviewDocument {
 public:
  virtual ~IPreviewDocument() = default;
  virtual int PreviewPageCount() = 0;
  // Draws page `page` (from 1) on a device context like the printer's.
  virtual void DrawPreviewPage(HDC dc, int page) = 0;
  // The buttons and keys of the frame. Each may destroy the frame; it returns at once after them.
  virtual void OnPreviewPrint() = 0;
  virtual void OnPreviewClose() = 0;
  virtual void OnPreviewHelp() = 0;
};

class CPreviewFrame : public CWindow {
 public:
  static constexpr wchar_t kClassName[] = L"Orvel.PrintPreviewFrame";
  // The bar's controls.
  enum : int {
    kPrintButton = 0xE303,
    kNextButton = 0xE301,
    kPreviousButton = 0xE302,
    kPagesButton = 0xE304,
    kZoomInButton = 0xE305,
    kZoomOutButton = 0xE306,
    kCloseButton = 0xE300,
    kPageText = 0xE307,  // "Page 1" or "Pages 1-2"
  };
  static constexpr int kBarHeight = 34;
  static constexpr int kMaxZoom = 2;

  CPreviewFrame() = default;
  ~CPreviewFrame() override;

  // Makes the frame for a document whose pages are like the printer's (kept by the caller while the
  // frame lives), shown maximized; false when it cannot be made.
  bool Open(IPreviewDocument& document, HDC printer, const std::wstring& title, HICON icon);
  void ShowPage(int page);
  int CurrentPage() const { return m_page; }
  bool TwoPages() const { return m_twoPages; }
  int Zoom() const { return m_zoom; }
  // Refreshes the buttons' states and the page text.
  void UpdateBar();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void MakeBar();
  void Layout();
  void Paint();
  void OnButton(int id);
  void Scroll(int bar, WORD request);
  void SetZoom(int zoom);
  // The pages' whole size at this zoom, and the scale against the printer's pixels.
  double Scale() const;
  SIZE ContentSize() const;
  RECT ViewRect() const;
  HENHMETAFILE PageMetafile(int page);

  IPreviewDocument* m_document = nullptr;
  HDC m_printer = nullptr;
  SIZE m_pageSize = {1, 1};           // the printer page in its pixels
  SIZE m_pageHimetric = {1, 1};       // and in hundredths of a millimetre
  std::vector<HENHMETAFILE> m_pages;  // by page - 1; null until drawn
  int m_page = 1;
  bool m_twoPages = false;
  int m_zoom = 0;
  POINT m_scroll = {0, 0};
  HFONT m_barFont = nullptr;
};

}  // namespace orvel::win
