#pragma once

#include <QString>

namespace lumora::app {

// True when a test file can be written into the folder (and removed again).
bool canWriteFolder(const QString& folder);

// Chooses the program, user, photo, data and temporary folders and stores them
// in the application-wide state:
// - program: the folder of the executable;
// - user: the program folder when it is writable, else the per-user data
//   folder (which survives a reboot, unlike the temporary folder), and only
//   when that fails too "Lumora" in the temporary folder;
// - photo and data: "photo" and "data" beside the program (an installed
//   program finds its data in ../share/lumora/data); in the user folder when
//   they cannot be made beside the program;
// - temporary: $TMP when set, else the system's temporary folder.
// Missing user, photo and data folders are created when possible.
void chooseFolders();

// True when the program runs from an installed tree (bin/ beside
// share/lumora/data) rather than a build tree or a portable copy.
bool installedLayout();

// The folders as QStrings.
QString programFolder();
QString userFolder();
QString photoFolder();
QString dataFolder();
QString temporaryFolder();

}  // namespace lumora::app
