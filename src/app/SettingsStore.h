#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>

#include "app/DetectorSetup.h"

namespace lumora::app {

// The per-user settings store: QSettings("Tessarin", <product>) with string
// values, and one list of them. This program keeps "SX", "DEF", "WNDO",
// "WNDS", "PATH", "DIREXE", "RECENT", "HEX4" and the groups "Detector", "Intensity" and "Reflections" under the
// product "LUMORA"; "PATH" under "MERIDO" names the Wulff-net program. A
// missing value reads as an empty text.
QString readRegString(const QString& product, const QString& name);
void writeRegString(const QString& product, const QString& name, const QString& value);

// Loads the default settings ("DEF") into the application-wide state and sets
// the display flags that follow from them: the black background when the
// settings ask for it, and always the polar net. A store that was never
// initialised, a damaged record, a zero voltage or film area restore the
// defaults first, so the program always starts complete.
void ReadRegistry();
// The reflection options ("Complete" and "DMin" of group "Reflections") are
// read with them; values that cannot be used read as the defaults.
// Writes the first-run values ("SX", "WNDO", "WNDS", "DEF", "Reflections") and reads them back.
void resetSettings();

// How the main window stood when the program closed.
struct WindowPlacement {
    QRect normalGeometry;  // pixels, the last normal-state placement
    int state = 0;         // 0 normal, 1 minimised, 2 maximised
};
// Saves the settings and the window values other programs read ("WNDO" in
// twips, written only for a window in its normal state; "WNDS"; "PATH"; "DIREXE").
void SaveRegistry(const WindowPlacement& placement);

// File > Recent Files: "RECENT", a list of paths, newest first. A value that
// is not a list of texts reads as an empty list.
QStringList readRecentFiles();
// View > Four-index hexagonal notation: "HEX4", "1" when on.
bool readFourIndexNotation();
void saveFourIndexNotation(bool on);
void saveRecentFiles(const QStringList& paths);

// The detector list new documents start from: group "Detector" with
// "Choice", "Camera", "Top", "Custom" and "File" (see StoredDetector). It is
// saved whenever the user changes it; what cannot be used reads as the
// defaults.
DetectorSetup readDetectorSetup();
void saveDetectorSetup(const DetectorSetup& setup);

// The main window's own placement: "MainLeft", "MainTop", "MainWidth" and
// "MainHeight" in twips, group "Settings" of the program's title. Nothing
// when the four were never saved.
std::optional<QRect> readMainPlacement();
void saveMainPlacement(const QRect& normalGeometry);

// Qt's logical pixel is 1/96 inch, so a twip (1/1440 inch) is 1/15 of one
// on every screen.
constexpr int kTwipsPerPixel = 15;

}  // namespace lumora::app
