#pragma once

// The sample cells of the Samples menu: ready-made crystals given by name, space
// group and cell, read from the user-editable lib/cellmenu.txt of the user folder.
//
// A line of the file is  name : number symbol a b c alpha beta gamma
// ("'" starts a comment; tabs are not separators; at most 301 entries are read).

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::structure {

// Entries read from the file stop after this many.
constexpr std::size_t kMaxSamples = 301;

// Name and cell of one sample as the document's setCell takes them: the name,
// then space-group number, space-group symbol, a, b, c, alpha, beta, gamma.
using SampleCell = std::array<std::string, 9>;

// The sample list, in menu order. The application keeps one for its whole run.
struct SampleList {
    std::vector<std::string> names;
    // The eight data words of each entry joined by single blanks.
    std::vector<std::string> data;

    std::size_t size() const { return names.size(); }
    bool empty() const { return names.empty(); }

    const std::vector<std::string>& getSampleNames() const { return names; }
    // Entry i (0-based): tabs in the data count as blanks here. A word missing
    // after that split is left empty, extra words are dropped. Error 9 for a bad i.
    SampleCell getSample(std::size_t i) const;
    // The Samples menu caption of entry i: "3. <TAB>W", the names lined up in a column.
    std::string menuCaption(std::size_t i) const;
};

// The 22 cells used when there is no sample file.
SampleList builtInSamples();

// The sample file written when there is none: the built-in cells in three
// groups under a comment header. CR LF line ends.
std::string defaultSampleFileText();

// The shorter file that the menu's "Edit..." writes when there is none.
std::string shortSampleFileText();

// Reads the entries of a sample file's text; lines may end in CR LF, LF or CR.
// Lines that are not entries are passed over, so this never fails.
SampleList readSampleFile(std::string_view text);

// <userFolder>/lib/cellmenu.txt
std::filesystem::path sampleFilePath(const std::filesystem::path& userFolder);

// The start-up load: the user's sample file when it exists and is not empty;
// otherwise (or when it cannot be read) the built-in list, and the default file is
// written to the user folder - and, when the user folder is another folder, copied
// to the program folder's lib/ as well. Failing to write never stops the load.
SampleList loadSamples(const std::filesystem::path& userFolder, const std::filesystem::path& programFolder);

// For "Edit...": writes the short file at path when it is missing or empty, so
// that the editor opens on something. Returns true when it wrote the file;
// Error 75 (naming the path) when it cannot.
bool ensureShortSampleFile(const std::filesystem::path& path);

}  // namespace lumora::structure
