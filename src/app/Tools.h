#pragma once

#include <QDialog>
#include <QWidget>
#include <array>

#include "structure/StructureFile.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace lumora {
class clLAUE;
}

namespace lumora::app {

// The periodic table window (modeless): the elements 1..106 in the usual
// layout with their group numerals; clicking one shows its symbol, atomic
// number and radius. Opening it again brings the open window to the front.
QWidget* showPeriodicTable(QWidget* owner);
// The same table as a picker: the chosen atomic number, 0 when cancelled.
int pickElement(QWidget* parent, int current = 0);

// What a document window shows of its crystal: the title and the texts of
// the cell fields. The structure editor starts from them.
struct DocumentFields {
    QString title;
    std::array<QString, 6> cell;
};

// The structure editor: the atom grid ("Label", "A.N.", "SOF", "X", "Y", "Z",
// "B"), space group and cell. True with the edited structure in `result` when
// the user pressed OK with valid values. Title and cell start from `shown`
// when given (a cell text that is not a number gives way to the engine's
// value), else from the engine.
bool editStructure(QWidget* parent, const clLAUE& laue, structure::StructureFile& result,
                   const DocumentFields* shown = nullptr);

// The scanner source: lists the scanners of the SANE command-line tool and
// remembers the one chosen; says so when no scanner source is available.
void chooseScannerSource(QWidget* parent);

// Shows the HTML help (docs/help/index.html beside the program or installed)
// in the help window. When there is none, says so and returns false.
bool showHelpContents(QWidget* parent);
// The help window on the page `index` (an HTML file), its links followed in
// the window; one window at a time, brought to the front when open already.
QWidget* showHelpWindow(QWidget* owner, const QString& index);
// The help's index page for a program in `programFolder`, empty when none exists.
QString helpIndexFile(const QString& programFolder);

// ---- the widgets behind these functions ---------------------------------------

// The 18-column table: periods 1-7, the lanthanides and actinides in two rows
// beneath, group numerals IA ... VIIIA above. Each element is a button named
// "element<Z>" showing its number and symbol.
class PeriodicTable : public QWidget {
    Q_OBJECT

public:
    explicit PeriodicTable(QWidget* parent = nullptr);
    // Marks an element as the current one (0: none).
    void setCurrent(int z);
    QAbstractButton* button(int z) const;

signals:
    void elementClicked(int z);

private:
    std::array<QAbstractButton*, 107> buttons_{};
};

// The structure editor dialog.
class dlgCRYSTAL : public QDialog {
    Q_OBJECT

public:
    explicit dlgCRYSTAL(QWidget* parent = nullptr);
    // Fills title, space group, setting, cell and atoms from the engine, and
    // title and cell from what the document shows when `shown` is given.
    void setLaue(const clLAUE& laue, const DocumentFields* shown = nullptr);
    // The structure of the dialog's fields; false with a message naming the
    // faulty field (row and column for atoms) when a value is not valid.
    bool readStructure(structure::StructureFile& out);
    const structure::StructureFile& result() const { return result_; }

    QTableWidget* grid() const { return grid_; }

    void accept() override;

private:
    void addRow();
    void removeRows();
    void fillSettings(int number, int row = -1);
    void pickAtomElement(int row);
    void setAtomRow(int row, const structure::Atom& atom);
    void refuse(const QString& text, QWidget* field);

    QLineEdit* title_ = nullptr;
    QSpinBox* spaceGroup_ = nullptr;
    QComboBox* setting_ = nullptr;
    std::array<QLineEdit*, 6> cell_{};
    QTableWidget* grid_ = nullptr;
    QLabel* symbolLabel_ = nullptr;
    structure::StructureHeader header_;
    structure::StructureFile result_;
};

}  // namespace lumora::app
