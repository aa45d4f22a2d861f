#include "drive/connection/catalogue_coverage.h"

#include "vq_database.h"

#include <algorithm>
#include <set>
#include <vector>

namespace tarvex {

namespace {

// The groups the parameter window shows.
constexpr int kCatalogueGroups = 8;
// Far more than any group holds (a group is one block of at most 124
// registers); a catalogue answering more is not believed beyond this.
constexpr int kMostRecordsPerGroup = 256;

bool drawsNothing(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == U' ' || c == 0xA0 || c == 0x3000 ||
           (c >= 0x2000 && c <= 0x200F) || c == 0xFEFF;
}

} // namespace

std::u32string undrawableCharacters(std::u16string_view text, const CharacterCoverage &canDraw,
                                    std::size_t limit)
{
    std::u32string missing;
    std::set<char32_t> asked;
    for (std::size_t i = 0; i < text.size() && missing.size() < limit; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        if (drawsNothing(c) || !asked.insert(c).second)
            continue;
        if (!canDraw || !canDraw(c))
            missing.push_back(c);
    }
    return missing;
}

std::u16string catalogueDisplayTexts(const DatabaseLibrary &database)
{
    std::u16string texts;
    for (int group = 0; group < kCatalogueGroups; ++group) {
        const int count = std::min(database.GetPrmCntInGrp(group), kMostRecordsPerGroup);
        if (count <= 0)
            continue;
        std::vector<ParameterAttribute> records(static_cast<std::size_t>(count));
        if (!database.GetParamAttr(group, records.data(), count))
            continue;
        texts += records.front().Param_Group_Name;
        texts += u'\n';
        for (const ParameterAttribute &record : records) {
            texts += record.Param_Name;
            texts += u'\n';
            texts += record.Param_Unit;
            texts += u'\n';
        }
    }
    return texts;
}

} // namespace tarvex
