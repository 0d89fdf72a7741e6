// The periodic table: a window of its own, and the element picker of the
// structure editor.
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Tools.h"
#include "structure/Elements.h"

namespace lumora::app {

namespace {

// Grid rows: 0 the group numerals, 1-7 the periods, 8 a gap, 9 and 10 the
// lanthanides and actinides.
struct Place {
    int row;
    int column;
};

Place placeOf(int z) {
    if (z == 1) return {1, 0};
    if (z == 2) return {1, 17};
    if (z <= 4) return {2, z - 3};
    if (z <= 10) return {2, z + 7};
    if (z <= 12) return {3, z - 11};
    if (z <= 18) return {3, z - 1};
    if (z <= 36) return {4, z - 19};
    if (z <= 54) return {5, z - 37};
    if (z <= 56) return {6, z - 55};
    if (z <= 71) return {9, z - 57 + 2};
    if (z <= 86) return {6, z - 72 + 3};
    if (z <= 88) return {7, z - 87};
    if (z <= 103) return {10, z - 89 + 2};
    return {7, z - 104 + 3};
}

// Classic numerals, main groups A and transition groups B.
constexpr std::array<const char*, 18> kGroups = {"IA",   "IIA",   "IIIB",  "IVB",   "VB",   "VIB",
                                                 "VIIB", "VIIIB", "VIIIB", "VIIIB", "IB",   "IIB",
                                                 "IIIA", "IVA",   "VA",    "VIA",   "VIIA", "VIIIA"};

QString blockColour(int z) {
    const Place p = placeOf(z);
    if (p.row >= 9) return QStringLiteral("#f3d9ef");                       // lanthanides, actinides
    if (p.column <= 1) return QStringLiteral("#fbe0c4");                    // s block
    if (p.column >= 2 && p.column <= 11) return QStringLiteral("#d6e6fa");  // d block
    return QStringLiteral("#d9f2d0");                                       // p block
}

QString describe(int z) {
    return QStringLiteral("%1    Atomic number %2    Radius %3 \u00c5")
        .arg(QString::fromStdString(structure::elementSymbol(z)))
        .arg(z)
        .arg(static_cast<double>(structure::atomRadius(z)), 0, 'f', 2);
}

}  // namespace

PeriodicTable::PeriodicTable(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setSpacing(2);
    for (int column = 0; column < 18; ++column) {
        if (column == 8 || column == 9) continue;  // VIIIB spans the three columns 8-10
        auto* numeral = new QLabel(QString::fromUtf8(kGroups[static_cast<std::size_t>(column)]), this);
        numeral->setAlignment(Qt::AlignCenter);
        grid->addWidget(numeral, 0, column, 1, column == 7 ? 3 : 1);
    }
    for (int period = 1; period <= 7; ++period) {
        auto* label = new QLabel(QString::number(period), this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(label, period, 18);
    }
    grid->setRowMinimumHeight(8, 8);
    for (const auto& [row, text] : {std::pair{6, "57-71"}, std::pair{7, "89-103"}}) {
        auto* marker = new QLabel(QString::fromUtf8(text), this);
        marker->setAlignment(Qt::AlignCenter);
        marker->setStyleSheet(QStringLiteral("color: #806080; font-size: 8pt"));
        grid->addWidget(marker, row, 2);
    }

    for (int z = 1; z <= structure::kLastElement; ++z) {
        auto* b = new QToolButton(this);
        const QString symbol = QString::fromStdString(structure::elementSymbol(z));
        b->setObjectName(QStringLiteral("element%1").arg(z));
        b->setText(QStringLiteral("%1\n%2").arg(z).arg(symbol));
        b->setToolTip(describe(z));
        b->setCheckable(true);
        b->setAutoExclusive(false);
        b->setMinimumSize(38, 38);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setStyleSheet(
            QStringLiteral("QToolButton { background: %1; border: 1px solid #8a8a8a; }"
                           "QToolButton:checked { background: #ffe066; border: 2px solid #303030; }"
                           "QToolButton:hover { border: 1px solid #202020; }")
                .arg(blockColour(z)));
        const Place p = placeOf(z);
        grid->addWidget(b, p.row, p.column);
        buttons_[static_cast<std::size_t>(z)] = b;
        connect(b, &QToolButton::clicked, this, [this, z] {
            setCurrent(z);
            emit elementClicked(z);
        });
    }
}

void PeriodicTable::setCurrent(int z) {
    for (int i = 1; i <= structure::kLastElement; ++i)
        buttons_[static_cast<std::size_t>(i)]->setChecked(i == z);
}

QAbstractButton* PeriodicTable::button(int z) const {
    if (z < 1 || z > structure::kLastElement) return nullptr;
    return buttons_[static_cast<std::size_t>(z)];
}

QWidget* showPeriodicTable(QWidget* owner) {
    // One table per owner: opening it again brings it to the front.
    static const QString kName = QStringLiteral("PeriodicTableWindow");
    if (owner) {
        if (auto* open = owner->findChild<QDialog*>(kName, Qt::FindDirectChildrenOnly)) {
            open->show();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    auto* window = new QDialog(owner);
    window->setObjectName(kName);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Periodic Table"));
    window->setModal(false);
    auto* table = new PeriodicTable(window);
    auto* info = new QLabel(QStringLiteral("Click an element to see its atomic number and radius."), window);
    info->setObjectName(QStringLiteral("elementInfo"));
    info->setFrameShape(QFrame::StyledPanel);
    info->setMinimumHeight(28);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(table);
    layout->addWidget(info);
    QObject::connect(table, &PeriodicTable::elementClicked, info,
                     [info](int z) { info->setText(describe(z)); });
    window->show();
    return window;
}

int pickElement(QWidget* parent, int current) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ElementPicker"));
    dialog.setWindowTitle(QStringLiteral("Choose an Element"));
    auto* table = new PeriodicTable(&dialog);
    table->setCurrent(current);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    int chosen = 0;
    QObject::connect(table, &PeriodicTable::elementClicked, &dialog, [&](int z) {
        chosen = z;
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return dialog.exec() == QDialog::Accepted ? chosen : 0;
}

}  // namespace lumora::app
