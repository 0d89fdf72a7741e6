#include "structure/Samples.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "util/Error.h"
#include "util/InputFile.h"
#include "util/TextSplit.h"

namespace lumora::structure {

namespace {

namespace fs = std::filesystem;

// Name, then the eight data words.
constexpr std::string_view kBuiltIn[] = {
    "Cu 225 FM3M 3.6174 3.6174 3.6174 90 90 90",         "Si 227 FD3M 5.4307 5.4307 5.4307 90 90 90",
    "W 229 IM3M 3.16522 3.16522 3.16522 90 90 90",       "Mg 194 P63/MMC 3.2094 3.2094 5.2103 90 90 120",
    "In 139 I4/MMM 3.253 3.253 4.9455 90 90 90",         "Pa 139 I4/MMM 3.932 3.932 3.28 90 90 90",
    "Se 152 P3121 4.3656 4.3656 4.959 90 90 120",        "Ga 64 CMCA 4.5186 7.657 4.5258 90 90 90",
    "I2 64 CMCA 7.2647 4.7857 9.7908 90 90 90",          "P(black) 64 CMCA 3.3136 10.478 4.3763 90 90 90",
    "Diamond 227 FD3M 3.56703 3.56703 3.56703 90 90 90", "Graphite 186 P63MC 2.4612 2.4612 6.7079 90 90 120",
    "Quartz 154 P3221 4.9128 4.9128 5.4042 90 90 120",   "Corundum 167 R-3C 4.758 4.758 12.991 90 90 120",
    "alpha-As 166 R-3M 3.7598 3.7598 10.5475 90 90 120", "alpha-Hg 166 R-3M 3.4646 3.4646 6.6772 90 90 120",
    "alpha-La 194 P63/MMC 3.77 3.77 12.159 90 90 120",   "alpha-Po 221 PM3M 3.352 3.352 3.352 90 90 90",
    "alpha-Sm 166 R-3M 3.629 3.629 26.207 90 90 120",    "alpha-U 63 CMCM 2.84785 5.85801 4.94553 90 90 90",
    "alpha-Pu 11 P21/M 6.183 4.822 10.963 90 101.79 90", "beta-Sn 141 I41/AMD 5.8316 5.8316 3.1813 90 90 90",
};

// The entry lines of the files, aligned for reading in an editor.
constexpr std::string_view kEntryLines[] = {
    "Cu        : 225  FM3M    3.6174   3.6174   3.6174  90   90     90",
    "Si        : 227  FD3M    5.4307   5.4307   5.4307  90   90     90",
    "W         : 229  IM3M    3.16522  3.16522  3.16522 90   90     90",
    "Mg        : 194  P63/MMC 3.2094   3.2094   5.2103  90   90    120",
    "In        : 139  I4/MMM  3.253    3.253    4.9455  90   90     90",
    "Pa        : 139  I4/MMM  3.932    3.932    3.28    90   90     90",
    "Se        : 152  P3121   4.3656   4.3656   4.959   90   90    120",
    "Ga        :  64  CMCA    4.5186   7.657    4.5258  90   90     90",
    "I2        :  64  CMCA    7.2647   4.7857   9.7908  90   90     90",
    "P(black)  :  64  CMCA    3.3136  10.478    4.3763  90   90     90",
    "Diamond   : 227  FD3M    3.56703  3.56703  3.56703 90   90     90",
    "Graphite  : 186  P63MC   2.4612   2.4612   6.7079  90   90    120",
    "Quartz    : 154  P3221   4.9128   4.9128   5.4042  90   90    120",
    "Corundum  : 167  R-3C    4.758    4.758   12.991   90   90    120",
    "alpha-As  : 166  R-3M    3.7598   3.7598  10.5475  90   90    120",
    "alpha-Hg  : 166  R-3M    3.4646   3.4646   6.6772  90   90    120",
    "alpha-La  : 194  P63/MMC 3.77     3.77    12.159   90   90    120",
    "alpha-Po  : 221  PM3M    3.352    3.352    3.352   90   90     90",
    "alpha-Sm  : 166  R-3M    3.629    3.629   26.207   90   90    120",
    "alpha-U   :  63  CMCM    2.84785  5.85801  4.94553 90   90     90",
    "alpha-Pu  :  11  P21/M   6.183    4.822   10.963   90  101.79  90",
    "beta-Sn   : 141  I41/AMD 5.8316   5.8316   3.1813  90   90     90",
};
// The default file puts a blank line before these entries (Cu, P(black), alpha-As).
constexpr std::size_t kGroupStarts[] = {0, 9, 14};

constexpr std::string_view kLineEnd = "\r\n";

void addLine(std::string& text, std::string_view line) {
    text += line;
    text += kLineEnd;
}

std::string joinBlanks(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words) {
        if (!text.empty()) text += ' ';
        text += word;
    }
    return text;
}

bool hasContent(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    const auto size = fs::file_size(path, ec);
    return !ec && size >= 1;
}

bool readWholeFile(const fs::path& path, std::string& text) {
    try {
        text = util::readInputFile(path);
        return true;
    } catch (const Error&) {
        return false;
    }
}

// Something is at the path: a file of the user's (or a FIFO, a folder) that is
// never to be replaced.
bool occupied(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool writeWholeFile(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return static_cast<bool>(out);
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    const auto ca = fs::weakly_canonical(a, ec);
    if (ec) return a.lexically_normal() == b.lexically_normal();
    const auto cb = fs::weakly_canonical(b, ec);
    if (ec) return a.lexically_normal() == b.lexically_normal();
    return ca == cb;
}

}  // namespace

SampleCell SampleList::getSample(std::size_t i) const {
    if (i >= names.size() || i >= data.size())
        throw Error(Error::SubscriptOutOfRange,
                    "Subscript out of range: there is no sample " + std::to_string(i));
    std::string words = data[i];
    std::replace(words.begin(), words.end(), '\t', ' ');
    const auto split = util::splitBlanks(words);
    SampleCell cell;
    cell[0] = names[i];
    for (std::size_t w = 0; w < 8 && w < split.size(); ++w) cell[w + 1] = split[w];
    return cell;
}

std::string SampleList::menuCaption(std::size_t i) const {
    if (i >= names.size())
        throw Error(Error::SubscriptOutOfRange,
                    "Subscript out of range: there is no sample " + std::to_string(i));
    return std::to_string(i + 1) + ". \t" + names[i];
}

SampleList builtInSamples() {
    SampleList list;
    for (std::string_view entry : kBuiltIn) {
        const auto blank = entry.find(' ');
        list.names.push_back(util::trim(entry.substr(0, blank)));
        list.data.push_back(util::trim(entry.substr(blank + 1)));
    }
    return list;
}

std::string defaultSampleFileText() {
    std::string text;
    addLine(text, "'- You may edit this file. Up to 300 cells can be added to the Samples-menu.");
    addLine(text, "'- No spaces allowed within the spacegroup symbols");
    addLine(text, "'- You can comment out a line by starting the line with '");
    addLine(text, "'- Save changes and restart Lumora to update the menu [Samples]");
    for (std::size_t i = 0; i < std::size(kEntryLines); ++i) {
        if (std::find(std::begin(kGroupStarts), std::end(kGroupStarts), i) != std::end(kGroupStarts))
            addLine(text, "");
        addLine(text, kEntryLines[i]);
    }
    addLine(text, "");
    return text;
}

std::string shortSampleFileText() {
    std::string text;
    addLine(text, "'You may edit this file. Up to 30 cells can be added to the Samples-menu.");
    // Padded with blanks to the end of its print zone (zones of 14 characters).
    std::string second = "'No spaces allowed within the spacegroup symbols";
    second.append(14 - second.size() % 14, ' ');
    addLine(text, second);
    addLine(text, "");
    for (std::size_t i = 0; i < 4; ++i) addLine(text, kEntryLines[i]);
    addLine(text, "");
    addLine(text, "'you can comment out a line by starting the line with '");
    return text;
}

SampleList readSampleFile(std::string_view text) {
    SampleList list;
    for (std::string_view raw : util::splitLines(text)) {
        const std::string line = util::trim(raw);
        if (line.empty() || line.front() == '\'') continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        // Anything after the first ":" is data, a second ":" included.
        const auto words = util::splitBlanks(std::string_view(line).substr(colon + 1));
        if (words.size() != 8) continue;
        list.names.push_back(util::trim(std::string_view(line).substr(0, colon)));
        list.data.push_back(joinBlanks(words));
        if (list.size() >= kMaxSamples) break;
    }
    return list;
}

fs::path sampleFilePath(const fs::path& userFolder) { return userFolder / "lib" / "cellmenu.txt"; }

SampleList loadSamples(const fs::path& userFolder, const fs::path& programFolder) {
    const fs::path path = sampleFilePath(userFolder);
    if (hasContent(path)) {
        std::string text;
        if (readWholeFile(path, text)) return readSampleFile(text);
        // The user's file is there but cannot be read (or is far too large):
        // work from the built-in list and leave the file alone.
        return builtInSamples();
    }
    // Something that is no regular file (a FIFO, a folder) is not ours to replace.
    std::error_code status;
    if (occupied(path) && !fs::is_regular_file(path, status)) return builtInSamples();

    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (writeWholeFile(path, defaultSampleFileText()) && !sameFolder(userFolder, programFolder)) {
        const fs::path copy = sampleFilePath(programFolder);
        fs::create_directories(copy.parent_path(), ec);
        // A sample file already there may be someone's own: it is never rewritten.
        fs::copy_file(path, copy, fs::copy_options::skip_existing, ec);
    }
    return builtInSamples();
}

bool ensureShortSampleFile(const fs::path& path) {
    if (hasContent(path)) return false;
    std::error_code status;
    if (occupied(path) && !fs::is_regular_file(path, status))
        throw Error(Error::PathAccess, "Path/File access error: " + path.string() + " is not a file");
    std::error_code ec;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
    if (!writeWholeFile(path, shortSampleFileText()))
        throw Error(Error::PathAccess, "Path/File access error: cannot write " + path.string());
    return true;
}

}  // namespace lumora::structure
