#include "app/OrientationPanel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>

#include "app/Messages.h"
#include "app/SolutionTableModel.h"
#include "app/SpotTableModel.h"
#include "util/NumberText.h"

namespace lumora::app {

namespace {

QTableView* tableOver(QAbstractItemModel* model, const char* name, QWidget* parent) {
    auto* table = new QTableView(parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setModel(model);
    table->setShowGrid(false);
    table->setWordWrap(false);
    table->setAlternatingRowColors(true);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QLineEdit* numberField(const char* name, const QString& text, const QString& tip, QWidget* parent) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setToolTip(tip);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000.00")) + 12);
    return field;
}

}  // namespace

OrientationPanel::OrientationPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("frORIENT");
    spots_ = new SpotTableModel(this);
    solutions_ = new SolutionTableModel(this);
    build();
    connect(btFINDSPOTS_, &QPushButton::clicked, this, &OrientationPanel::findSpotsRequested);
    connect(tfTHRESHOLD_, &QLineEdit::returnPressed, this, &OrientationPanel::findSpotsRequested);
    connect(btLOADSPOTS_, &QPushButton::clicked, this, &OrientationPanel::loadSpotsRequested);
    connect(btSAVESPOTS_, &QPushButton::clicked, this, &OrientationPanel::saveSpotsRequested);
    connect(btINDEX_, &QPushButton::clicked, this, &OrientationPanel::indexRequested);
    connect(tfTOLERANCE_, &QLineEdit::returnPressed, this, &OrientationPanel::indexRequested);
    connect(btAPPLY_, &QPushButton::clicked, this, [this] {
        if (chosenSolution() >= 0) emit applyRequested(chosenSolution());
    });
    connect(tblSOLUTIONS_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { emit applyRequested(index.row()); });
    connect(btREFINE_, &QPushButton::clicked, this, &OrientationPanel::refineRequested);
    for (QAbstractItemModel* model :
         {static_cast<QAbstractItemModel*>(spots_), static_cast<QAbstractItemModel*>(solutions_)}) {
        connect(model, &QAbstractItemModel::modelReset, this, &OrientationPanel::updateButtons);
        connect(model, &QAbstractItemModel::rowsInserted, this, &OrientationPanel::updateButtons);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &OrientationPanel::updateButtons);
    }
    // A new list of spots makes the orientations found from the old one stale.
    connect(spots_, &QAbstractItemModel::modelReset, this, [this] { solutions_->clear(); });
    updateButtons();
}

void OrientationPanel::build() {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 0);

    auto* spotBox = new QGroupBox(QStringLiteral("Spots"), this);
    auto* spotColumn = new QVBoxLayout(spotBox);
    spotColumn->setContentsMargins(4, 4, 4, 4);
    auto* find = new QHBoxLayout;
    btFINDSPOTS_ = new QPushButton(QStringLiteral("Find spots"), spotBox);
    btFINDSPOTS_->setObjectName("btFINDSPOTS");
    btFINDSPOTS_->setToolTip(
        QStringLiteral("Find the spots of the photo (click: add one, Shift+click: remove one)"));
    tfTHRESHOLD_ = numberField("tfTHRESHOLD", QStringLiteral("5"),
                               QStringLiteral("Threshold: how far above the background a spot stands, "
                                              "in units of the noise"),
                               spotBox);
    find->addWidget(btFINDSPOTS_);
    find->addWidget(tfTHRESHOLD_);
    find->addWidget(new QLabel(QStringLiteral("\u03c3"), spotBox));
    find->addStretch(1);
    spotColumn->addLayout(find);
    tblSPOTS_ = tableOver(spots_, "tblSPOTS", spotBox);
    spotColumn->addWidget(tblSPOTS_, 1);
    auto* files = new QHBoxLayout;
    btLOADSPOTS_ = new QPushButton(QStringLiteral("Load spots..."), spotBox);
    btLOADSPOTS_->setObjectName("btLOADSPOTS");
    btSAVESPOTS_ = new QPushButton(QStringLiteral("Save spots..."), spotBox);
    btSAVESPOTS_->setObjectName("btSAVESPOTS");
    files->addWidget(btLOADSPOTS_);
    files->addWidget(btSAVESPOTS_);
    files->addStretch(1);
    spotColumn->addLayout(files);
    row->addWidget(spotBox, 2);

    auto* indexBox = new QGroupBox(QStringLiteral("Orientation"), this);
    auto* indexColumn = new QVBoxLayout(indexBox);
    indexColumn->setContentsMargins(4, 4, 4, 4);
    auto* index = new QHBoxLayout;
    btINDEX_ = new QPushButton(QStringLiteral("Index"), indexBox);
    btINDEX_->setObjectName("btINDEX");
    btINDEX_->setToolTip(
        QStringLiteral("Find the orientations of the crystal that explain the spots, without a guess"));
    tfTOLERANCE_ = numberField("tfTOLERANCE", QStringLiteral("0.5"),
                               QStringLiteral("Tolerance: the largest angle between an observed and a "
                                              "computed ray that still matches [deg]"),
                               indexBox);
    index->addWidget(btINDEX_);
    index->addWidget(tfTOLERANCE_);
    index->addWidget(new QLabel(QStringLiteral("\u00b0"), indexBox));
    index->addStretch(1);
    indexColumn->addLayout(index);
    tblSOLUTIONS_ = tableOver(solutions_, "tblSOLUTIONS", indexBox);
    indexColumn->addWidget(tblSOLUTIONS_, 1);
    auto* commands = new QHBoxLayout;
    btAPPLY_ = new QPushButton(QStringLiteral("Apply"), indexBox);
    btAPPLY_->setObjectName("btAPPLYSOLUTION");
    btAPPLY_->setToolTip(QStringLiteral("Turn the crystal to the chosen orientation"));
    btREFINE_ = new QPushButton(QStringLiteral("Refine"), indexBox);
    btREFINE_->setObjectName("btREFINE");
    btREFINE_->setToolTip(QStringLiteral("Least squares over the spots the present orientation explains"));
    chkREFINEDET_ = new QCheckBox(QStringLiteral("Refine the detector too"), indexBox);
    chkREFINEDET_->setObjectName("chkREFINEDET");
    chkREFINEDET_->setToolTip(QStringLiteral(
        "A camera's distance, centre and tilts are refined too; the refined camera becomes the custom one"));
    commands->addWidget(btAPPLY_);
    commands->addWidget(btREFINE_);
    commands->addWidget(chkREFINEDET_);
    commands->addStretch(1);
    indexColumn->addLayout(commands);
    lbRESULT_ = new QLabel(indexBox);
    lbRESULT_->setObjectName("lbORIENTRESULT");
    lbRESULT_->setWordWrap(true);
    lbRESULT_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    indexColumn->addWidget(lbRESULT_);
    row->addWidget(indexBox, 3);
}

std::optional<double> OrientationPanel::threshold() {
    double value = 0;
    if (util::parseStrictNumber(tfTHRESHOLD_->text().trimmed().toStdString(), value) && value > 0 &&
        value <= 1000)
        return value;
    tell(this, QStringLiteral("Find spots"),
         QStringLiteral("The threshold \"%1\" is not a number of noise units above 0 and at most 1000.")
             .arg(tfTHRESHOLD_->text()),
         QMessageBox::Warning);
    return std::nullopt;
}

std::optional<double> OrientationPanel::tolerance() {
    double value = 0;
    if (util::parseStrictNumber(tfTOLERANCE_->text().trimmed().toStdString(), value) && value > 0 &&
        value <= 10)
        return value;
    tell(this, QStringLiteral("Index"),
         QStringLiteral("The tolerance \"%1\" is not an angle above 0 and at most 10 degrees.")
             .arg(tfTOLERANCE_->text()),
         QMessageBox::Warning);
    return std::nullopt;
}

bool OrientationPanel::refineDetector() const { return chkREFINEDET_->isChecked(); }

int OrientationPanel::chosenSolution() const {
    if (solutions_->rowCount() == 0) return -1;
    const QModelIndexList rows = tblSOLUTIONS_->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row();
}

void OrientationPanel::showResult(const QString& text) { lbRESULT_->setText(text); }

void OrientationPanel::setBusy(bool busy) {
    busy_ = busy;
    updateButtons();
}

void OrientationPanel::updateButtons() {
    const bool spots = spots_->rowCount() > 0;
    for (QWidget* w : std::initializer_list<QWidget*>{btFINDSPOTS_, tfTHRESHOLD_, btLOADSPOTS_, tfTOLERANCE_,
                                                      chkREFINEDET_, tblSPOTS_, tblSOLUTIONS_})
        w->setEnabled(!busy_);
    btSAVESPOTS_->setEnabled(!busy_ && spots);
    btINDEX_->setEnabled(!busy_ && spots);
    btREFINE_->setEnabled(!busy_ && spots);
    btAPPLY_->setEnabled(!busy_ && solutions_->rowCount() > 0);
}

}  // namespace lumora::app
