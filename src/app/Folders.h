#pragma once

#include <QString>

namespace lumora::app {

// True when a test file can be written into the folder (and removed again).
bool canWriteFolder(const QString& folder);

// Chooses the program, user, photo, data and temporary folders and stores them
// in the application-wide state:
// - program: the folder of the executable, which is never written to;
// - user: the per-user data folder (perUserDataFolder), and only when that
//   cannot be made "Lumora" in the temporary folder; on Windows a portable
//   copy that may write beside itself keeps its files there;
// - photo: "photo" in the user folder;
// - data: the example data, "data" beside the program (an installed program
//   finds it in ../share/lumora/data), else "data" in the user folder;
// - temporary: $TMP when set, else the system's temporary folder.
// Missing user, photo and data folders are created when possible. The last
// folder a file dialog was used in is read back from the settings store.
void chooseFolders();

// True when the program runs from an installed tree (bin/ beside
// share/lumora/data) rather than a build tree or a portable copy.
bool installedLayout();

// The per-user data folder: "lumora" in the XDG data folder
// ($XDG_DATA_HOME, by default ~/.local/share).
QString perUserDataFolder();

// The folder a file dialog opens on: the last folder a file was chosen in
// while it exists, else the user's documents folder, else the home folder.
// It always exists.
QString dialogFolder();
// Remembers the folder of a chosen file (or a chosen folder) for the next
// dialog, in this session and the next.
void rememberDialogFolder(const QString& chosen);

// The folders as QStrings.
QString programFolder();
QString userFolder();
QString photoFolder();
QString dataFolder();
QString temporaryFolder();

}  // namespace lumora::app
