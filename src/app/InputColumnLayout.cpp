// The input column's controls and how they are laid out, top to bottom as
// the user guide names them.
#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/DetectorPanel.h"
#include "app/InputColumn.h"
#include "app/InputControls.h"
#include "app/SliderPanel.h"
#include "symmetry/SpaceGroupTable.h"

namespace lumora::app {

namespace {

template <class Label = QLabel>
Label* caption(const QString& text, QWidget* parent) {
    auto* label = new Label(text, parent);
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

void InputColumn::buildControls() {
    setObjectName("frLeftColumn");
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(3);

    tfTIT = field("tfTIT", QString(), this);
    tfTIT->setText(QStringLiteral("Untitled"));
    v->addWidget(tfTIT);

    v->addSpacing(4);
    v->addWidget(caption(QStringLiteral("Space Group"), this));
    cmbSPG = new QComboBox(this);
    cmbSPG->setObjectName("cmbSPG");
    cmbSPG->setToolTip(QStringLiteral("Select Space Group"));
    cmbSPG->setMaxVisibleItems(20);
    for (int n = 1; n <= 230; ++n) cmbSPG->addItem(QString::fromStdString(symmetry::spaceGroupListItem(n)));
    cmbSPG->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cmbSPG->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbSPG->setMinimumContentsLength(12);
    v->addWidget(cmbSPG);
    cmbHALL = new QComboBox(this);
    cmbHALL->setObjectName("cmbHALL");
    cmbHALL->setToolTip(QStringLiteral("Select Alternate Spacegroup Setting"));
    cmbHALL->setEnabled(false);
    cmbHALL->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbHALL->setMinimumContentsLength(12);
    v->addWidget(cmbHALL);

    v->addSpacing(4);
    v->addWidget(caption(QStringLiteral("Unit Cell"), this));
    auto* cellGrid = new QGridLayout;
    cellGrid->setSpacing(2);
    static const char* const cellNames[6] = {"a", "b", "c", "Alpha", "Beta", "Gamma"};
    for (int i = 0; i < 6; ++i) {
        const int row = (i / 3) * 2;
        cellGrid->addWidget(new QLabel(QString::fromUtf8(cellNames[i]), this), row, i % 3);
        tfCell[static_cast<std::size_t>(i)] = field(QStringLiteral("tfCell%1").arg(i), QString(), this);
        cellGrid->addWidget(tfCell[static_cast<std::size_t>(i)], row + 1, i % 3);
    }
    v->addLayout(cellGrid);

    v->addSpacing(4);
    v->addWidget(caption(QStringLiteral("Voltage       FSD"), this));
    auto* kvRow = new QHBoxLayout;
    tfKV = field("tfKV", QStringLiteral("Anode Voltage [kV]"), this);
    tfFSD = field("tfFSD", QStringLiteral("Film-Sample Distance [mm]"), this);
    kvRow->addWidget(tfKV);
    kvRow->addWidget(tfFSD);
    v->addLayout(kvRow);

    v->addWidget(caption(QStringLiteral("Wavelength Range"), this));
    auto* wlRow = new QHBoxLayout;
    tfWL1 = field("tfWL1", QStringLiteral("Minimum Wavelength [A] from Voltage"), this);
    tfWL1->setReadOnly(true);
    tfWL2 = field("tfWL2", QStringLiteral("Maximum Wavelength [A]"), this);
    wlRow->addWidget(tfWL1);
    wlRow->addWidget(tfWL2);
    v->addLayout(wlRow);

    auto* intensityGroup = new QButtonGroup(this);
    rbIntensity[0] = new QRadioButton(QStringLiteral("with intensities"), this);
    rbIntensity[1] = new QRadioButton(QStringLiteral("no intensities"), this);
    for (int i = 0; i < 2; ++i) {
        rbIntensity[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("rbIntensity%1").arg(i));
        intensityGroup->addButton(rbIntensity[static_cast<std::size_t>(i)], i);
        v->addWidget(rbIntensity[static_cast<std::size_t>(i)]);
    }

    btAPPLY = new QPushButton(QStringLiteral("Apply"), this);
    btAPPLY->setObjectName("btAPPLY");
    btAPPLY->setToolTip(QStringLiteral("Generate HKL"));
    btAPPLY->setDefault(false);
    v->addWidget(btAPPLY);

    v->addSpacing(4);
    modeGroup_ = new QButtonGroup(this);
    auto* modeGrid = new QGridLayout;
    modeGrid->setSpacing(2);
    static const char* const modeCaptions[5] = {"3D-HKL", "Transm.", "Back-refl.", "Stereo", "Camera"};
    static const char* const modeTips[5] = {"3D-HKL View", "Laue - Forward Pattern",
                                            "Laue - Backward Pattern", "Stereographic Projection",
                                            "Laue - Pattern on the Camera"};
    for (int i = 0; i < 5; ++i) {
        auto* rb = new QRadioButton(QString::fromUtf8(modeCaptions[i]), this);
        rb->setObjectName(QStringLiteral("rbmode%1").arg(i));
        rb->setToolTip(QString::fromUtf8(modeTips[i]));
        modeGroup_->addButton(rb, i);
        modeGrid->addWidget(rb, i / 3, i % 3);
        rbmode[static_cast<std::size_t>(i)] = rb;
    }
    v->addLayout(modeGrid);

    v->addSpacing(4);
    v->addWidget(caption(QStringLiteral("Detector"), this));
    pnDET = new DetectorPanel(this);
    v->addWidget(pnDET);

    v->addSpacing(4);
    orientationCaption_ = caption<ClickableCaption>(QStringLiteral("Orientation Vector"), this);
    orientationCaption_->setObjectName("lbOrientation");
    orientationCaption_->setToolTip(QStringLiteral("Click to Reset Orientation"));
    orientationCaption_->setCursor(Qt::PointingHandCursor);
    v->addWidget(orientationCaption_);
    auto* orientRow = new QHBoxLayout;
    cmbUVW = new QComboBox(this);
    cmbUVW->setObjectName("cmbUVW");
    cmbUVW->setToolTip(QStringLiteral("Orientation Vector Type"));
    cmbUVW->addItems({QStringLiteral("uvw"), QStringLiteral("hkl")});
    cmbORIENT = new QComboBox(this);
    cmbORIENT->setObjectName("cmbORIENT");
    cmbORIENT->setToolTip(QStringLiteral("Orientation Vector"));
    cmbORIENT->setLineEdit(new OrientationLine(cmbORIENT));
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
    tfANG = field("tfANG", QStringLiteral("Rotation Angle [deg]"), this);
    tfANG->setMaximumWidth(60);
    rotateRow->addWidget(tfANG);
    static const char* const axisCaptions[3] = {"Rho H", "Rho V", "Phi"};
    static const char* const axisTips[3] = {
        "Right/Left Click for pos./neg. Rotation; (Rho Angle - Horizontal)",
        "Right/Left Click for pos./neg. Rotation; (Rho Angle - Vertical)",
        "Right/Left Click for pos./neg. Rotation;  (Phi Angle)"};
    for (int i = 0; i < 3; ++i) {
        auto* bt = new TurnButton(QString::fromUtf8(axisCaptions[i]), this);
        bt->setObjectName(QStringLiteral("btANG%1").arg(i));
        bt->setToolTip(QString::fromUtf8(axisTips[i]));
        bt->setMinimumWidth(10);
        bt->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        rotateRow->addWidget(bt, 1);
        btANG[static_cast<std::size_t>(i)] = bt;
    }
    v->addLayout(rotateRow);

    v->addSpacing(4);
    v->addWidget(caption(QStringLiteral("Sliders"), this));
    pbSL = new SliderPanel(this);
    pbSL->setObjectName("pbSL");
    // Four rows of a caption over a slider: when the column scrolls, the panel
    // keeps room for them instead of squeezing them together.
    pbSL->setMinimumHeight(std::max(84, 4 * (fontMetrics().height() + 14)));
    v->addWidget(pbSL);
    v->addStretch(1);
}

}  // namespace lumora::app
