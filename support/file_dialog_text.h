// The texts that the common file dialogs take and give, apart from the dialogs themselves.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvel {

// A filter written with "|" ("Name (*.xml)|*.xml|All files (*.*)|*.*||") as the dialog takes it:
// each "|" a NUL, and the whole ended by two NULs whether or not the text ends with "||".
std::u16string FileDialogFilter(std::u16string_view filter);

// The files of a dialog's answer: one full path, or with several files the folder, then each name,
// each ended by a NUL and the whole by a second NUL. A name that is itself a full path is taken as
// it stands.
std::vector<std::u16string> SplitFileDialogAnswer(std::u16string_view answer);

}  // namespace orvel
