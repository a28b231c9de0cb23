// The writer's output read by a parser we did not write: the system's MSXML must find every saved
// file (UTF-16LE, FF FE, CR LF) and every text (LF, as passed between programs) well-formed, and
// read values with entities and CDATA back as the tree holds them. Each case runs through every
// DOM document class that is there (Wine provides versions 6.0 and 3.0). The texts carry
// encoding="UTF-16" in their declaration, which matches the UTF-16 string that loadXML takes, so
// no form needs the declaration changed.
#include <gtest/gtest.h>
#include <msxml2.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings_document.h"
#include "settings/settings_row.h"
#include "settings/tests/settings_test_support.h"
#include "settings/settings_writer.h"
#include "settings/tests/settings_xml_test_support.h"
#include "support/win/com.h"
#include "support/win/handle.h"
#include "support/win/wide.h"

namespace orvel {
namespace {

using win::ComPtr;
using win::UniqueBstr;

const wchar_t* const kDomProgIds[] = {L"Msxml2.DOMDocument.6.0", L"Msxml2.DOMDocument.3.0"};

// A synchronous DOM document of the class, or null when the class is not there. (The headers
// declare no __uuidof for the MSXML interfaces, so the IID is passed by name.)
ComPtr<IXMLDOMDocument> NewDom(const wchar_t* progId) {
  CLSID clsid;
  ComPtr<IXMLDOMDocument> dom;
  if (FAILED(::CLSIDFromProgID(progId, &clsid)) ||
      FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(dom.GetAddressOf())))) {
    return nullptr;
  }
  dom->put_async(VARIANT_FALSE);
  return dom;
}

// Empty when the last load succeeded with no parse error, else what the parser reported.
std::string LoadProblem(IXMLDOMDocument* dom, HRESULT hr, VARIANT_BOOL loaded) {
  ComPtr<IXMLDOMParseError> error;
  long code = -1, line = 0, column = 0;
  UniqueBstr reason;
  if (SUCCEEDED(dom->get_parseError(&error))) {
    error->get_errorCode(&code);
    error->get_line(&line);
    error->get_linepos(&column);
    error->get_reason(reason.out());
  }
  if (hr == S_OK && loaded == VARIANT_TRUE && code == 0) return "";
  char head[96];
  std::snprintf(head, sizeof head, "hr %08lx, error %08lx at %ld:%ld: ", static_cast<unsigned long>(hr),
                static_cast<unsigned long>(code), line, column);
  return head + AsUtf8(reason.text());
}

std::string LoadText(IXMLDOMDocument* dom, const std::u16string& text) {
  UniqueBstr xml(text);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = dom->loadXML(xml.get(), &loaded);
  return LoadProblem(dom, hr, loaded);
}

std::string LoadFile(IXMLDOMDocument* dom, const std::u16string& path) {
  UniqueBstr fullPath(win::FromWide(std::filesystem::absolute(win::AsWide(path)).wstring()));
  VARIANT source;
  ::VariantInit(&source);
  V_VT(&source) = VT_BSTR;
  V_BSTR(&source) = fullPath.get();  // borrowed: fullPath frees it
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = dom->load(source, &loaded);
  return LoadProblem(dom, hr, loaded);
}

std::u16string RootName(IXMLDOMDocument* dom) {
  ComPtr<IXMLDOMElement> element;
  UniqueBstr name;
  if (dom->get_documentElement(&element) == S_OK) element->get_tagName(name.out());
  return name.text();
}

// The text of the first node the path selects ("<none>" when it selects nothing).
std::u16string SelectedText(IXMLDOMDocument* dom, std::u16string_view path) {
  ComPtr<IXMLDOMNode> node;
  UniqueBstr query(path), text;
  if (dom->selectSingleNode(query.get(), &node) != S_OK) return u"<none>";
  node->get_text(text.out());
  return text.text();
}

// The node of our tree that the same path names: the first child of each element name.
const CSettingsNode* FindByPath(const CSettingsNode& root, std::u16string_view path) {
  const CSettingsNode* node = &root;
  const std::u16string_view top = u"/Settings/";
  for (size_t from = top.size(); node && from <= path.size();) {
    const size_t slash = std::min(path.find(u'/', from), path.size());
    node = node->FindChildByName(path.substr(from, slash - from));
    from = slash + 1;
  }
  return node;
}

// The fixture file loaded into a new document.
void LoadRich(CSettingsDocument& document) {
  document.New();
  bool parseFailed = false;
  ASSERT_TRUE(document.LoadFile(test::TestDataPath("rich.xml"), parseFailed));
}

class MsxmlTest : public test::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    for (const wchar_t* progId : kDomProgIds) {
      if (ComPtr<IXMLDOMDocument> dom = NewDom(progId))
        m_doms.emplace_back(AsUtf8(win::FromWide(progId)), dom);
    }
    ASSERT_FALSE(m_doms.empty()) << "no MSXML DOM document class";
  }
  void TearDown() override {
    m_doms.clear();
    ::CoUninitialize();
    SettingsTest::TearDown();
  }

  std::vector<std::pair<std::string, ComPtr<IXMLDOMDocument>>> m_doms;
};

TEST_F(MsxmlTest, RejectsWhatIsNotWellFormed) {
  // The parser really checks: a crossed end tag is an error.
  for (auto& [progId, dom] : m_doms) {
    EXPECT_NE(
        LoadText(dom.Get(), u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<Settings><A></B></Settings>\n"),
        "")
        << progId;
  }
}

struct DocumentCase {
  const char* what;
  void (*fill)(CSettingsDocument& document);
};
const DocumentCase kDocumentCases[] = {
    {"new document", [](CSettingsDocument& document) { document.New(); }},
    {"rich fixture", LoadRich},
};

TEST_F(MsxmlTest, SavedFilesAndFullTextsAreWellFormed) {
  const std::u16string path = u"msxml_saved.xml";
  for (const auto& c : kDocumentCases) {
    CSettingsDocument document;
    c.fill(document);
    ASSERT_TRUE(document.SaveFile(path)) << c.what;
    std::u16string text;
    ASSERT_TRUE(WriteSettingsDocument(*document.GetRoot(), text, false, nullptr)) << c.what;
    for (auto& [progId, dom] : m_doms) {
      EXPECT_EQ(LoadFile(dom.Get(), path), "") << c.what << ", file, " << progId;
      EXPECT_EQ(RootName(dom.Get()), u"Settings") << c.what << ", file, " << progId;
      EXPECT_EQ(LoadText(dom.Get(), text), "") << c.what << ", text, " << progId;
      EXPECT_EQ(RootName(dom.Get()), u"Settings") << c.what << ", text, " << progId;
    }
  }
  std::remove(AsUtf8(path).c_str());
}

// Values with markup characters, entities, CDATA and a split CDATA section.
const char16_t* const kValuePaths[] = {
    u"/Settings/IAPSettings/IAPConnection/Username",
    u"/Settings/IAPSettings/IAPConnection/ScriptOptions/Script",
    u"/Settings/EMailSettings/Mailbox/Note",
    u"/Settings/PersonalData/WWWBookmarks/WWWBookmark/URL",
    u"/Settings/FileTransfer/Files/File/Local",
    u"/Settings/Extension/Item",
};

TEST_F(MsxmlTest, SavedValuesReadBackAsTheTreeHoldsThem) {
  CSettingsDocument document;
  LoadRich(document);
  const std::u16string path = u"msxml_values.xml";
  ASSERT_TRUE(document.SaveFile(path));
  for (auto& [progId, dom] : m_doms) {
    ASSERT_EQ(LoadFile(dom.Get(), path), "") << progId;
    for (const char16_t* valuePath : kValuePaths) {
      const CSettingsNode* node = FindByPath(*document.GetRoot(), valuePath);
      ASSERT_NE(node, nullptr) << AsUtf8(valuePath);
      EXPECT_EQ(SelectedText(dom.Get(), valuePath), node->GetValue()) << AsUtf8(valuePath) << ", " << progId;
    }
  }
  std::remove(AsUtf8(path).c_str());
}

struct DeviceCase {
  const char* what;
  void (*fill)(CSettingsDocument& document);
  const char16_t* path;  // a value to read back
  const char16_t* value;
};
const DeviceCase kDeviceCases[] = {
    {"the rich fixture's flags", LoadRich, u"/Settings/IAPSettings/IAPConnection/PhoneNumber",
     u"+44 (20) 123"},
    {"a created bookmark with markup and a multi-line update",
     [](CSettingsDocument& document) {
       CSettingsNode& root = *document.New();
       CSettingsNode& bookmarks = *root.FindChildOfType(92)->FindChildOfType(98);
       bookmarks.StoreFlags(true, false);
       std::vector<CSettingsRow> rows = {{u"A & <B>", u"http://x/?a=1&b=<2>", u"", u"", u""}};
       RowsToNode(bookmarks, rows);
       CSettingsNode& preferred = *root.FindChildOfType(2)->FindChildOfType(3);
       preferred.SetDisplayValue(u"a\nb");
       preferred.StoreFlags(false, true);
     },
     u"/Settings/PersonalData/WWWBookmarks/WWWBookmark/URL", u"http://x/?a=1&b=<2>"},
};

TEST_F(MsxmlTest, DeviceFormTextsAreWellFormed) {
  for (const auto& c : kDeviceCases) {
    CSettingsDocument document;
    c.fill(document);
    std::u16string text;
    ASSERT_TRUE(WriteSettingsDocument(*document.GetRoot(), text, true, nullptr)) << c.what;
    for (auto& [progId, dom] : m_doms) {
      EXPECT_EQ(LoadText(dom.Get(), text), "") << c.what << ", " << progId << "\n" << AsUtf8(text);
      EXPECT_EQ(RootName(dom.Get()), u"Settings") << c.what << ", " << progId;
      EXPECT_EQ(SelectedText(dom.Get(), c.path), c.value) << c.what << ", " << progId;
    }
  }
}

}  // namespace
}  // namespace orvel
