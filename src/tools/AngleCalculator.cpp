#include "tools/AngleCalculator.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "engine/HexIndices.h"
#include "engine/LaueEngine.h"
#include "util/Error.h"
#include "util/NumberText.h"
#include "util/TextSplit.h"

namespace lumora::tools {

namespace {

const QString kSpaceHint = QStringLiteral("Please type SPACE between h k l");
const QString kNoDirection = QStringLiteral("The vector 0 0 0 has no direction");

bool hexagonal(const clLAUE& laue) {
    std::array<double, 6> cell{};
    for (int i = 0; i < 6; ++i) cell[static_cast<std::size_t>(i)] = laue.getCellConstant(i);
    return engine::isHexagonalCell(cell);
}

// Reads a vector field. With a hexagonal cell four numbers are (h k i l) or
// [u v t w]; otherwise parseVector reads it. Returns why it was refused, empty
// when it was read.
QString readField(const QString& text, const clLAUE& laue, bool direction, std::array<float, 3>& out) {
    if (util::splitBlanks(text.toStdString()).size() == 4 && hexagonal(laue)) {
        try {
            const std::array<double, 3> v = engine::readVector(text.toStdString(), direction);
            out = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
            return {};
        } catch (const Error& e) {
            return QString::fromStdString(e.description());
        }
    }
    return dlgANGLE::parseVector(text, out) ? QString() : kSpaceHint;
}

bool isZero(const std::array<float, 3>& v) { return v[0] == 0 && v[1] == 0 && v[2] == 0; }

QLineEdit* resultField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    return field;
}

// Buttons that Enter in a field must not trigger by accident.
QPushButton* button(const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

dlgANGLE::dlgANGLE(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral(" Angle Calculator"));
    setObjectName(QStringLiteral("dlgANGLE"));
    for (std::size_t i = 0; i < tf_.size(); ++i) {
        tf_[i] = (i == 2 || i == 4 || i == 5) ? resultField(this) : new QLineEdit(this);
        tf_[i]->setObjectName(QStringLiteral("tf%1").arg(i));
    }
    bt_[0] = button(QStringLiteral("Calculate Angle"), this);
    bt_[1] = button(QStringLiteral("Calculate Goniometer Adjustment Angles"), this);
    bt_[2] = button(QStringLiteral("Apply"), this);
    bt_[2]->setToolTip(QStringLiteral("Apply Calculated Angles"));
    bt_[2]->setEnabled(false);
    for (std::size_t i = 0; i < bt_.size(); ++i) bt_[i]->setObjectName(QStringLiteral("bt%1").arg(i));
    opt_[0] = new QRadioButton(QStringLiteral("Direct Lattice Vector [uvw]"), this);
    opt_[1] = new QRadioButton(QStringLiteral("Reciprocal Lattice Vector (hkl)"), this);
    opt_[0]->setChecked(true);
    lb3_ = new QLabel(QStringLiteral("UVW"), this);
    lb3_->setObjectName(QStringLiteral("lb3"));

    auto* angleFrame = new QGroupBox(QStringLiteral("Angle between two HKL vectors"), this);
    auto* angleGrid = new QGridLayout(angleFrame);
    angleGrid->addWidget(new QLabel(QStringLiteral("HKL1"), angleFrame), 0, 0);
    angleGrid->addWidget(tf_[0], 0, 1);
    angleGrid->addWidget(new QLabel(QStringLiteral("HKL2"), angleFrame), 1, 0);
    angleGrid->addWidget(tf_[1], 1, 1);
    angleGrid->addWidget(new QLabel(QStringLiteral("Angle = "), angleFrame), 2, 0);
    angleGrid->addWidget(tf_[2], 2, 1);
    angleGrid->addWidget(bt_[0], 3, 0, 1, 2);

    auto* gonioFrame = new QGroupBox(QStringLiteral("Goniometer adjustment to new orientation"), this);
    auto* gonioGrid = new QGridLayout(gonioFrame);
    gonioGrid->addWidget(opt_[0], 0, 0, 1, 3);
    gonioGrid->addWidget(opt_[1], 1, 0, 1, 3);
    gonioGrid->addWidget(new QLabel(QStringLiteral("New Orientation Vector"), gonioFrame), 2, 0);
    gonioGrid->addWidget(lb3_, 2, 1);
    gonioGrid->addWidget(tf_[3], 2, 2);
    gonioGrid->addWidget(new QLabel(QStringLiteral("Phi(x) = "), gonioFrame), 3, 0, 1, 2);
    gonioGrid->addWidget(tf_[4], 3, 2);
    gonioGrid->addWidget(new QLabel(QStringLiteral("Phi(z) = "), gonioFrame), 4, 0, 1, 2);
    gonioGrid->addWidget(tf_[5], 4, 2);
    auto* note = new QLabel(
        QStringLiteral("Rotate first around the horizontal X-axis by Phi(x) and then around the vertical "
                       "Z-axis by Phi(z)"),
        gonioFrame);
    note->setWordWrap(true);
    gonioGrid->addWidget(note, 5, 0, 1, 3);
    auto* gonioButtons = new QHBoxLayout;
    gonioButtons->addWidget(bt_[1]);
    gonioButtons->addWidget(bt_[2]);
    gonioGrid->addLayout(gonioButtons, 6, 0, 1, 3);

    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(angleFrame);
    layout->addWidget(gonioFrame);
    layout->addWidget(close);

    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(bt_[0], &QPushButton::clicked, this, &dlgANGLE::calculateAngle);
    connect(bt_[1], &QPushButton::clicked, this, &dlgANGLE::calculateGoniometer);
    connect(bt_[2], &QPushButton::clicked, this, &dlgANGLE::applyAngles);
    connect(tf_[0], &QLineEdit::returnPressed, this, &dlgANGLE::calculateAngle);
    connect(tf_[1], &QLineEdit::returnPressed, this, &dlgANGLE::calculateAngle);
    connect(tf_[3], &QLineEdit::returnPressed, this, &dlgANGLE::calculateGoniometer);
    for (QRadioButton* option : opt_) connect(option, &QRadioButton::toggled, this, &dlgANGLE::optionChanged);
}

void dlgANGLE::setLaue(clLAUE* laue, int vectorType) {
    laue_ = laue;
    opt_[vectorType == 1 ? 1 : 0]->setChecked(true);
    optionChanged();
}

void dlgANGLE::setMessenger(Messenger messenger) { messenger_ = std::move(messenger); }

void dlgANGLE::tell(const QString& title, const QString& text, QMessageBox::Icon icon) {
    if (messenger_) {
        messenger_(title, text, icon);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, this);
    box.exec();
}

bool dlgANGLE::parseVector(const QString& text, std::array<float, 3>& out) {
    const QString t = QString::fromStdString(util::trim(text.toStdString()));
    std::string s = t.toStdString();
    // Three characters without a blank are three indices ("111"; "-11" is 0 1 1).
    if (!t.contains(' ') && t.size() == 3)
        s = QString("%1 %2 %3").arg(t[0]).arg(t[1]).arg(t[2]).toStdString();
    const std::vector<std::string> parts = util::splitBlanks(s);
    if (parts.size() < 3) return false;
    std::array<float, 3> v{};
    for (std::size_t i = 0; i < 3; ++i) {
        double value = 0;
        try {
            value = util::val(parts[i]);
        } catch (const Error&) {
            return false;  // too large for any index
        }
        if (!std::isfinite(value) || std::fabs(value) > 1e30) return false;
        v[i] = static_cast<float>(value);
    }
    out = v;
    return true;
}

void dlgANGLE::optionChanged() {
    isDirection_ = opt_[0]->isChecked();
    lb3_->setText(isDirection_ ? QStringLiteral("UVW") : QStringLiteral("HKL"));
}

void dlgANGLE::calculateAngle() {
    if (!laue_ || laue_->n_hkl <= 0) {
        tell(windowTitle().trimmed(), QStringLiteral("No data loaded !"), QMessageBox::Information);
        return;
    }
    tf_[2]->clear();
    std::array<float, 3> p{}, q{};
    QString refusal = readField(tf_[0]->text(), *laue_, false, p);
    if (!refusal.isEmpty()) {
        tell(QStringLiteral("Invalid input: HKL(1)"), refusal, QMessageBox::Critical);
        return;
    }
    refusal = readField(tf_[1]->text(), *laue_, false, q);
    if (!refusal.isEmpty()) {
        tell(QStringLiteral("Invalid input: HKL(2)"), refusal, QMessageBox::Critical);
        return;
    }
    // A zero vector has no direction and so no angle to anything.
    if (isZero(p) || isZero(q)) {
        tell(QString::fromLatin1(isZero(p) ? "Invalid input: HKL(1)" : "Invalid input: HKL(2)"), kNoDirection,
             QMessageBox::Critical);
        return;
    }
    const float angle = laue_->AngleHKL({p[0], p[1], p[2]}, {q[0], q[1], q[2]});
    if (!std::isfinite(angle)) return;
    tf_[2]->setText(QString::fromStdString(util::formatNumber(angle, "0.0###")) + " deg");
}

void dlgANGLE::calculateGoniometer() {
    if (!laue_ || laue_->n_hkl <= 0) return;
    tf_[4]->clear();
    tf_[5]->clear();
    // Apply only ever applies the angles shown.
    bt_[2]->setEnabled(false);
    std::array<float, 3> v{};
    const QString refusal = readField(tf_[3]->text(), *laue_, isDirection_, v);
    if (!refusal.isEmpty()) {
        tell(QStringLiteral("Invalid input: HKL"), refusal, QMessageBox::Critical);
        return;
    }
    if (isZero(v)) {
        tell(QStringLiteral("Invalid input: HKL"), kNoDirection, QMessageBox::Critical);
        return;
    }
    const std::array<float, 2> angles = laue_->getGoniometer(v[0], v[1], v[2], isDirection_);
    if (!std::isfinite(angles[0]) || !std::isfinite(angles[1])) return;
    goniometer_ = angles;
    tf_[4]->setText(QString::fromStdString(util::formatNumber(goniometer_[1], "0.0#")));
    tf_[5]->setText(QString::fromStdString(util::formatNumber(goniometer_[0], "0.0#")));
    bt_[2]->setEnabled(true);
}

void dlgANGLE::applyAngles() {
    if (!laue_) return;
    // X first, then Z: the goniometer angles are worked out in that order.
    laue_->DoRotate(1, goniometer_[1]);
    laue_->DoRotate(3, goniometer_[0]);
    bt_[2]->setEnabled(false);
    emit applied();
}

}  // namespace lumora::tools
