#include "app/PhotoPanel.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/OrientationPanel.h"
#include "app/PictureBox.h"
#include "engine/LaueEngine.h"
#include "util/Error.h"
#include "util/NumberText.h"

namespace lumora::app {

namespace {

constexpr int kMarkerLength = 9;  // ruler markers: a small triangle pointing into the photo
constexpr int kMarkerDepth = 6;

QString joined(double a, double b, const char* pattern) {
    return QString::fromStdString(util::formatNumber(a, pattern) + ", " + util::formatNumber(b, pattern));
}

QPixmap markerPixmap(bool pointingDown) {
    const QSize size = pointingDown ? QSize(kMarkerLength, kMarkerDepth) : QSize(kMarkerDepth, kMarkerLength);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 0, 0));
    const double l = kMarkerLength, d = kMarkerDepth;
    const QPolygonF triangle =
        pointingDown ? QPolygonF{{0, 0}, {l, 0}, {l / 2, d}} : QPolygonF{{0, 0}, {0, l}, {d, l / 2}};
    p.drawPolygon(triangle);
    return pixmap;
}

}  // namespace

double photoUnitsPerMm(QSizeF photo, QSizeF film) {
    if (!(photo.width() > 0 && photo.height() > 0 && film.width() > 0 && film.height() > 0)) return 0;
    const double u = (photo.height() / film.height() + photo.width() / film.width()) / 2;
    return std::isfinite(u) ? u : 0;
}

PhotoPointer photoPointer(double x, double y, double fit, double unitsPerMm, QSizeF photo) {
    PhotoPointer p;
    if (!std::isfinite(x) || !std::isfinite(y)) return p;
    double right = std::numeric_limits<double>::max(), bottom = right;
    if (photo.width() > 0 && photo.height() > 0 && fit > 0) {
        right = photo.width() * fit;
        bottom = photo.height() * fit;
    }
    p.display = QPointF(std::clamp(x, 0.0, right), std::clamp(y, 0.0, bottom));
    if (!(fit > 0 && std::isfinite(fit))) return p;
    const double px = p.display.x() / fit;
    const double py = p.display.y() / fit;
    p.pixels = QPointF(util::nearest(px), util::nearest(py));
    p.pixelText = QString("%1, %2").arg(p.pixels.x(), 0, 'f', 0).arg(p.pixels.y(), 0, 'f', 0);
    if (!(unitsPerMm > 0 && std::isfinite(unitsPerMm))) return p;
    p.mm = QPointF(px / unitsPerMm, py / unitsPerMm);
    p.mmText = joined(p.mm.x(), p.mm.y(), "0.0");
    return p;
}

PhotoPanel::PhotoPanel(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName("photoSplitter");
    split->setChildrenCollapsible(false);
    outer->addWidget(split);
    auto* top = new QWidget(split);
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    pb2_ = new PictureBox(top);
    pb2_->setObjectName("pb2");
    row->addWidget(pb2_, 1);

    auto* fr2 = new QFrame(top);
    fr2->setObjectName("fr2");
    fr2->setFrameShape(QFrame::StyledPanel);
    fr2->setFixedWidth(130);
    auto* column = new QVBoxLayout(fr2);
    column->setContentsMargins(6, 6, 6, 6);
    row->addWidget(fr2);

    btOPEN_ = new QPushButton(tr("Open Photo"), fr2);
    btOPEN_->setObjectName("btOPEN");
    connect(btOPEN_, &QPushButton::clicked, this, &PhotoPanel::openPhoto);
    column->addWidget(btOPEN_);

    btTWAIN_ = new QPushButton(tr("Scanner..."), fr2);
    btTWAIN_->setObjectName("btTWAIN");
    connect(btTWAIN_, &QPushButton::clicked, this, &PhotoPanel::chooseScanner);
    column->addWidget(btTWAIN_);

    // The resolution has no effect on the overlay (it fits the photo to the
    // film whatever its scan resolution), so the button only shows it.
    btDPI_ = new QPushButton(tr("150 dpi"), fr2);
    btDPI_->setObjectName("btDPI");
    btDPI_->setToolTip(tr("Image resolution [dpi]"));
    btDPI_->setEnabled(false);
    connect(btDPI_, &QPushButton::clicked, this, &PhotoPanel::resolutionClicked);
    column->addWidget(btDPI_);
    column->addSpacing(12);

    static const char* const centreTips[2] = {"center-X [mm]", "center-Y [mm]"};
    for (int i = 0; i < 2; ++i) {
        auto* caption = new QLabel(tr(centreTips[i]), fr2);
        column->addWidget(caption);
        tfXM_[i] = new QLineEdit(fr2);
        tfXM_[i]->setObjectName(QString("tfXM%1").arg(i));
        tfXM_[i]->setToolTip(tr(centreTips[i]));
        tfXM_[i]->installEventFilter(this);
        connect(tfXM_[i], &QLineEdit::returnPressed, this, &PhotoPanel::centreEdited);
        caption->setBuddy(tfXM_[i]);
        column->addWidget(tfXM_[i]);
    }
    column->addSpacing(12);

    static const char* const pointerTips[2] = {"Mouse position in [pixel]", "Mouse position in [mm]"};
    for (int i = 0; i < 2; ++i) {
        tfMSG_[i] = new QLineEdit(fr2);
        tfMSG_[i]->setObjectName(QString("tfMSG%1").arg(i));
        tfMSG_[i]->setToolTip(tr(pointerTips[i]));
        tfMSG_[i]->setReadOnly(true);
        tfMSG_[i]->setFocusPolicy(Qt::NoFocus);
        column->addWidget(tfMSG_[i]);
    }
    column->addSpacing(12);

    // Display levels: the frame keeps its values, the picture follows these.
    static const char* const levelNames[2] = {"Black point", "White point"};
    for (int i = 0; i < 2; ++i) {
        auto* caption = new QLabel(tr(levelNames[i]), fr2);
        column->addWidget(caption);
        tfLEVEL_[i] = new QLineEdit(fr2);
        tfLEVEL_[i]->setObjectName(i == 0 ? "tfBLACK" : "tfWHITE");
        tfLEVEL_[i]->setToolTip(tr("%1 of the picture, in the frame's counts").arg(tr(levelNames[i])));
        caption->setBuddy(tfLEVEL_[i]);
        connect(tfLEVEL_[i], &QLineEdit::editingFinished, this, [this, i] { levelEdited(i); });
        column->addWidget(tfLEVEL_[i]);
    }
    auto* levelRow = new QHBoxLayout;
    chkLOG_ = new QCheckBox(tr("Log"), fr2);
    chkLOG_->setObjectName("chkLOG");
    chkLOG_->setToolTip(tr("Grey levels by the logarithm of the counts above the black point"));
    connect(chkLOG_, &QCheckBox::toggled, this, [this](bool on) {
        if (levels_.log == on) return;
        levels_.log = on;
        emit levelsEdited();
    });
    btAUTO_ = new QPushButton(tr("Auto"), fr2);
    btAUTO_->setObjectName("btAUTOLEVELS");
    btAUTO_->setToolTip(tr("Levels from the histogram: the 0.5th and 99.8th percentiles"));
    connect(btAUTO_, &QPushButton::clicked, this, &PhotoPanel::autoLevelsRequested);
    levelRow->addWidget(chkLOG_);
    levelRow->addWidget(btAUTO_);
    column->addLayout(levelRow);
    column->addStretch(1);
    enableLevels(false);

    for (int i = 0; i < 2; ++i) {
        mmdot_[i] = new QLabel(pb2_);
        mmdot_[i]->setObjectName(QString("mmdot%1").arg(i));
        mmdot_[i]->setPixmap(markerPixmap(i == 0));
        mmdot_[i]->adjustSize();
        mmdot_[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        mmdot_[i]->hide();
    }
    showCentre();
    showLevels();

    orientation_ = new OrientationPanel(split);
    split->addWidget(top);
    split->addWidget(orientation_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
}

void PhotoPanel::setLevels(const DisplayLevels& levels) {
    levels_ = levels;
    showLevels();
}

void PhotoPanel::enableLevels(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(tfLEVEL_[0]), static_cast<QWidget*>(tfLEVEL_[1]),
                       static_cast<QWidget*>(chkLOG_), static_cast<QWidget*>(btAUTO_)})
        w->setEnabled(on);
}

void PhotoPanel::showLevels() {
    tfLEVEL_[0]->setText(QString::number(levels_.black, 'g', 7));
    tfLEVEL_[1]->setText(QString::number(levels_.white, 'g', 7));
    const QSignalBlocker blocker(chkLOG_);
    chkLOG_->setChecked(levels_.log);
}

// The white point stays above the black point; a value that cannot be a
// level is refused and the field shows the level in force.
void PhotoPanel::levelEdited(int field) {
    DisplayLevels next = levels_;
    double& value = field == 0 ? next.black : next.white;
    double typed = 0;
    const QString text = tfLEVEL_[field]->text().trimmed();
    QString fault;
    if (!util::parseStrictNumber(text.toStdString(), typed) || !std::isfinite(typed) ||
        std::fabs(typed) > 1e9)
        fault = tr("\"%1\" is not a number of counts").arg(text);
    else
        value = typed;
    if (fault.isEmpty() && !(next.white > next.black))
        fault = tr("the white point must lie above the black point");
    if (!fault.isEmpty()) {
        showLevels();
        tell(this, QStringLiteral("Display levels"), fault.left(1).toUpper() + fault.mid(1) + '.',
             QMessageBox::Warning);
        return;
    }
    if (next == levels_) {
        showLevels();
        return;
    }
    levels_ = next;
    showLevels();
    emit levelsEdited();
}

void PhotoPanel::showPointer(double x, double y, const QImage& photo, bool shown, QSizeF film) {
    if (!shown || photo.isNull()) {
        clearPointer();
        return;
    }
    photoSize_ = photo.size();
    // The page fits the photo at its top left, as wide or as high as it can.
    const QSizeF page = pb2_->surface().size();
    double fit = page.width() / photoSize_.width();
    if (photoSize_.height() * fit > page.height()) fit = page.height() / photoSize_.height();
    showReadout(photoPointer(x, y, fit, photoUnitsPerMm(QSizeF(photoSize_), film), QSizeF(photoSize_)));
}

void PhotoPanel::showPointer(double x, double y, double fitFactor, double pixelsPerMm) {
    showReadout(photoPointer(x, y, fitFactor, pixelsPerMm, QSizeF(photoSize_)));
}

void PhotoPanel::showReadout(const PhotoPointer& pointer) {
    if (pointer.pixelText.isEmpty()) {
        clearPointer();
        return;
    }
    tfMSG_[0]->setText(pointer.pixelText);
    tfMSG_[1]->setText(pointer.mmText);
    const QString tip = pointer.mmText.isEmpty() ? pointer.pixelText : pointer.mmText;
    pb2_->setToolTip(tip);
    if (QToolTip::isVisible() && pb2_->underMouse()) QToolTip::showText(QCursor::pos(), tip, pb2_);

    const QPoint at = pointer.display.toPoint();
    mmdot_[0]->move(at.x() - kMarkerLength / 2, 0);
    mmdot_[1]->move(0, at.y() - kMarkerLength / 2);
    for (QLabel* marker : mmdot_) {
        marker->show();
        marker->raise();
    }
}

void PhotoPanel::clearPointer() {
    for (QLineEdit* field : tfMSG_) field->clear();
    for (QLabel* marker : mmdot_) marker->hide();
    pb2_->setToolTip(QString());
}

void PhotoPanel::readCentre() {
    Settings& settings = appState().settings;
    float* const centre[2] = {&settings.photoCentreX, &settings.photoCentreY};
    for (int i = 0; i < 2; ++i) {
        try {
            const double v = util::val(tfXM_[i]->text().toStdString());
            // Beyond a float the drawing could not place the beam; keep the old centre.
            if (std::isfinite(v) && std::fabs(v) <= 1e6) *centre[i] = static_cast<float>(v);
        } catch (const Error&) {
        }
    }
    showCentre();
}

void PhotoPanel::showCentre() {
    const Settings& settings = appState().settings;
    tfXM_[0]->setText(QString::fromStdString(util::singleText(settings.photoCentreX)));
    tfXM_[1]->setText(QString::fromStdString(util::singleText(settings.photoCentreY)));
}

void PhotoPanel::centreEdited() {
    const Settings& settings = appState().settings;
    const float oldX = settings.photoCentreX, oldY = settings.photoCentreY;
    readCentre();
    if (settings.photoCentreX != oldX || settings.photoCentreY != oldY) emit centreChanged();
}

bool PhotoPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == tfXM_[0] || watched == tfXM_[1])) centreEdited();
    return QWidget::eventFilter(watched, event);
}

void PhotoPanel::showEvent(QShowEvent* event) {
    // The centre is shared by every document: another one may have changed it.
    if (!tfXM_[0]->hasFocus() && !tfXM_[1]->hasFocus()) showCentre();
    QWidget::showEvent(event);
}

}  // namespace lumora::app
