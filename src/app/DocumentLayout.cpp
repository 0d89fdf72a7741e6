// The document window's controls and how they are laid out: the hint line
// along the top, the scrolling column of inputs on the left, the tab strip
// with its views, the command buttons along the bottom.
#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/DocumentWindow.h"
#include "app/PhotoPanel.h"
#include "app/PictureBox.h"
#include "app/SliderPanel.h"
#include "symmetry/SpaceGroupTable.h"

namespace lumora::app {

namespace {

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName("Label1");
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLineEdit* field(const QString& name, const QString& tip, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (!tip.isEmpty()) edit->setToolTip(tip);
    edit->setMinimumWidth(40);
    return edit;
}

}  // namespace

void frmDocument::buildControls() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->setSpacing(3);

    auto* frTOP = new QFrame(this);
    frTOP->setObjectName("frTOP");
    frTOP->setFrameShape(QFrame::StyledPanel);
    auto* top = new QHBoxLayout(frTOP);
    top->setContentsMargins(6, 2, 6, 2);
    HINT = new QLabel(frTOP);
    HINT->setObjectName("HINT");
    HINT->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long hint is cut, it does not widen the window.
    HINT->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    rsvLabel_ = new QLabel(frTOP);
    rsvLabel_->setObjectName("lbRSV");
    top->addWidget(HINT, 1);
    top->addWidget(rsvLabel_);
    outer->addWidget(frTOP);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(3);
    frLeft = new QScrollArea(this);
    frLeft->setObjectName("frLeft");
    frLeft->setWidgetResizable(true);
    frLeft->setFrameShape(QFrame::NoFrame);
    frLeft->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    frLeft->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QWidget* column = buildLeftColumn();
    frLeft->setWidget(column);
    // About 36 digits wide: the cell fields share the width, the lists scroll.
    const int columnWidth =
        std::min(column->sizeHint().width(), fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36) +
        frLeft->verticalScrollBar()->sizeHint().width() + 4;
    frLeft->setMaximumWidth(columnWidth);
    frLeft->setMinimumWidth(std::min(columnWidth, 120));
    frLeft->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    middle->addWidget(frLeft);

    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    buildTabs();
    right->addWidget(Tab1);
    right->addWidget(viewArea_, 1);
    middle->addLayout(right, 1);
    outer->addLayout(middle, 1);

    auto* frBottom = new QFrame(this);
    frBottom->setObjectName("frBottom");
    auto* bottom = new QHBoxLayout(frBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    btATOMS = new QPushButton(QStringLiteral("Structure editor"), frBottom);
    btATOMS->setObjectName("btATOMS");
    btIMG = new QPushButton(QStringLiteral("Copy image to clipboard"), frBottom);
    btIMG->setObjectName("btIMG");
    btPHOTO = new QPushButton(QStringLiteral("Load Laue Photo"), frBottom);
    btPHOTO->setObjectName("btPHOTO");
    bottom->addWidget(btATOMS);
    bottom->addWidget(btIMG);
    bottom->addWidget(btPHOTO);
    bottom->addStretch(1);
    outer->addWidget(frBottom);
}

QWidget* frmDocument::buildLeftColumn() {
    auto* column = new QWidget;
    column->setObjectName("frLeftColumn");
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(3);

    tfTIT = field("tfTIT", QString(), column);
    tfTIT->setText(QStringLiteral("Untitled"));
    v->addWidget(tfTIT);

    v->addSpacing(4);
    v->addWidget(caption(QStringLiteral("Space Group"), column));
    cmbSPG = new QComboBox(column);
    cmbSPG->setObjectName("cmbSPG");
    cmbSPG->setToolTip(QStringLiteral("Select Space Group"));
    cmbSPG->setMaxVisibleItems(20);
    for (int n = 1; n <= 230; ++n) cmbSPG->addItem(QString::fromStdString(symmetry::spaceGroupListItem(n)));
    cmbSPG->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cmbSPG->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbSPG->setMinimumContentsLength(12);
    v->addWidget(cmbSPG);
    cmbHALL = new QComboBox(column);
    cmbHALL->setObjectName("cmbHALL");
    cmbHALL->setToolTip(QStringLiteral("Select Alternate Spacegroup Setting"));
    cmbHALL->setEnabled(false);
    cmbHALL->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbHALL->setMinimumContentsLength(12);
    v->addWidget(cmbHALL);

    v->addSpacing(4);
    v->addWidget(caption(QStringLiteral("Unit Cell"), column));
    auto* cellGrid = new QGridLayout;
    cellGrid->setSpacing(2);
    static const char* const cellNames[6] = {"a", "b", "c", "Alpha", "Beta", "Gamma"};
    for (int i = 0; i < 6; ++i) {
        const int row = (i / 3) * 2;
        cellGrid->addWidget(new QLabel(QString::fromUtf8(cellNames[i]), column), row, i % 3);
        tfCell[static_cast<std::size_t>(i)] = field(QStringLiteral("tfCell%1").arg(i), QString(), column);
        cellGrid->addWidget(tfCell[static_cast<std::size_t>(i)], row + 1, i % 3);
    }
    v->addLayout(cellGrid);

    v->addSpacing(4);
    v->addWidget(caption(QStringLiteral("Voltage       FSD"), column));
    auto* kvRow = new QHBoxLayout;
    tfKV = field("tfKV", QStringLiteral("Anode Voltage [kV]"), column);
    tfFSD = field("tfFSD", QStringLiteral("Film-Sample Distance [mm]"), column);
    kvRow->addWidget(tfKV);
    kvRow->addWidget(tfFSD);
    v->addLayout(kvRow);

    v->addWidget(caption(QStringLiteral("Wavelength Range"), column));
    auto* wlRow = new QHBoxLayout;
    tfWL1 = field("tfWL1", QStringLiteral("Minimum Wavelength [A] from Voltage"), column);
    tfWL1->setReadOnly(true);
    tfWL2 = field("tfWL2", QStringLiteral("Maximum Wavelength [A]"), column);
    wlRow->addWidget(tfWL1);
    wlRow->addWidget(tfWL2);
    v->addLayout(wlRow);

    auto* intensityGroup = new QButtonGroup(column);
    rbIntensity[0] = new QRadioButton(QStringLiteral("with intensities"), column);
    rbIntensity[1] = new QRadioButton(QStringLiteral("no intensities"), column);
    for (int i = 0; i < 2; ++i) {
        rbIntensity[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("rbIntensity%1").arg(i));
        intensityGroup->addButton(rbIntensity[static_cast<std::size_t>(i)], i);
        v->addWidget(rbIntensity[static_cast<std::size_t>(i)]);
    }

    btAPPLY = new QPushButton(QStringLiteral("Apply"), column);
    btAPPLY->setObjectName("btAPPLY");
    btAPPLY->setToolTip(QStringLiteral("Generate HKL"));
    btAPPLY->setDefault(false);
    v->addWidget(btAPPLY);

    v->addSpacing(4);
    modeGroup_ = new QButtonGroup(column);
    auto* modeGrid = new QGridLayout;
    modeGrid->setSpacing(2);
    static const char* const modeCaptions[4] = {"3D-HKL", "Transm.", "Back-refl.", "Stereo"};
    static const char* const modeTips[4] = {"3D-HKL View", "Laue - Forward Pattern",
                                            "Laue - Backward Pattern", "Stereographic Projection"};
    for (int i = 0; i < 4; ++i) {
        auto* rb = new QRadioButton(QString::fromUtf8(modeCaptions[i]), column);
        rb->setObjectName(QStringLiteral("rbmode%1").arg(i));
        rb->setToolTip(QString::fromUtf8(modeTips[i]));
        modeGroup_->addButton(rb, i);
        modeGrid->addWidget(rb, i / 2, i % 2);
        rbmode[static_cast<std::size_t>(i)] = rb;
    }
    v->addLayout(modeGrid);

    v->addSpacing(4);
    orientationCaption_ = caption(QStringLiteral("Orientation Vector"), column);
    orientationCaption_->setObjectName("lbOrientation");
    orientationCaption_->setToolTip(QStringLiteral("Click to Reset Orientation"));
    orientationCaption_->setCursor(Qt::PointingHandCursor);
    v->addWidget(orientationCaption_);
    auto* orientRow = new QHBoxLayout;
    cmbUVW = new QComboBox(column);
    cmbUVW->setObjectName("cmbUVW");
    cmbUVW->setToolTip(QStringLiteral("Orientation Vector Type"));
    cmbUVW->addItems({QStringLiteral("uvw"), QStringLiteral("hkl")});
    cmbORIENT = new QComboBox(column);
    cmbORIENT->setObjectName("cmbORIENT");
    cmbORIENT->setToolTip(QStringLiteral("Orientation Vector"));
    cmbORIENT->setEditable(true);
    cmbORIENT->setInsertPolicy(QComboBox::NoInsert);
    cmbORIENT->addItems({QStringLiteral("1 0 0"), QStringLiteral("0 1 0"), QStringLiteral("0 0 1"),
                         QStringLiteral("1 1 0"), QStringLiteral("1 1 1")});
    cmbORIENT->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    cmbORIENT->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbORIENT->setMinimumContentsLength(6);
    orientRow->addWidget(cmbUVW);
    orientRow->addWidget(cmbORIENT, 1);
    v->addLayout(orientRow);

    auto* rotateRow = new QHBoxLayout;
    rotateRow->setSpacing(2);
    tfANG = field("tfANG", QStringLiteral("Rotation Angle [deg]"), column);
    tfANG->setMaximumWidth(60);
    rotateRow->addWidget(tfANG);
    static const char* const axisCaptions[3] = {"Rho H", "Rho V", "Phi"};
    static const char* const axisTips[3] = {
        "Right/Left Click for pos./neg. Rotation; (Rho Angle - Horizontal)",
        "Right/Left Click for pos./neg. Rotation; (Rho Angle - Vertical)",
        "Right/Left Click for pos./neg. Rotation;  (Phi Angle)"};
    for (int i = 0; i < 3; ++i) {
        auto* bt = new QPushButton(QString::fromUtf8(axisCaptions[i]), column);
        bt->setObjectName(QStringLiteral("btANG%1").arg(i));
        bt->setToolTip(QString::fromUtf8(axisTips[i]));
        bt->setMinimumWidth(10);
        bt->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        rotateRow->addWidget(bt, 1);
        btANG[static_cast<std::size_t>(i)] = bt;
    }
    v->addLayout(rotateRow);

    v->addSpacing(4);
    v->addWidget(caption(QStringLiteral("Sliders"), column));
    pbSL = new SliderPanel(column);
    pbSL->setObjectName("pbSL");
    pbSL->setMinimumHeight(84);
    v->addWidget(pbSL);
    v->addStretch(1);
    return column;
}

void frmDocument::buildTabs() {
    Tab1 = new QTabBar(this);
    Tab1->setObjectName("Tab1");
    Tab1->setExpanding(false);
    for (const char* name : {"Simulation", "Structure", "Tiled", "hkl-List", "Photo"})
        Tab1->addTab(QString::fromUtf8(name));

    viewArea_ = new QWidget(this);
    viewArea_->setObjectName("viewArea");
    auto* views = new QHBoxLayout(viewArea_);
    views->setContentsMargins(0, 0, 0, 0);
    views->setSpacing(2);

    pb1 = new PictureBox(viewArea_);
    pb1->setObjectName("pb1");
    pb3 = new PictureBox(viewArea_);
    pb3->setObjectName("pb3");
    photoPanel_ = new PhotoPanel(viewArea_);
    photoPanel_->setObjectName("photoPanel");
    photoPanel_->picture()->setObjectName("pb2");
    for (PictureBox* box : {pb1, pb3, photoPanel_->picture()}) {
        box->setFocusPolicy(Qt::ClickFocus);
        box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        box->setMinimumSize(50, 50);
    }

    listSplitter_ = new QSplitter(Qt::Vertical, viewArea_);
    listSplitter_->setObjectName("listSplitter");
    lstHKL = new QTreeWidget(listSplitter_);
    lstHKL->setObjectName("lstHKL");
    lstHKL->setRootIsDecorated(false);
    lstHKL->setUniformRowHeights(true);
    lstHKL->setAlternatingRowColors(true);
    lstHKL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstHKL->setHeaderLabels(
        {QStringLiteral("#"), QStringLiteral("(hkl)"), QStringLiteral("d-Spacing"), QStringLiteral("F")});
    lstHKL->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lstHKL->header()->setStretchLastSection(false);
    lstHKL->setColumnHidden(3, true);
    taCSF = new QPlainTextEdit(listSplitter_);
    taCSF->setObjectName("taCSF");
    taCSF->setReadOnly(true);
    taCSF->setLineWrapMode(QPlainTextEdit::NoWrap);
    taCSF->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    listSplitter_->addWidget(lstHKL);
    listSplitter_->addWidget(taCSF);
    listSplitter_->setStretchFactor(0, 3);
    listSplitter_->setStretchFactor(1, 2);

    views->addWidget(pb1, 1);
    views->addWidget(pb3, 1);
    views->addWidget(photoPanel_, 1);
    views->addWidget(listSplitter_, 1);
}

}  // namespace lumora::app
