#pragma once

#include <QWidget>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace lumora::app {

class SolutionTableModel;
class SpotTableModel;

// The photo page's strip for finding the crystal's orientation from the
// photo: the spots (found, clicked or loaded) as a table, the orientations
// the indexing finds, and the commands that turn the crystal to one of them
// and refine it. It holds the lists and asks the document for the work.
class OrientationPanel : public QWidget {
    Q_OBJECT

public:
    explicit OrientationPanel(QWidget* parent = nullptr);

    SpotTableModel* spots() const { return spots_; }
    SolutionTableModel* solutions() const { return solutions_; }

    // The fields, checked; a bad value is said in a message and gives nullopt.
    std::optional<double> threshold();  // noise units, above 0 and at most 1000
    std::optional<double> tolerance();  // degrees, above 0 and at most 10
    bool refineDetector() const;
    // The solution row chosen (the first when none is selected); -1 without solutions.
    int chosenSolution() const;
    // Shows the outcome of the last command (indexing, refinement).
    void showResult(const QString& text);
    // Nothing but the progress dialog takes commands while a search runs.
    void setBusy(bool busy);

    // The controls, for the document's layout and for tests.
    QPushButton* findButton() const { return btFINDSPOTS_; }
    QPushButton* indexButton() const { return btINDEX_; }
    QPushButton* applyButton() const { return btAPPLY_; }
    QPushButton* refineButton() const { return btREFINE_; }
    QTableView* spotTable() const { return tblSPOTS_; }
    QTableView* solutionTable() const { return tblSOLUTIONS_; }

signals:
    void findSpotsRequested();
    void loadSpotsRequested();
    void saveSpotsRequested();
    void indexRequested();
    void applyRequested(int solution);
    void refineRequested();

private:
    void build();
    void updateButtons();

    SpotTableModel* spots_ = nullptr;
    SolutionTableModel* solutions_ = nullptr;
    QPushButton* btFINDSPOTS_ = nullptr;
    QLineEdit* tfTHRESHOLD_ = nullptr;
    QPushButton* btLOADSPOTS_ = nullptr;
    QPushButton* btSAVESPOTS_ = nullptr;
    QTableView* tblSPOTS_ = nullptr;
    QPushButton* btINDEX_ = nullptr;
    QLineEdit* tfTOLERANCE_ = nullptr;
    QTableView* tblSOLUTIONS_ = nullptr;
    QPushButton* btAPPLY_ = nullptr;
    QPushButton* btREFINE_ = nullptr;
    QCheckBox* chkREFINEDET_ = nullptr;
    QLabel* lbRESULT_ = nullptr;
    bool busy_ = false;
};

}  // namespace lumora::app
