// The in-place editors' rules without windows: the characters the number and phone editors let
// through, the saturating clamp, the IP address fields, the choice texts and the Name field.
#include "ui/tree/editor_logic.h"

#include <gtest/gtest.h>

#include "settings/settings_validate.h"
#include "support/u16text.h"

namespace orvel::ui {
namespace {

struct CleanCase {
  const char16_t* typed;
  const char16_t* kept;
};

const CleanCase kDigitCases[] = {
    {u"123", u"123"}, {u"12a3", u"123"}, {u"a", u""}, {u"", u""}, {u" 4-5+", u"45"}, {u"\uFF11", u""},
};

TEST(NumberEditor, RemovesEverythingButDigits) {
  for (const auto& c : kDigitCases) {
    std::u16string text = c.typed;
    const bool removed = RemoveNonDigits(text);
    EXPECT_EQ(text, c.kept) << AsUtf8(c.typed);
    EXPECT_EQ(removed, text.size() != std::u16string_view(c.typed).size()) << AsUtf8(c.typed);
  }
}

struct PhoneCase {
  uint32_t type;
  const char16_t* typed;
  const char16_t* kept;
};

const PhoneCase kPhoneCases[] = {
    {7, u"+44 (20) 7946-0018 p12w#*", u"+44 (20) 7946-0018 p12w#*"},
    {7, u"0800abcx", u"0800"},
    {91, u"+358 40-1", u"+358401"},
    {93, u"+3584012", u"+3584012"},
    {93, u"358+40+12", u"3584012"},  // a "+" survives only as the first character
    {93, u"++1", u"+1"},
    {93, u"*#12p", u"*#12"},
    {29, u"1+2", u"1+2"},  // other types keep a "+" anywhere
};

TEST(PhoneEditor, KeepsTheCharsetOfTheNodeType) {
  for (const auto& c : kPhoneCases) {
    std::u16string text = c.typed;
    RemoveDisallowed(text, GetPhoneCharset(c.type), c.type);
    EXPECT_EQ(text, c.kept) << c.type << " " << AsUtf8(c.typed);
  }
}

TEST(PhoneEditor, ReportsWhetherSomethingWasRemoved) {
  std::u16string kept = u"+12";
  EXPECT_FALSE(RemoveDisallowed(kept, GetPhoneCharset(93), 93));
  std::u16string removed = u"1+2";
  EXPECT_TRUE(RemoveDisallowed(removed, GetPhoneCharset(93), 93));
}

struct ClampCase {
  const char16_t* text;
  uint32_t low, high, expected;
};

const ClampCase kClampCases[] = {
    {u"80", 0, 65535, 80},
    {u"70000", 0, 65535, 65535},
    {u"4294967296", 0, 65535, 65535},  // must not wrap to 0
    {u"4294967376", 0, 65535, 65535},  // nor to 80
    {u"99999999999999999999999", 0, 65535, 65535},
    {u"", 0, 65535, 0},
    {u"0", 1, 1000, 1},
    {u"5000", 1, 1000, 1000},
    {u"12kB", 1, 1000, 12},
};

TEST(NumberEditor, ClampSaturates) {
  for (const auto& c : kClampCases)
    EXPECT_EQ(ClampDecimal(c.text, c.low, c.high), c.expected) << AsUtf8(c.text);
}

struct AddressCase {
  const char16_t* text;
  std::array<uint64_t, 4> fields;
};

const AddressCase kAddressCases[] = {
    {u"10.0.5", {10, 0, 5, 0}}, {u"192.168.255.1", {192, 168, 255, 1}},
    {u"", {0, 0, 0, 0}},        {u"7", {7, 0, 0, 0}},
    {u"1..3.4", {1, 0, 3, 4}},  {u"a.b.c.d", {0, 0, 0, 0}},
};

TEST(AddressControl, SetAddressTextFillsTheFields) {
  for (const auto& c : kAddressCases) EXPECT_EQ(ParseAddressFields(c.text), c.fields) << AsUtf8(c.text);
}

TEST(AddressControl, AnOverlongNumberSaturatesAndIsCorrectedToTheHighLimit) {
  const auto fields = ParseAddressFields(u"4294967296.1.2.3");
  EXPECT_EQ(CorrectFieldValue(static_cast<int64_t>(std::min<uint64_t>(fields[0], INT64_MAX)), 0, 255), 255);
}

struct FieldCase {
  int64_t value;
  int low, high, expected;
};

const FieldCase kFieldCases[] = {
    {255, 0, 255, 255},  // a valid field of an address such as 10.255.0.1
    {0, 0, 255, 0},      // the default address 0.0.0.0
    {256, 0, 255, 255}, {999, 0, 255, 255},
    {-5, 0, 255, 0},    {0, 1, 254, 1},  // a narrower range, when one is given, still corrects
    {255, 1, 254, 254},
};

TEST(AddressControl, FieldValuesAreCorrectedToTheirRange) {
  for (const auto& c : kFieldCases)
    EXPECT_EQ(CorrectFieldValue(c.value, c.low, c.high), c.expected)
        << c.value << " in " << c.low << ".." << c.high;
}

TEST(AddressControl, FormatsTheFields) {
  EXPECT_EQ(FormatAddress({192, 168, 255, 1}), u"192.168.255.1");
  EXPECT_EQ(FormatAddress({0, 0, 0, 0}), u"0.0.0.0");
}

struct MoveCase {
  int field;
  bool typed;
  char16_t c;
  size_t length;
  bool moves;
};

const MoveCase kMoveCases[] = {
    {0, true, u'2', 3, true},    {0, true, u'.', 1, true},
    {2, true, u'5', 3, true},    {0, true, u'1', 1, false},  // "192" is still being typed
    {1, false, u'\0', 3, false},                             // a change seen as the field loses the focus
    {3, true, u'5', 3, false},                               // the last field has no next
};

TEST(AddressControl, FocusMovesOnlyWhenTypingCompletesAField) {
  for (const auto& c : kMoveCases)
    EXPECT_EQ(MovesToNextField(c.field, c.typed, c.c, c.length), c.moves) << c.field << " " << c.length;
}

TEST(AddressControl, ASeparatorMovesOnUnlessTypingJustDid) {
  EXPECT_EQ(OnSeparator(0, false), SeparatorAction::kNextField);  // "10."
  EXPECT_EQ(OnSeparator(1, true), SeparatorAction::kDrop);        // "192." after "192" moved on
  EXPECT_EQ(OnSeparator(2, false), SeparatorAction::kNextField);  // "." on an untouched field skips it
  EXPECT_EQ(OnSeparator(3, false), SeparatorAction::kDrop);
}

TEST(Choices, StoredAndShownParts) {
  EXPECT_EQ(ChoiceStored(u"0\nNever"), u"0");
  EXPECT_EQ(ChoiceShown(u"0\nNever"), u"Never");
  EXPECT_EQ(ChoiceStored(u"Always"), u"Always");
  EXPECT_EQ(ChoiceShown(u"Always"), u"Always");
}

const std::vector<std::u16string> kChoices = {u"1\nPOP3", u"2\nIMAP4", u"3\nIMAP4 over SSL", u"Other"};

struct SelectCase {
  const char16_t* shown;
  bool freeText;
  int expected;
};

const SelectCase kSelectCases[] = {
    {u"IMAP4", false, 1},  {u"IMAP4 over SSL", false, 2}, {u"IMAP", false, -1},
    {u"2", false, -1},     {u"Other", false, 3},          {u"IMAP", true, 1},
    {u"IMAP4 o", true, 2}, {u"SMTP", true, -1},
};

TEST(Choices, KindThirteenSelectsTheEqualChoiceAndKindFourteenTheFirstThatBeginsWithIt) {
  for (const auto& c : kSelectCases)
    EXPECT_EQ(SelectedChoice(kChoices, c.shown, c.freeText), c.expected)
        << AsUtf8(c.shown) << " " << c.freeText;
}

TEST(Choices, StoredChoiceOfAShownText) {
  std::u16string stored;
  ASSERT_TRUE(StoredChoiceFor(kChoices, u"IMAP4", stored));
  EXPECT_EQ(stored, u"2");
  ASSERT_TRUE(StoredChoiceFor(kChoices, u"Other", stored));
  EXPECT_EQ(stored, u"Other");
  EXPECT_FALSE(StoredChoiceFor(kChoices, u"IMAP", stored));  // a free text that names no choice
}

TEST(TextEditor, NameSwallowsAngleBrackets) {
  EXPECT_TRUE(SwallowsCharacter(49, u'<'));
  EXPECT_TRUE(SwallowsCharacter(49, u'>'));
  EXPECT_FALSE(SwallowsCharacter(49, u'a'));
  EXPECT_FALSE(SwallowsCharacter(48, u'<'));
}

}  // namespace
}  // namespace orvel::ui
