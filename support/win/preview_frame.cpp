#include "support/win/preview_frame.h"

#include <algorithm>
#include <string>

namespace orvel::win {

namespace {

constexpr int kGap = 16;  // around and between the pages
constexpr int kButtonWidth = 84;
constexpr int kButtonHeight = 24;
constexpr UINT kDeferredCommand = WM_APP + 1;

struct BarButton {
  int id;
  const wchar_t* text;
};
const BarButton kButtons[] = {
    {CPreviewFrame::kPrintButton, L"&Print..."},     {CPreviewFrame::kNextButton, L"&Next Page"},
    {CPreviewFrame::kPreviousButton, L"Pre&v Page"}, {CPreviewFrame::kPagesButton, L"&Two Page"},
    {CPreviewFrame::kZoomInButton, L"Zoom &In"},     {CPreviewFrame::kZoomOutButton, L"Zoom &Out"},
    {CPreviewFrame::kCloseButton, L"&Close"},
};

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace

CPreviewFrame::~CPreviewFrame() {
  Destroy();
  for (HENHMETAFILE page : m_pages) {
    if (page) ::DeleteEnhMetaFile(page);
  }
  if (m_barFont) ::DeleteObject(m_barFont);
}

bool CPreviewFrame::Open(IPreviewDocument& document, HDC printer, const std::wstring& title, HICON icon) {
  m_document = &document;
  m_printer = printer;
  m_pageSize = {std::max(1, ::GetDeviceCaps(printer, HORZRES)),
                std::max(1, ::GetDeviceCaps(printer, VERTRES))};
  m_pageHimetric = {::MulDiv(m_pageSize.cx, 2540, std::max(1, ::GetDeviceCaps(printer, LOGPIXELSX))),
                    ::MulDiv(m_pageSize.cy, 2540, std::max(1, ::GetDeviceCaps(printer, LOGPIXELSY)))};
  m_pages.assign(static_cast<size_t>(std::max(1, document.PreviewPageCount())), nullptr);
  const RECT rect = {0, 0, 800, 600};
  if (!Create(kClassName, CS_HREDRAW | CS_VREDRAW, 0,
              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL, title.c_str(), rect))
    return false;
  if (icon) {
    ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  MakeBar();
  ::ShowWindow(Handle(), SW_SHOWMAXIMIZED);
  Layout();
  UpdateBar();
  ::UpdateWindow(Handle());
  return true;
}

void CPreviewFrame::MakeBar() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    m_barFont = ::CreateFontIndirectW(&metrics.lfMessageFont);
  HFONT font = m_barFont ? m_barFont : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  int x = 6;
  for (const BarButton& button : kButtons) {
    HWND control =
        ::CreateWindowExW(0, L"BUTTON", button.text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x,
                          (kBarHeight - kButtonHeight) / 2, kButtonWidth, kButtonHeight, Handle(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), nullptr, nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    x += kButtonWidth + 4;
  }
  HWND text = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, x + 8,
                                (kBarHeight - 16) / 2, 160, 16, Handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageText)), nullptr, nullptr);
  ::SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void CPreviewFrame::UpdateBar() {
  const int count = static_cast<int>(m_pages.size());
  const int last = m_twoPages ? std::min(count, m_page + 1) : m_page;
  ::EnableWindow(::GetDlgItem(Handle(), kPreviousButton), m_page > 1);
  ::EnableWindow(::GetDlgItem(Handle(), kNextButton), last < count);
  ::EnableWindow(::GetDlgItem(Handle(), kPagesButton), m_twoPages || count > 1);
  ::SetDlgItemTextW(Handle(), kPagesButton, m_twoPages ? L"&One Page" : L"&Two Page");
  ::EnableWindow(::GetDlgItem(Handle(), kZoomInButton), m_zoom < kMaxZoom);
  ::EnableWindow(::GetDlgItem(Handle(), kZoomOutButton), m_zoom > 0);
  std::wstring text = last > m_page ? L"Pages " + std::to_wstring(m_page) + L"-" + std::to_wstring(last)
                                    : L"Page " + std::to_wstring(m_page);
  ::SetDlgItemTextW(Handle(), kPageText, text.c_str());
}

void CPreviewFrame::ShowPage(int page) {
  const int count = static_cast<int>(m_pages.size());
  m_page = std::clamp(page, 1, count);
  m_scroll = {0, 0};
  Layout();
  UpdateBar();
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void CPreviewFrame::SetZoom(int zoom) {
  m_zoom = std::clamp(zoom, 0, kMaxZoom);
  m_scroll = {0, 0};
  Layout();
  UpdateBar();
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

RECT CPreviewFrame::ViewRect() const {
  RECT client = {};
  ::GetClientRect(Handle(), &client);
  client.top = std::min(client.bottom, static_cast<LONG>(kBarHeight));
  return client;
}

double CPreviewFrame::Scale() const {
  const RECT view = ViewRect();
  const int shown = m_twoPages ? 2 : 1;
  const double across = static_cast<double>(Width(view) - (shown + 1) * kGap) / (shown * m_pageSize.cx);
  const double down = static_cast<double>(Height(view) - 2 * kGap) / m_pageSize.cy;
  const double fit = std::max(0.01, std::min(across, down));
  return fit * (1 << m_zoom);
}

SIZE CPreviewFrame::ContentSize() const {
  const int shown = m_twoPages ? 2 : 1;
  const double scale = Scale();
  return {static_cast<LONG>(shown * m_pageSize.cx * scale) + (shown + 1) * kGap,
          static_cast<LONG>(m_pageSize.cy * scale) + 2 * kGap};
}

void CPreviewFrame::Layout() {
  const RECT view = ViewRect();
  const SIZE content = ContentSize();
  const int bars[] = {SB_HORZ, SB_VERT};
  const int sizes[] = {static_cast<int>(content.cx), static_cast<int>(content.cy)};
  const int pages[] = {Width(view), Height(view)};
  LONG* offsets[] = {&m_scroll.x, &m_scroll.y};
  for (int i = 0; i < 2; ++i) {
    *offsets[i] = std::clamp<LONG>(*offsets[i], 0, std::max(0, sizes[i] - pages[i]));
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = std::max(0, sizes[i] - 1);
    info.nPage = static_cast<UINT>(std::max(0, pages[i]));
    info.nPos = *offsets[i];
    ::SetScrollInfo(Handle(), bars[i], &info, TRUE);
  }
}

void CPreviewFrame::Scroll(int bar, WORD request) {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  ::GetScrollInfo(Handle(), bar, &info);
  int position = info.nPos;
  const int line = 32;
  switch (request) {
    case SB_LINEUP:
      position -= line;
      break;
    case SB_LINEDOWN:
      position += line;
      break;
    case SB_PAGEUP:
      position -= static_cast<int>(info.nPage);
      break;
    case SB_PAGEDOWN:
      position += static_cast<int>(info.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      position = info.nTrackPos;
      break;
    default:
      return;
  }
  (bar == SB_HORZ ? m_scroll.x : m_scroll.y) = position;
  Layout();
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

HENHMETAFILE CPreviewFrame::PageMetafile(int page) {
  if (page < 1 || page > static_cast<int>(m_pages.size())) return nullptr;
  HENHMETAFILE& cached = m_pages[static_cast<size_t>(page - 1)];
  if (!cached) {
    RECT frame = {0, 0, m_pageHimetric.cx, m_pageHimetric.cy};
    HDC dc = ::CreateEnhMetaFileW(m_printer, nullptr, &frame, nullptr);
    if (!dc) return nullptr;
    m_document->DrawPreviewPage(dc, page);
    cached = ::CloseEnhMetaFile(dc);
  }
  return cached;
}

void CPreviewFrame::Paint() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(Handle(), &paint);
  const RECT view = ViewRect();
  ::FillRect(dc, &view, ::GetSysColorBrush(COLOR_APPWORKSPACE));
  RECT bar = {view.left, 0, view.right, view.top};
  ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_BTNFACE));
  const double scale = Scale();
  const int width = static_cast<int>(m_pageSize.cx * scale);
  const int height = static_cast<int>(m_pageSize.cy * scale);
  const int shown = m_twoPages ? 2 : 1;
  ::IntersectClipRect(dc, view.left, view.top, view.right, view.bottom);
  for (int i = 0; i < shown; ++i) {
    const int page = m_page + i;
    if (page > static_cast<int>(m_pages.size())) break;
    RECT sheet = {view.left - m_scroll.x + kGap + i * (width + kGap), view.top - m_scroll.y + kGap, 0, 0};
    sheet.right = sheet.left + width;
    sheet.bottom = sheet.top + height;
    RECT shadow = {sheet.left + 3, sheet.top + 3, sheet.right + 3, sheet.bottom + 3};
    ::FillRect(dc, &shadow, ::GetSysColorBrush(COLOR_3DDKSHADOW));
    ::FillRect(dc, &sheet, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::FrameRect(dc, &sheet, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    if (HENHMETAFILE metafile = PageMetafile(page)) ::PlayEnhMetaFile(dc, metafile, &sheet);
  }
  ::EndPaint(Handle(), &paint);
}

void CPreviewFrame::OnButton(int id) {
  // The keyboard stays with the frame, so that its keys work after a click.
  ::SetFocus(Handle());
  const int count = static_cast<int>(m_pages.size());
  switch (id) {
    case kNextButton:
      ShowPage(m_page + 1);
      break;
    case kPreviousButton:
      ShowPage(m_page - 1);
      break;
    case kPagesButton:
      m_twoPages = !m_twoPages;
      if (m_twoPages && m_page == count && count > 1) m_page = count - 1;
      ShowPage(m_page);
      break;
    case kZoomInButton:
      SetZoom(m_zoom + 1);
      break;
    case kZoomOutButton:
      SetZoom(m_zoom - 1);
      break;
    case kPrintButton:
    case kCloseButton:
      // Run from the message loop: the frame and its button go meanwhile.
      ::PostMessageW(Handle(), kDeferredCommand, static_cast<WPARAM>(id), 0);
      break;
    default:
      break;
  }
}

LRESULT CPreviewFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the whole client area is painted
    case WM_SIZE:
      if (m_document) {
        Layout();
        ::InvalidateRect(Handle(), nullptr, TRUE);
      }
      return 0;
    case WM_HSCROLL:
      Scroll(SB_HORZ, LOWORD(wParam));
      return 0;
    case WM_VSCROLL:
      Scroll(SB_VERT, LOWORD(wParam));
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam) OnButton(LOWORD(wParam));
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_NEXT) OnButton(kNextButton);
      if (wParam == VK_PRIOR) OnButton(kPreviousButton);
      if (wParam == VK_F1) m_document->OnPreviewHelp();
      return 0;
    case WM_HELP:
      m_document->OnPreviewHelp();
      return TRUE;
    case kDeferredCommand:
      if (wParam == kPrintButton)
        m_document->OnPreviewPrint();  // destroys the frame
      else
        m_document->OnPreviewClose();  // destroys the frame
      return 0;
    case WM_CLOSE:
      m_document->OnPreviewClose();  // destroys the frame
      return 0;
    default:
      return DefaultProc(message, wParam, lParam);
  }
}

}  // namespace orvel::win
