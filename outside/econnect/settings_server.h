// The device's settings server: applies the settings file that lies on the device element by
// element to the device-side settings store, one request and one response at a time. Portable.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "outside/econnect/device_wire.h"

namespace orvel::econnect {

// The units that the server applies: each top-level element of the settings file, and each child
// of "PersonalData" on its own. Text is the element's whole text.
struct SettingsElement {
  std::u16string name;
  std::u16string text;
};
// No value when the text is not a settings document.
std::optional<std::vector<SettingsElement>> ScanSettingsElements(const std::u16string& text);

// The settings file as stored: UTF-16LE, with or without the byte-order mark.
std::optional<std::u16string> ReadUtf16File(const std::filesystem::path& file);

// The device-side settings store: one file "<name>.xml" (UTF-8) per applied element.
std::filesystem::path StoreFile(const std::filesystem::path& root, const std::u16string& name);

// Error codes of the server's own failures (state 1 or an error response).
enum : std::uint32_t {
  kServerMalformedRequest = 200,
  kServerUnexpectedCommand = 201,
  kServerFileError = 202,
  kServerInvalidFile = 203,
};

class CSettingsServer {
 public:
  explicit CSettingsServer(std::filesystem::path root) : m_root(std::move(root)) {}

  // Handles one request. No value: the server stays silent (the state file says so).
  std::optional<wire::Bytes> Handle(std::uint8_t command, const std::uint8_t* payload, std::size_t size);

 private:
  enum class Phase { Idle, AwaitProgressAnswer, AwaitQuestionAnswer };

  wire::Bytes Apply(const std::u16string& devicePath);
  wire::Bytes Step();
  wire::Bytes Cancelled();
  static wire::Bytes Failure(std::uint32_t code, std::uint32_t exError, const std::u16string& text,
                              bool errorResponse);

  std::filesystem::path m_root;
  Phase m_phase = Phase::Idle;
  std::vector<SettingsElement> m_elements;
  std::size_t m_next = 0;
  bool m_asked = false;
  std::vector<std::string> m_question;  // hError, answers, tag, name
};

}  // namespace orvel::econnect
