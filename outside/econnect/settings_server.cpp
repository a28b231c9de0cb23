#include "outside/econnect/settings_server.h"

#include <fstream>
#include <iterator>

#include "outside/econnect/device.h"
#include "support/u16text.h"

namespace orvel::econnect {

namespace fs = std::filesystem;

namespace {

// Deeper documents are refused rather than risking the stack.
constexpr int kMaxDepth = 64;

struct Node {
  std::u16string name;
  std::size_t begin = 0, end = 0;  // the element's whole text
  std::vector<Node> children;
};

bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'-' || c == u'.' || c == u':' || c > 0x7F;
}

class Scanner {
 public:
  explicit Scanner(const std::u16string& text) : m_text(text) {}

  // Skips the prolog (declaration, comments, white space) and reads the document element.
  std::optional<Node> Document() {
    while (m_pos < m_text.size()) {
      if (StartsWith(u"<?")) {
        if (!SkipPast(u"?>")) return std::nullopt;
      } else if (StartsWith(u"<!--")) {
        if (!SkipPast(u"-->")) return std::nullopt;
      } else if (m_text[m_pos] == u'<') {
        Node node;
        if (!Element(node, 0)) return std::nullopt;
        return node;
      } else {
        ++m_pos;
      }
    }
    return std::nullopt;
  }

 private:
  bool StartsWith(std::u16string_view s) const { return m_text.compare(m_pos, s.size(), s) == 0; }
  bool SkipPast(std::u16string_view s) {
    std::size_t found = m_text.find(s, m_pos);
    if (found == std::u16string::npos) return false;
    m_pos = found + s.size();
    return true;
  }
  std::u16string Name() {
    std::size_t start = m_pos;
    while (m_pos < m_text.size() && IsNameChar(m_text[m_pos])) ++m_pos;
    return m_text.substr(start, m_pos - start);
  }

  bool Element(Node& node, int depth) {
    if (depth > kMaxDepth) return false;
    node.begin = m_pos++;  // '<'
    node.name = Name();
    if (node.name.empty()) return false;
    // Attributes up to '>' or "/>", quotes respected.
    char16_t quote = 0;
    for (;; ++m_pos) {
      if (m_pos >= m_text.size()) return false;
      char16_t c = m_text[m_pos];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == u'"' || c == u'\'') {
        quote = c;
      } else if (c == u'>') {
        ++m_pos;
        break;
      } else if (c == u'/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'>') {
        m_pos += 2;
        node.end = m_pos;
        return true;
      }
    }
    while (m_pos < m_text.size()) {
      if (StartsWith(u"</")) {
        m_pos += 2;
        if (Name() != node.name) return false;
        while (m_pos < m_text.size() && m_text[m_pos] != u'>') ++m_pos;
        if (m_pos >= m_text.size()) return false;
        node.end = ++m_pos;
        return true;
      }
      if (StartsWith(u"<![CDATA[")) {
        if (!SkipPast(u"]]>")) return false;
      } else if (StartsWith(u"<!--")) {
        if (!SkipPast(u"-->")) return false;
      } else if (StartsWith(u"<?")) {
        if (!SkipPast(u"?>")) return false;
      } else if (m_text[m_pos] == u'<') {
        node.children.emplace_back();
        if (!Element(node.children.back(), depth + 1)) return false;
      } else {
        ++m_pos;
      }
    }
    return false;
  }

  const std::u16string& m_text;
  std::size_t m_pos = 0;
};

std::uint32_t ToU32(const std::string& text) {
  try {
    return static_cast<std::uint32_t>(std::stoull(text, nullptr, 0));
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

std::optional<std::vector<SettingsElement>> ScanSettingsElements(const std::u16string& text) {
  Scanner scanner(text);
  std::optional<Node> document = scanner.Document();
  if (!document || document->name != u"Settings") return std::nullopt;
  std::vector<SettingsElement> elements;
  auto add = [&](const Node& node) {
    elements.push_back({node.name, text.substr(node.begin, node.end - node.begin)});
  };
  for (const Node& child : document->children) {
    if (child.name == u"PersonalData") {
      for (const Node& item : child.children) add(item);
    } else {
      add(child);
    }
  }
  return elements;
}

std::optional<std::u16string> ReadUtf16File(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t start = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                              static_cast<unsigned char>(bytes[1]) == 0xFE
                          ? 2
                          : 0;
  if ((bytes.size() - start) % 2 != 0) return std::nullopt;
  std::u16string text;
  text.reserve((bytes.size() - start) / 2);
  for (std::size_t i = start; i + 1 < bytes.size(); i += 2)
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  static_cast<unsigned char>(bytes[i + 1]) << 8);
  return text;
}

fs::path StoreFile(const fs::path& root, const std::u16string& name) {
  return root / kStoreFolderName / fs::path(AsUtf8(name) + ".xml");
}

std::optional<wire::Bytes> CSettingsServer::Handle(std::uint8_t command, const std::uint8_t* payload,
                                                    std::size_t size) {
  CDeviceState state = CDeviceState::Load(m_root);
  if (state.Number("settings_silent") != 0) return std::nullopt;
  wire::CRequestReader reader(payload, size);
  switch (command) {
    case wire::kApply: {
      std::optional<std::u16string> path = reader.Text();
      if (!path) return Failure(kServerMalformedRequest, 0, u"Malformed request", true);
      if (m_phase != Phase::Idle)
        return Failure(kServerUnexpectedCommand, command, u"Unexpected command", false);
      if (state.Has("settings_error") && !state.Text("settings_error").empty()) {
        std::vector<std::string> f = SplitFields(state.Text("settings_error"), 3);
        f.resize(3);
        return Failure(ToU32(f[0]), ToU32(f[1]), FromUtf8(f[2]), false);
      }
      m_question.clear();
      if (!state.Text("settings_question").empty()) {
        m_question = SplitFields(state.Text("settings_question"), 4);
        m_question.resize(4);
      }
      return Apply(*path);
    }
    case wire::kFinish:
      if (m_phase != Phase::Idle)
        return Failure(kServerUnexpectedCommand, command, u"Unexpected command", false);
      return wire::CResponse(wire::kFinished).Encode();
    case wire::kProgressAnswer:
    case wire::kQuestionAnswer: {
      std::optional<std::uint32_t> answer = reader.Value();
      if (!answer) return Failure(kServerMalformedRequest, 0, u"Malformed request", true);
      Phase expected = command == wire::kProgressAnswer ? Phase::AwaitProgressAnswer : Phase::AwaitQuestionAnswer;
      if (m_phase != expected)
        return Failure(kServerUnexpectedCommand, command, u"Unexpected command", false);
      if (*answer == wire::kStopAnswer) return Cancelled();
      return Step();
    }
    default:
      return Failure(kServerMalformedRequest, command, u"Unknown command", true);
  }
}

wire::Bytes CSettingsServer::Apply(const std::u16string& devicePath) {
  std::optional<fs::path> file = DeviceFile(m_root, devicePath);
  std::optional<std::u16string> text;
  if (file) text = ReadUtf16File(*file);
  if (!text) return Failure(kServerFileError, 0, u"Cannot read the settings file", false);
  std::optional<std::vector<SettingsElement>> elements = ScanSettingsElements(*text);
  if (!elements) return Failure(kServerInvalidFile, 0, u"Invalid settings file", false);
  m_elements = std::move(*elements);
  m_next = 0;
  m_asked = false;
  m_phase = Phase::AwaitProgressAnswer;
  // Stage 3: the server starts applying.
  return wire::CResponse(wire::kProgress).Value(3).Text(u"").Value(0).Encode();
}

wire::Bytes CSettingsServer::Step() {
  if (m_next >= m_elements.size()) {
    m_phase = Phase::Idle;
    return wire::CResponse(wire::kApplied).Encode();
  }
  const SettingsElement& element = m_elements[m_next];
  std::u16string questionTag = m_question.empty() ? u"" : FromUtf8(m_question[2]);
  if (!m_question.empty() && !m_asked && (questionTag.empty() || questionTag == element.name)) {
    m_asked = true;
    m_phase = Phase::AwaitQuestionAnswer;
    return wire::CResponse(wire::kQuestion)
        .Value(ToU32(m_question[0]))
        .Value(ToU32(m_question[1]))
        .Text(questionTag.empty() ? element.name : questionTag)
        .Text(FromUtf8(m_question[3]))
        .Encode();
  }
  std::error_code error;
  fs::create_directories(m_root / kStoreFolderName, error);
  std::ofstream out(StoreFile(m_root, element.name), std::ios::binary | std::ios::trunc);
  out << AsUtf8(element.text);
  if (!out) {
    m_phase = Phase::Idle;
    return Failure(kServerFileError, 0, u"Cannot write the settings store", false);
  }
  ++m_next;
  m_phase = Phase::AwaitProgressAnswer;
  // Stage 4 reports the progress within the element named: this one is applied in full.
  return wire::CResponse(wire::kProgress).Value(4).Text(element.name).Value(100).Encode();
}

wire::Bytes CSettingsServer::Cancelled() {
  m_phase = Phase::Idle;
  return wire::CResponse(wire::kAcknowledged).Encode();
}

wire::Bytes CSettingsServer::Failure(std::uint32_t code, std::uint32_t exError, const std::u16string& text,
                                     bool errorResponse) {
  return wire::CResponse(wire::kFailed).Value(code).Value(exError).Text(text).Encode(errorResponse);
}

}  // namespace orvel::econnect
