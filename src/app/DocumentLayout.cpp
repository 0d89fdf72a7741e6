// The document window's layout: the hint line along the top, the scrolling
// input column on the left, the tab strip with its views, the command
// buttons along the bottom.
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/DocumentWindow.h"
#include "app/HklTableModel.h"
#include "app/PhotoPanel.h"
#include "app/PictureBox.h"

namespace lumora::app {

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
    inputs_ = new InputColumn;
    frLeft->setWidget(inputs_);
    // About 36 digits wide: the cell fields share the width, the lists scroll.
    const int columnWidth =
        std::min(inputs_->sizeHint().width(), fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36) +
        frLeft->verticalScrollBar()->sizeHint().width() + 4;
    frLeft->setMaximumWidth(columnWidth);
    frLeft->setMinimumWidth(std::min(columnWidth, 120));
    frLeft->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    middle->addWidget(frLeft);

    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    buildViews();
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

void frmDocument::buildViews() {
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

    photoPanel_ = new PhotoPanel(viewArea_);
    photoPanel_->setObjectName("photoPanel");
    photoPanel_->picture()->setObjectName("pb2");
    orientPanel_ = photoPanel_->orientation();
    patternView_ = new PatternView(*m_laue, photoPanel_->picture(), inputs_->sliders(), viewArea_);

    listSplitter_ = new QSplitter(Qt::Vertical, viewArea_);
    listSplitter_->setObjectName("listSplitter");
    hklModel_ = new HklTableModel(*m_laue, this);
    lstHKL = new QTableView(listSplitter_);
    lstHKL->setObjectName("lstHKL");
    lstHKL->setModel(hklModel_);
    lstHKL->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lstHKL->setShowGrid(false);
    lstHKL->setWordWrap(false);
    lstHKL->setAlternatingRowColors(true);
    lstHKL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstHKL->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstHKL->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows of one height: the view never measures fifty thousand of them.
    const QFontMetrics metrics(lstHKL->font());
    lstHKL->verticalHeader()->hide();
    lstHKL->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lstHKL->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    lstHKL->horizontalHeader()->setStretchLastSection(false);
    lstHKL->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lstHKL->setColumnWidth(HklTableModel::Number, metrics.horizontalAdvance(QStringLiteral("000000")) + 12);
    lstHKL->setColumnWidth(HklTableModel::Indices,
                           metrics.horizontalAdvance(QStringLiteral("-0000-0000-0000")) + 12);
    lstHKL->setColumnWidth(HklTableModel::Spacing,
                           metrics.horizontalAdvance(QStringLiteral("0000.00000")) + 12);
    lstHKL->setColumnWidth(HklTableModel::Amplitude,
                           metrics.horizontalAdvance(QStringLiteral("000000.00")) + 12);
    lstHKL->setColumnHidden(HklTableModel::Amplitude, true);
    taCSF = new QPlainTextEdit(listSplitter_);
    taCSF->setObjectName("taCSF");
    taCSF->setReadOnly(true);
    taCSF->setLineWrapMode(QPlainTextEdit::NoWrap);
    taCSF->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    listSplitter_->addWidget(lstHKL);
    listSplitter_->addWidget(taCSF);
    listSplitter_->setStretchFactor(0, 3);
    listSplitter_->setStretchFactor(1, 2);

    views->addWidget(patternView_, 1);
    views->addWidget(photoPanel_, 1);
    views->addWidget(listSplitter_, 1);
}

}  // namespace lumora::app
