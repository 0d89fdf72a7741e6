#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumora::util {

// Removes leading and trailing blanks (spaces only; tabs are kept, as users'
// files rely on tabs not being separators).
std::string trim(std::string_view text);
std::string trimLeft(std::string_view text);

// Trims the text and returns the non-empty pieces between blanks; runs of
// blanks count as one separator, tabs are not separators.
std::vector<std::string> splitBlanks(std::string_view text);

// Trims the text and returns the non-empty, trimmed pieces between separators.
std::vector<std::string> splitBy(std::string_view text, std::string_view separator);

// Right-aligns text in a field of `width` characters; longer text is cut to
// its first `width` characters.
std::string padLeft(std::string_view text, int width);

// The lines of a text without their CR LF, LF or lone CR endings; a final line
// break does not start another line.
std::vector<std::string_view> splitLines(std::string_view text);

std::string toUpper(std::string_view text);
std::string toLower(std::string_view text);
std::string replaceAll(std::string text, std::string_view from, std::string_view to);
bool contains(std::string_view text, std::string_view part);
bool startsWith(std::string_view text, std::string_view prefix);

}  // namespace lumora::util
