// The structure editor (dlgCRYSTAL): title, space group and setting, cell and
// the atoms of the asymmetric unit.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "app/Messages.h"
#include "app/Tools.h"
#include "engine/LaueEngine.h"
#include "structure/Elements.h"
#include "symmetry/SpaceGroupTable.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::app {

namespace {

enum Column { Label, Number, Occupancy, X, Y, Z, B, Columns };
const std::array<const char*, Columns> kColumnNames = {"Label", "A.N.", "SOF", "X", "Y", "Z", "B"};
const std::array<const char*, 6> kCellNames = {"a", "b", "c", "alpha", "beta", "gamma"};

// Elements with scattering factors; beyond them an atom would scatter nothing.
constexpr int kLastScatterer = 98;
// Atom counts are 16-bit in the engine.
constexpr int kMostAtoms = 32767;
// The intensities use one displacement factor for every atom.
constexpr float kEngineB = 0.5f;

QString text(float value) { return QString::fromStdString(util::singleText(value)); }

bool strictNumber(const QString& s, double& out) {
    return util::parseStrictNumber(s.trimmed().toStdString(), out) && std::isfinite(out) &&
           std::fabs(out) <= FLT_MAX;
}

// A coordinate: a number or a fraction such as 2/3, as the structure files write them.
bool coordinate(const QString& s, double& out) {
    const int slash = s.indexOf('/');
    if (slash < 0) return strictNumber(s, out);
    double numerator = 0, denominator = 0;
    if (!strictNumber(s.left(slash), numerator) || !strictNumber(s.mid(slash + 1), denominator) ||
        denominator == 0)
        return false;
    out = numerator / denominator;
    return std::isfinite(out);
}

// An atomic number typed as a number or as an element symbol ("Fe").
int atomicNumber(const QString& s) {
    double value = 0;
    if (strictNumber(s, value))
        return value == std::floor(value) && std::fabs(value) < 1000 ? int(value) : -1;
    const QString symbol = s.trimmed();
    for (int z = 1; z <= kLastScatterer; ++z)
        if (symbol.compare(QString::fromStdString(structure::elementSymbol(z)), Qt::CaseInsensitive) == 0)
            return z;
    return -1;
}

// The edited structure as the tagged text of a structure file, for the
// document's text view.
std::string structureText(const structure::StructureFile& f) {
    QString out;
    out += "NAME: " + QString::fromStdString(f.title) + "\r\n";
    if (!f.formula.empty()) out += "FORM: " + QString::fromStdString(f.formula) + "\r\n";
    out += QStringLiteral("SGRP: %1 (%2)\r\n")
               .arg(QString::fromStdString(f.spaceGroupSymbol))
               .arg(f.spaceGroupNumber);
    out += QStringLiteral("CELL: %1x%2x%3 <%4x%5x%6>\r\n")
               .arg(text(f.cell[0]), text(f.cell[1]), text(f.cell[2]), text(f.cell[3]), text(f.cell[4]),
                    text(f.cell[5]));
    for (const structure::Atom& a : f.atoms) {
        out += QStringLiteral("ATOM: %1 %2     %3   %4%5%6\r\n")
                   .arg(QString::fromStdString(a.label).left(4), -4)
                   .arg(QString::fromStdString(a.element).left(4), -4)
                   .arg(QString::number(static_cast<double>(a.occupancy), 'f', 3), 5)
                   .arg(text(a.x).left(7), -8)
                   .arg(text(a.y).left(7), -8)
                   .arg(text(a.z).left(7));
    }
    return out.toStdString();
}

}  // namespace

dlgCRYSTAL::dlgCRYSTAL(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Structure Editor"));
    setObjectName(QStringLiteral("dlgCRYSTAL"));

    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("title"));
    spaceGroup_ = new QSpinBox(this);
    spaceGroup_->setObjectName(QStringLiteral("spaceGroup"));
    spaceGroup_->setRange(1, 230);
    setting_ = new QComboBox(this);
    setting_->setObjectName(QStringLiteral("setting"));
    symbolLabel_ = new QLabel(this);

    auto* groupBox = new QGroupBox(QStringLiteral("Space Group"), this);
    auto* groupRow = new QHBoxLayout(groupBox);
    groupRow->addWidget(new QLabel(QStringLiteral("No."), groupBox));
    groupRow->addWidget(spaceGroup_);
    groupRow->addWidget(symbolLabel_);
    groupRow->addWidget(new QLabel(QStringLiteral("Setting"), groupBox));
    groupRow->addWidget(setting_, 1);

    auto* cellBox = new QGroupBox(QStringLiteral("Unit Cell [A, deg]"), this);
    auto* cellGrid = new QGridLayout(cellBox);
    for (std::size_t i = 0; i < cell_.size(); ++i) {
        cell_[i] = new QLineEdit(cellBox);
        cell_[i]->setObjectName(QString::fromUtf8(kCellNames[i]));
        const int row = static_cast<int>(i / 3), column = static_cast<int>(i % 3) * 2;
        cellGrid->addWidget(new QLabel(QString::fromUtf8(kCellNames[i]) + " =", cellBox), row, column);
        cellGrid->addWidget(cell_[i], row, column + 1);
    }

    grid_ = new QTableWidget(0, Columns, this);
    grid_->setObjectName(QStringLiteral("atoms"));
    QStringList headers;
    for (const char* name : kColumnNames) headers << QString::fromUtf8(name);
    grid_->setHorizontalHeaderLabels(headers);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::SelectedClicked);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->horizontalHeaderItem(Number)->setToolTip(QStringLiteral(
        "Atomic number 1 to 98 (or the element symbol); double-click to pick from the periodic table"));
    grid_->horizontalHeaderItem(Occupancy)->setToolTip(QStringLiteral("Site occupancy factor"));
    grid_->horizontalHeaderItem(B)->setToolTip(
        QStringLiteral("Isotropic displacement factor B [A^2]. Shown for reference: the intensities are "
                       "calculated with B = 0.5 for every atom."));

    auto* add = new QPushButton(QStringLiteral("Add Atom"), this);
    add->setObjectName(QStringLiteral("addAtom"));
    auto* remove = new QPushButton(QStringLiteral("Remove Atom"), this);
    remove->setObjectName(QStringLiteral("removeAtom"));
    auto* element = new QPushButton(QStringLiteral("Periodic Table..."), this);
    element->setObjectName(QStringLiteral("pickElement"));
    element->setToolTip(QStringLiteral("Choose the element of the current atom"));
    for (QPushButton* b : {add, remove, element}) b->setAutoDefault(false);
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch();
    rowButtons->addWidget(element);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Title"), title_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(groupBox);
    layout->addWidget(cellBox);
    layout->addWidget(grid_, 1);
    layout->addLayout(rowButtons);
    layout->addWidget(buttons);
    resize(640, 520);

    connect(spaceGroup_, &QSpinBox::valueChanged, this, [this](int n) { fillSettings(n); });
    connect(add, &QPushButton::clicked, this, &dlgCRYSTAL::addRow);
    connect(remove, &QPushButton::clicked, this, &dlgCRYSTAL::removeRows);
    connect(element, &QPushButton::clicked, this, [this] {
        if (grid_->currentRow() >= 0) pickAtomElement(grid_->currentRow());
    });
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column == Number)
            pickAtomElement(row);
        else
            grid_->editItem(grid_->item(row, column));
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &dlgCRYSTAL::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    fillSettings(1);
}

void dlgCRYSTAL::fillSettings(int number, int row) {
    const QSignalBlocker block(setting_);
    setting_->clear();
    symbolLabel_->setText(QString::fromStdString(symmetry::spaceGroupSymbol(number)));
    const auto& table = symmetry::spaceGroupTable();
    if (row < 0) row = symmetry::lookupRow(number, "", "");
    for (int r = 0; r < symmetry::kSpaceGroupRows; ++r) {
        if (util::val(table[static_cast<std::size_t>(r)].number) != number) continue;
        setting_->addItem(QString::fromStdString(symmetry::fullLabel(table[static_cast<std::size_t>(r)])), r);
        if (r == row) setting_->setCurrentIndex(setting_->count() - 1);
    }
    setting_->setEnabled(setting_->count() > 1);
}

void dlgCRYSTAL::setAtomRow(int row, const structure::Atom& atom) {
    const std::array<QString, Columns> cells = {QString::fromStdString(atom.label),
                                                QString::number(atom.atomicNumber),
                                                text(atom.occupancy),
                                                text(atom.x),
                                                text(atom.y),
                                                text(atom.z),
                                                text(kEngineB)};
    for (int c = 0; c < Columns; ++c)
        grid_->setItem(row, c, new QTableWidgetItem(cells[static_cast<std::size_t>(c)]));
    grid_->item(row, Number)->setToolTip(QString::fromStdString(structure::elementSymbol(atom.atomicNumber)));
    // The element text as the file wrote it ("Fe3"), kept while the number stays.
    grid_->item(row, Number)->setData(Qt::UserRole, QString::fromStdString(atom.element));
}

void dlgCRYSTAL::setLaue(const clLAUE& laue, const DocumentFields* shown) {
    header_ = laue.structureHeader();
    title_->setText(shown ? shown->title.trimmed()
                          : QString::fromStdString(laue.bCSF ? header_.title : laue.m_tit));
    title_->setCursorPosition(0);
    for (std::size_t i = 0; i < cell_.size(); ++i) {
        double value = 0;
        const bool typed = shown && strictNumber(shown->cell[i], value);
        cell_[i]->setText(typed ? shown->cell[i].trimmed() : text(laue.getCellConstant(static_cast<int>(i))));
    }

    int row = laue.currentRow();
    int number = 0;
    if (row >= 0 && row < symmetry::kSpaceGroupRows)
        number =
            static_cast<int>(util::val(symmetry::spaceGroupTable()[static_cast<std::size_t>(row)].number));
    if (number < 1 || number > 230) {
        number = std::clamp<int>(laue.m_spg, 1, 230);
        row = -1;
    }
    {
        const QSignalBlocker block(spaceGroup_);
        spaceGroup_->setValue(number);
    }
    fillSettings(number, row);

    const auto& atoms = laue.asymmetricAtoms();
    grid_->setRowCount(static_cast<int>(atoms.size()));
    for (std::size_t i = 0; i < atoms.size(); ++i) setAtomRow(static_cast<int>(i), atoms[i]);
}

void dlgCRYSTAL::addRow() {
    const int row = grid_->rowCount();
    if (row >= kMostAtoms) return;
    grid_->insertRow(row);
    structure::Atom atom;
    atom.atomicNumber = 1;
    atom.label = "H" + std::to_string(row + 1);
    setAtomRow(row, atom);
    grid_->setCurrentCell(row, Label);
}

void dlgCRYSTAL::removeRows() {
    QList<int> rows;
    for (const QTableWidgetItem* item : grid_->selectedItems())
        if (!rows.contains(item->row())) rows << item->row();
    if (rows.isEmpty() && grid_->currentRow() >= 0) rows << grid_->currentRow();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows) grid_->removeRow(row);
}

void dlgCRYSTAL::pickAtomElement(int row) {
    if (row < 0 || row >= grid_->rowCount()) return;
    const int current = atomicNumber(grid_->item(row, Number) ? grid_->item(row, Number)->text() : QString());
    const int z = pickElement(this, current > 0 ? current : 0);
    if (z <= 0) return;
    grid_->item(row, Number)->setText(QString::number(z));
    grid_->item(row, Number)->setToolTip(QString::fromStdString(structure::elementSymbol(z)));
    QTableWidgetItem* label = grid_->item(row, Label);
    if (label && label->text().trimmed().isEmpty())
        label->setText(QString::fromStdString(structure::elementSymbol(z)) + QString::number(row + 1));
}

void dlgCRYSTAL::refuse(const QString& message, QWidget* field) {
    if (field) field->setFocus();
    tell(this, QStringLiteral("Structure Editor"), message, QMessageBox::Warning);
}

bool dlgCRYSTAL::readStructure(structure::StructureFile& out) {
    structure::StructureFile f;
    f.title = title_->text().trimmed().toStdString();
    f.formula = header_.formula;
    f.headerText = header_.headerText;
    f.sourcePath = header_.sourcePath;

    for (std::size_t i = 0; i < cell_.size(); ++i) {
        double value = 0;
        if (!strictNumber(cell_[i]->text(), value)) {
            refuse(QStringLiteral("Cell constant %1: \"%2\" is not a number.")
                       .arg(QString::fromUtf8(kCellNames[i]), cell_[i]->text().trimmed()),
                   cell_[i]);
            return false;
        }
        f.cell[i] = static_cast<float>(value);
    }
    try {
        structure::validateCell(f.cell);
    } catch (const Error& e) {
        refuse(QString::fromStdString(e.description()), cell_[0]);
        return false;
    }
    f.cellVolume = structure::cellVolume(f.cell);

    const int row = setting_->currentData().isValid() ? setting_->currentData().toInt() : -1;
    if (row < 0 || row >= symmetry::kSpaceGroupRows) {
        refuse(QStringLiteral("Please choose a setting of the space group."), setting_);
        return false;
    }
    f.spaceGroupRow = row;
    f.spaceGroupNumber = spaceGroup_->value();
    f.spaceGroupSymbol = symmetry::getEntry(row)[3];

    const int rows = grid_->rowCount();
    if (rows == 0) {
        refuse(QStringLiteral("The structure holds no atoms. Please add at least one atom."), grid_);
        return false;
    }
    if (rows > kMostAtoms) {
        refuse(QStringLiteral("The structure holds more than %1 atoms.").arg(kMostAtoms), grid_);
        return false;
    }
    for (int r = 0; r < rows; ++r) {
        auto cell = [&](int c) {
            return grid_->item(r, c) ? grid_->item(r, c)->text().trimmed() : QString();
        };
        auto fault = [&](int c, const QString& why) {
            grid_->setCurrentCell(r, c);
            refuse(QStringLiteral("Row %1, column \"%2\": %3")
                       .arg(r + 1)
                       .arg(QString::fromUtf8(kColumnNames[static_cast<std::size_t>(c)]), why),
                   grid_);
            return false;
        };
        auto notNumber = [&](int c) {
            return fault(c, QStringLiteral("\"%1\" is not a number.").arg(cell(c)));
        };

        structure::Atom atom;
        const int z = atomicNumber(cell(Number));
        if (z < 1 || z > kLastScatterer)
            return fault(Number, QStringLiteral("\"%1\" is not an atomic number from 1 to %2.")
                                     .arg(cell(Number))
                                     .arg(kLastScatterer));
        atom.atomicNumber = z;
        const std::string written = grid_->item(r, Number)->data(Qt::UserRole).toString().toStdString();
        atom.element = !written.empty() && structure::elementNumberOf(written) == z
                           ? written
                           : structure::elementSymbol(z);
        atom.label = cell(Label).isEmpty() ? atom.element + std::to_string(r + 1) : cell(Label).toStdString();

        double value = 0;
        if (cell(Occupancy).isEmpty()) {
            value = 1.0;
        } else if (!strictNumber(cell(Occupancy), value)) {
            return notNumber(Occupancy);
        } else if (!(value >= 0 && value <= 100)) {
            return fault(Occupancy,
                         QStringLiteral("the occupancy %1 lies outside 0 to 100.").arg(cell(Occupancy)));
        }
        atom.occupancy = static_cast<float>(value);

        std::array<float*, 3> xyz = {&atom.x, &atom.y, &atom.z};
        for (int c = X; c <= Z; ++c) {
            if (!coordinate(cell(c), value) || std::fabs(value) > 1e6) return notNumber(c);
            *xyz[static_cast<std::size_t>(c - X)] = static_cast<float>(value);
        }
        if (!cell(B).isEmpty()) {
            if (!strictNumber(cell(B), value)) return notNumber(B);
            if (value < 0) return fault(B, QStringLiteral("B must not be negative."));
        }
        f.atoms.push_back(std::move(atom));
    }
    f.text = structureText(f);
    out = std::move(f);
    return true;
}

void dlgCRYSTAL::accept() {
    if (readStructure(result_)) QDialog::accept();
}

bool editStructure(QWidget* parent, const clLAUE& laue, structure::StructureFile& result,
                   const DocumentFields* shown) {
    dlgCRYSTAL dialog(parent);
    dialog.setLaue(laue, shown);
    if (dialog.exec() != QDialog::Accepted) return false;
    result = dialog.result();
    return true;
}

}  // namespace lumora::app
