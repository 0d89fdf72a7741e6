#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace lumora::app {

class frmMain;

// The command text the desktop program reads its cell from: the arguments
// after the program's name, joined by blanks.
QString commandText(const QStringList& arguments);

// What happens before the main window: the folders are chosen (the engine
// writes its space-group listing to the user folder) and the sample list is
// loaded, written out first when the user has none.
void prepareStart();

// Creates the main window (settings, menus, the first document), shows it
// where it stood last time and opens the cell of the command text, if any.
std::unique_ptr<frmMain> openMainWindow(const QString& commandText);

// The desktop program, from the application object to the end of the run;
// returns the exit status.
int Main(int argc, char* argv[]);

}  // namespace lumora::app
