// The large generated documents of the benchmarks: WAP bookmarks and a tenth as many access points.
#pragma once

#include <cstddef>

namespace orvel {

class CSettingsDocument;
class CSettingsNode;

// A document whose WAP bookmark list holds `count` created bookmarks (so the device form carries
// them too), with an entity in every URL and a scrambled password, and whose IAPSettings hold
// count / 10 created access points (their names are checked against the others' on every read).
// Every value is valid, so both validations walk the whole document.
void FillBenchDocument(CSettingsDocument& document, size_t count);

CSettingsNode& BenchBookmarkList(const CSettingsNode& root);
size_t BenchAccessPointCount(const CSettingsNode& root);

}  // namespace orvel
