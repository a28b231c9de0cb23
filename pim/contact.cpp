#include "pim/contact.h"

#include <iterator>

#include "support/u16text.h"

namespace orvel {

namespace {

constexpr std::u16string_view kLabels[] = {
    u"NONE",                  // 2
    u"N:",                    // 3
    u"FN:",                   // 4
    u"TITLE:",                // 5
    u"ORG:",                  // 6
    u"ADR;HOME:",             // 7
    u"ADR;WORK:",             // 8
    u"ADR;POSTAL:",           // 9
    u"TEL:",                  // 10
    u"FOO:",                  // 11
    u"TEL;WORK;VOICE:",       // 12
    u"FOO:",                  // 13
    u"TEL;HOME;VOICE:",       // 14
    u"TEL;HOME:",             // 15
    u"TEL;CELL:",             // 16
    u"TEL;CAR:",              // 17
    u"FAX:",                  // 18
    u"TEL;HOME;FAX:",         // 19
    u"TEL;WORK;FAX:",         // 20
    u"EMAIL;PREF;INTERNET:",  // 21
    u"EMAIL;INTERNET:",       // 22
    u"EMAIL;INTERNET:",       // 23
    u"URL:",                  // 24
    u"NOTE:",                 // 25
    u"PASSWORD",              // 26
    u"DTMF",                  // 27
    u"TELF",                  // 28
    u"GROUPID",               // 29
    u"BDAY:",                 // 30
};
constexpr std::int32_t kFirstType = 2;
constexpr std::int32_t kLastType = kFirstType + static_cast<std::int32_t>(std::size(kLabels)) - 1;

bool HasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// A line break inside a value would start a new property line. With a property that has a value
// separator the value is written quoted-printable, which keeps the breaks; the few properties
// without one get the breaks folded (a line break followed by a blank continues the line).
std::u16string PropertyLine(std::u16string_view label, std::u16string_view value) {
  std::u16string line;
  if (!HasLineBreak(value)) {
    line.append(label).append(value);
  } else if (!label.empty() && label.back() == u':') {
    line.append(label.substr(0, label.size() - 1)).append(u";ENCODING=QUOTED-PRINTABLE:");
    for (char16_t c : value) {
      if (c == u'=') {
        line += u"=3D";
      } else if (c == u'\r') {
        line += u"=0D";
      } else if (c == u'\n') {
        line += u"=0A";
      } else {
        line += c;
      }
    }
  } else {
    line.append(label).append(ReplaceLineBreaks(value, u"\r\n "));
  }
  return line;
}

// A group prefix cannot hold a line break; one there would start a property line of its own.
std::u16string WithoutLineBreaks(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c != u'\r' && c != u'\n') out += c;
  }
  return out;
}

}  // namespace

std::u16string_view ContactFieldLabel(std::int32_t type) {
  if (type < kFirstType || type > kLastType) return u"!UNKNOWN!";
  return kLabels[type - kFirstType];
}

int CContact::AddField(const CContactField& field) {
  m_fields.push_back(field);
  return GetFieldCount() - 1;
}

const CContactField* CContact::GetField(int pos) const {
  if (pos < 0 || pos >= GetFieldCount()) return nullptr;
  return &m_fields[pos];
}

bool CContact::SetField(int pos, const CContactField& field) {
  if (pos < 0 || pos >= GetFieldCount()) return false;
  m_fields[pos] = field;
  return true;
}

bool CContact::RemoveField(int pos) {
  if (pos < 0 || pos >= GetFieldCount()) return false;
  m_fields.erase(m_fields.begin() + pos);
  return true;
}

int CContact::AddMember(CContact* member) {
  if (!member) return -1;
  m_members.push_back(member);
  return GetMemberCount() - 1;
}

CContact* CContact::GetMember(int pos) const {
  if (pos < 0 || pos >= GetMemberCount()) return nullptr;
  return m_members[pos];
}

bool CContact::RemoveMember(int pos) {
  if (pos < 0 || pos >= GetMemberCount()) return false;
  m_members.erase(m_members.begin() + pos);
  return true;
}

const CContactField* CContact::FindField(std::int32_t type) const {
  for (const auto& field : m_fields) {
    if (field.GetType() == type) return &field;
  }
  return nullptr;
}

std::u16string CContact::GetFieldValue(std::int32_t type) const {
  const CContactField* field = FindField(type);
  return field ? field->GetValue() : std::u16string();
}

std::u16string CContact::ToVCard() const {
  std::u16string text = u"BEGIN:VCARD\r\n";
  for (const auto& field : m_fields) {
    text += WithoutLineBreaks(field.GetPrefix());
    text += PropertyLine(field.GetLabel(), field.GetValue());
    text += u"\r\n";
  }
  text += u"END:VCARD\r\n";
  return text;
}

void CContact::Dump(std::u16string& out) const {
  for (const auto& field : m_fields) {
    out.append(u"[").append(field.GetLabel()).append(u"]  ");
    out.append(field.GetPrefix()).append(u" : ").append(field.GetValue()).append(u"\r\n");
  }
  if (m_group) {
    out += u"Members :\r\n";
    for (const CContact* member : m_members)
      out.append(u"        > ").append(member->GetName()).append(u"\r\n");
  }
}

}  // namespace orvel
