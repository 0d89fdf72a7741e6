#include "symmetry/SpaceGroupTable.h"

#include <cctype>

#include "symmetry/SpaceGroupData.h"
#include "util/TextSplit.h"

namespace lumora::symmetry {

const std::array<SpaceGroupRow, kSpaceGroupRows>& spaceGroupTable() { return data::kRows; }

std::string hmLabel(const SpaceGroupRow& row) { return util::replaceAll(row.labels, "_", " "); }

std::string fullLabel(const SpaceGroupRow& row) {
    std::string label = hmLabel(row);
    const std::string extension = row.extension;
    if (!extension.empty()) label += " = " + util::trim(row.number) + ":" + extension;
    return label;
}

std::string spaceGroupSymbol(int number) {
    if (number < 1 || number > static_cast<int>(data::kShortSymbols.size())) return {};
    std::string symbol = util::toLower(data::kShortSymbols[number - 1]);
    if (!symbol.empty()) symbol[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(symbol[0])));
    return symbol;
}

std::string spaceGroupListItem(int number) {
    return util::padLeft(std::to_string(number), 3) + ": " + spaceGroupSymbol(number);
}

}  // namespace lumora::symmetry
