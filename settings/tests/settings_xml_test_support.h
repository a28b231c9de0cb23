// Helpers of the settings XML tests and the fuzz target: tree comparison, file bytes, test data.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/settings_node.h"
#include "support/u16text.h"

namespace orvel::test {

// The first difference between two trees as a readable path, or the empty text when they agree
// in every field and every child.
inline std::string TreeDifference(const CSettingsNode& a, const CSettingsNode& b,
                                  const std::string& path = "") {
  std::u16string nameA, nameB;
  a.GetNodeName(nameA, false);
  b.GetNodeName(nameB, false);
  const std::string here = path + "/" + AsUtf8(nameA) + "(" + std::to_string(a.GetType()) + ")";
  if (a.GetType() != b.GetType()) return here + ": type " + std::to_string(b.GetType());
  if (nameA != nameB || a.GetOwnName() != b.GetOwnName()) return here + ": name " + AsUtf8(nameB);
  if (a.GetKind() != b.GetKind()) return here + ": kind";
  if (a.GetValue() != b.GetValue())
    return here + ": value '" + AsUtf8(a.GetValue()) + "' / '" + AsUtf8(b.GetValue()) + "'";
  if (a.IsCreated() != b.IsCreated() || a.IsUpdated() != b.IsUpdated()) return here + ": flags";
  if (a.IsEnabled() != b.IsEnabled()) return here + ": enabled";
  if (a.GetExtra() != b.GetExtra())
    return here + ": extra '" + AsUtf8(a.GetExtra()) + "' / '" + AsUtf8(b.GetExtra()) + "'";
  if (a.GetAux() != b.GetAux()) return here + ": aux";
  if (a.GetChildCount() != b.GetChildCount()) {
    return here + ": " + std::to_string(a.GetChildCount()) + " / " + std::to_string(b.GetChildCount()) +
           " children";
  }
  for (size_t i = 0; i < a.GetChildCount(); ++i) {
    std::string d = TreeDifference(*a.GetChild(i), *b.GetChild(i), here);
    if (!d.empty()) return d;
  }
  return "";
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// UTF-16LE bytes of a text.
inline std::string Utf16Bytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

// A file of settings/tests/testdata, as a path the test program can open (under Wine the host's root
// is drive Z:).
inline std::u16string TestDataPath(const std::string& name) {
  const char* root = std::getenv("ORVEL_SOURCE_DIR");
  std::string path = std::string(root ? root : ".") + "/settings/tests/testdata/" + name;
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return FromUtf8(path);
}

}  // namespace orvel::test
