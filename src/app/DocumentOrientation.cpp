// Finding the crystal's orientation from the photo: display levels of the
// frame, spot search and the spots the user adds or removes, indexing without
// a guess, turning the crystal to a solution and refining it.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSaveFile>
#include <QTableView>
#include <algorithm>
#include <cmath>

#include "app/DetectorPanel.h"
#include "app/DocumentWindow.h"
#include "app/Folders.h"
#include "app/Messages.h"
#include "app/OrientationPanel.h"
#include "app/PhotoGeometry.h"
#include "app/PhotoPanel.h"
#include "app/SettingsStore.h"
#include "app/SolutionTableModel.h"
#include "app/SpotTableModel.h"
#include "engine/Refinement.h"
#include "engine/SpotList.h"
#include "util/Error.h"

namespace lumora::app {

namespace {

constexpr DisplayLevels kEightBitLevels{0, 255, false};

engine::Mat3d toDouble(const Mat3f& m) {
    engine::Mat3d d{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) d[i][j] = m[i][j];
    return d;
}

Mat3f toSingle(const engine::Mat3d& m) {
    Mat3f f{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) f[i][j] = static_cast<float>(m[i][j]);
    return f;
}

QString signedNumber(double v, int decimals) { return QString::asprintf("%+.*f", decimals, v); }

// "rotation x +0.0123 ± 0.0010°" for each parameter, in the unit of its kind.
QString parameterText(const engine::RefinedParameter& p) {
    const bool angle =
        p.name.rfind("rotation", 0) == 0 || p.name.rfind("tilt", 0) == 0 || p.name.rfind("turn", 0) == 0;
    const bool pixels = p.name.rfind("centre", 0) == 0;
    const QString unit = angle    ? QStringLiteral("\u00b0")
                         : pixels ? QStringLiteral(" px")
                                  : QStringLiteral(" mm");
    const int decimals = angle ? 4 : 3;
    return QStringLiteral("%1 %2 \u00b1 %3%4")
        .arg(QString::fromStdString(p.name), signedNumber(p.change, decimals),
             QString::asprintf("%.*f", decimals, p.sigma), unit);
}

}  // namespace

void frmDocument::connectOrientation() {
    connect(photoPanel_, &PhotoPanel::levelsEdited, this, [this] { guarded([this] { levelsEdited(); }); });
    connect(photoPanel_, &PhotoPanel::autoLevelsRequested, this, [this] {
        guarded([this] {
            if (frame_.values.empty()) return;
            photoPanel_->setLevels(autoLevels(frame_));
            levelsEdited();
        });
    });
    connect(orientPanel_, &OrientationPanel::findSpotsRequested, this,
            [this] { guarded([this] { findSpots(); }); });
    connect(orientPanel_, &OrientationPanel::loadSpotsRequested, this,
            [this] { guarded([this] { loadSpots(); }); });
    connect(orientPanel_, &OrientationPanel::saveSpotsRequested, this,
            [this] { guarded([this] { saveSpots(); }); });
    connect(orientPanel_, &OrientationPanel::indexRequested, this,
            [this] { guarded([this] { indexPhoto(); }); });
    connect(orientPanel_, &OrientationPanel::applyRequested, this,
            [this](int row) { guarded([&] { applySolution(row); }); });
    connect(orientPanel_, &OrientationPanel::refineRequested, this,
            [this] { guarded([this] { refineOrientation(); }); });
    SpotTableModel* spots = orientPanel_->spots();
    connect(spots, &QAbstractItemModel::modelReset, this, [this] { spotsChanged(); });
    connect(spots, &QAbstractItemModel::rowsInserted, this, [this] { spotsChanged(); });
    connect(spots, &QAbstractItemModel::rowsRemoved, this, [this] { spotsChanged(); });
    connect(patternView_, &PatternView::photoClicked, this,
            [this](double x, double y, bool shift) { guarded([&] { photoClicked(x, y, shift); }); });
    connect(patternView_, &PatternView::photoMenuRequested, this,
            [this](const QPoint& at, double x, double y) { guarded([&] { showSpotMenu(at, x, y); }); });
}

// ---- the frame and its levels ----------------------------------------------------------------

QImage frmDocument::photoPicture() const {
    const DisplayLevels& levels = photoPanel_->levels();
    if (frameDepth_ == 8 && levels == kEightBitLevels && !photoColour_.isNull()) return photoColour_;
    return levelledImage(frame_, levels);
}

void frmDocument::takeFrame(engine::GreyFrame frame, int depth, QImage colour) {
    frame_ = std::move(frame);
    frameDepth_ = depth;
    photoColour_ = std::move(colour);
    // A photograph shows as it is; a detector frame by its histogram.
    photoPanel_->setLevels(depth > 8 ? autoLevels(frame_) : kEightBitLevels);
    photoPanel_->enableLevels(!frame_.values.empty());
    // The spots and orientations of another photo do not belong to this one.
    orientPanel_->spots()->setSpots({});
    orientPanel_->showResult(QString());
}

void frmDocument::levelsEdited() {
    if (frame_.values.empty()) return;
    patternView_->replacePhotoPicture(photoPicture());
    Redraw();
}

// ---- spots -------------------------------------------------------------------------------------

bool frmDocument::runSearch(const QString& label, const std::function<void(const ProgressCallback&)>& work) {
    // The progress dialog lets events in while it shows; no second search
    // starts from them, and the panel takes no commands meanwhile.
    if (searching_) return false;
    searching_ = true;
    orientPanel_->setBusy(true);
    struct Done {
        frmDocument& d;
        ~Done() {
            d.searching_ = false;
            d.orientPanel_->setBusy(false);
        }
    } done{*this};
    const BusyCursor busy;
    Progress progress(this, label);
    try {
        work([&progress](double fraction) { return progress.step(fraction); });
    } catch (const Cancelled&) {
        return false;
    }
    return true;
}

void frmDocument::findSpots() {
    if (frame_.values.empty()) {
        tell(this, QStringLiteral("Find spots"), QStringLiteral("Load a photo or detector frame first."));
        return;
    }
    const auto threshold = orientPanel_->threshold();
    if (!threshold) return;
    engine::PeakSearchOptions options;
    options.thresholdSigma = *threshold;
    std::vector<engine::Peak> peaks;
    if (!runSearch(QStringLiteral("Finding spots ..."), [&](const ProgressCallback& progress) {
            peaks = engine::findPeaks(frame_, options, progress);
        })) {
        setHINT(QStringLiteral("Spot search cancelled: the spots stay"));
        return;
    }
    const auto count = peaks.size();
    orientPanel_->spots()->setSpots(std::move(peaks));
    setHINT(QStringLiteral("%1 spots found above %2 \u03c3").arg(count).arg(*threshold));
}

void frmDocument::spotsChanged() {
    std::vector<std::array<double, 2>> marks;
    for (const engine::Peak& p : orientPanel_->spots()->spots()) marks.push_back({p.x, p.y});
    patternView_->setPhotoMarks(std::move(marks));
    if (view_ == Photo) redrawPattern();
}

void frmDocument::photoClicked(double x, double y, bool remove) {
    if (searching_) return;
    SpotTableModel* spots = orientPanel_->spots();
    if (remove) {
        const int row = spots->nearest(x, y);
        if (row < 0) return;
        const engine::Peak gone = spots->spots()[static_cast<std::size_t>(row)];
        spots->removeSpot(row);
        setHINT(QStringLiteral("Spot at %1, %2 removed").arg(gone.x, 0, 'f', 1).arg(gone.y, 0, 'f', 1));
        return;
    }
    const engine::Peak spot = spotAt(frame_, x, y);
    const int row = spots->addSpot(spot);
    orientPanel_->spotTable()->selectRow(row);
    setHINT(QStringLiteral("Spot added at %1, %2").arg(spot.x, 0, 'f', 1).arg(spot.y, 0, 'f', 1));
}

void frmDocument::showSpotMenu(const QPoint& globalPosition, double x, double y) {
    if (searching_) return;
    if (!spotMenu_) {
        spotMenu_ = new QMenu(this);
        spotMenu_->setObjectName("mnuSPOT");
    }
    spotMenu_->clear();
    QAction* add = spotMenu_->addAction(QStringLiteral("Add spot here"));
    QAction* remove = spotMenu_->addAction(QStringLiteral("Remove spot"));
    remove->setEnabled(orientPanel_->spots()->rowCount() > 0);
    connect(add, &QAction::triggered, this, [this, x, y] { guarded([&] { photoClicked(x, y, false); }); });
    connect(remove, &QAction::triggered, this, [this, x, y] { guarded([&] { photoClicked(x, y, true); }); });
    spotMenu_->popup(globalPosition);
}

void frmDocument::saveSpots() {
    const std::vector<engine::Peak>& spots = orientPanel_->spots()->spots();
    if (spots.empty()) return;
    const QString start = QDir(dialogFolder())
                              .filePath(photoFile_.isEmpty() ? QStringLiteral("spots.txt")
                                                             : QFileInfo(photoFile_).completeBaseName() +
                                                                   QStringLiteral(".txt"));
    const QString path = askSaveFileName(this, QStringLiteral("Save spots"), start,
                                         QStringLiteral("Spot list (*.txt);;All Files (*)"));
    if (path.isEmpty()) return;
    rememberDialogFolder(path);
    if (QFileInfo::exists(path) && !ask(this, QStringLiteral("File already exists"),
                                        QStringLiteral("Do you want to overwrite existing file?")))
        return;
    QSaveFile file(path);
    const QByteArray text = spotListText(spots).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw Error(Error::PathAccess, "Path/File access error: " + QFileInfo(path).fileName().toStdString() +
                                           ": " + file.errorString().toStdString());
    setHINT(QStringLiteral("%1 spots saved to %2").arg(spots.size()).arg(QFileInfo(path).fileName()));
}

void frmDocument::loadSpots() {
    const QString path = askOpenFileName(this, QStringLiteral("Load spots"), dialogFolder(),
                                         QStringLiteral("Spot list (*.txt *.dat *.peaks);;All Files (*)"));
    if (path.isEmpty()) return;
    rememberDialogFolder(path);
    const std::vector<engine::ListedSpot> listed =
        engine::readSpotList(QFile::encodeName(path).toStdString());
    std::vector<engine::Peak> spots;
    spots.reserve(listed.size());
    for (const engine::ListedSpot& s : listed) {
        engine::Peak p;
        p.x = s.a;
        p.y = s.b;
        p.intensity = s.intensity;
        spots.push_back(p);
    }
    const auto count = spots.size();
    orientPanel_->spots()->setSpots(std::move(spots));
    setHINT(QStringLiteral("%1 spots read from %2").arg(count).arg(QFileInfo(path).fileName()));
}

// ---- indexing ------------------------------------------------------------------------------------

std::vector<engine::IndexSpot> frmDocument::spotRays() const {
    const QSize photo =
        patternView_->photo().isNull() ? QSize(frame_.width, frame_.height) : patternView_->photo().size();
    const PhotoGeometry geometry = photoGeometry(*m_laue, patternView_->renderOptions(), photo);
    std::vector<engine::IndexSpot> rays;
    for (const engine::Peak& p : orientPanel_->spots()->spots())
        rays.push_back({geometry.rayAt(p.x, p.y), p.intensity});
    return rays;
}

engine::IndexCrystal frmDocument::indexCrystal() const {
    engine::IndexCrystal crystal;
    for (int i = 0; i < 6; ++i) crystal.cell[static_cast<std::size_t>(i)] = m_laue->getCellConstant(i);
    crystal.ops = m_laue->symmetryState().ops;
    return crystal;
}

engine::IndexOptions frmDocument::indexOptions(double tolerance) const {
    engine::IndexOptions options;
    options.lambdaMin = m_laue->x_lambda_min > 0 ? m_laue->x_lambda_min : m_laue->getWavelengthMinimum();
    options.lambdaMax = m_laue->x_lambda_max;
    options.toleranceDeg = tolerance;
    if (!(options.lambdaMax > options.lambdaMin))
        throw Error(Error::InvalidCall,
                    QStringLiteral("Invalid procedure call: the band is empty (%1 to %2 \u00c5)")
                        .arg(options.lambdaMin)
                        .arg(options.lambdaMax)
                        .toStdString());
    return options;
}

void frmDocument::indexPhoto() {
    if (!hasReflections()) {
        tell(this, QStringLiteral("Index"), QStringLiteral("Please generate HKL first"));
        return;
    }
    const auto tolerance = orientPanel_->tolerance();
    if (!tolerance) return;
    const std::vector<engine::IndexSpot> rays = spotRays();
    if (rays.size() < 3) {
        tell(this, QStringLiteral("Index"), QStringLiteral("Indexing needs at least 3 spots."));
        return;
    }
    const engine::IndexCrystal crystal = indexCrystal();
    const engine::IndexOptions options = indexOptions(*tolerance);
    std::vector<engine::IndexSolution> solutions;
    if (!runSearch(QStringLiteral("Indexing %1 spots ...").arg(rays.size()),
                   [&](const ProgressCallback& progress) {
                       solutions = engine::indexSpots(rays, crystal, options, progress);
                   })) {
        setHINT(QStringLiteral("Indexing cancelled"));
        return;
    }
    const std::size_t found = solutions.size();
    orientPanel_->solutions()->setSolutions(std::move(solutions), static_cast<int>(rays.size()),
                                            m_laue->cellMetric());
    if (found == 0) {
        const auto needed =
            std::min<std::size_t>(rays.size(), static_cast<std::size_t>(options.minExplained));
        orientPanel_->showResult(QStringLiteral("No orientation explains %1 of the %2 spots within %3\u00b0.")
                                     .arg(needed)
                                     .arg(rays.size())
                                     .arg(*tolerance));
        setHINT(QStringLiteral("No orientation found"));
        return;
    }
    orientPanel_->solutionTable()->selectRow(0);
    const engine::IndexSolution& best = orientPanel_->solutions()->solutions().front();
    orientPanel_->showResult(QStringLiteral("%1 orientation(s); the best explains %2 of %3 spots, mean "
                                            "deviation %4\u00b0. Apply turns the crystal to the one chosen.")
                                 .arg(found)
                                 .arg(best.spots.size())
                                 .arg(rays.size())
                                 .arg(QString::asprintf("%.3f", best.meanDeviationDeg)));
    setHINT(QStringLiteral("%1 orientation(s) found").arg(found));
}

void frmDocument::applySolution(int row) {
    const auto& solutions = orientPanel_->solutions()->solutions();
    if (row < 0 || row >= static_cast<int>(solutions.size()) || !hasReflections()) return;
    const Mat3f matrix = toSingle(solutions[static_cast<std::size_t>(row)].matrix);
    RedrawBatch batch(*this);
    recordTurn(QStringLiteral("Orientation from the photo"), [&] { m_laue->setOrientationMatrix(matrix); });
    Redraw();
    setHINT(QStringLiteral("Turned to solution %1: %2 on the beam")
                .arg(row + 1)
                .arg(orientationText().trimmed()));
}

void frmDocument::refineOrientation() {
    if (!hasReflections()) {
        tell(this, QStringLiteral("Refine"), QStringLiteral("Please generate HKL first"));
        return;
    }
    const auto tolerance = orientPanel_->tolerance();
    if (!tolerance) return;
    const std::vector<engine::IndexSpot> rays = spotRays();
    const engine::IndexCrystal crystal = indexCrystal();
    const engine::Mat3d start = toDouble(m_laue->orientationMatrix());
    const std::vector<engine::IndexedSpot> matched =
        engine::explainSpots(rays, start, crystal, indexOptions(*tolerance));
    const bool camera = m_laue->m_mode == kDetectorPlot;
    bool withDetector = orientPanel_->refineDetector();
    QString note;
    if (withDetector && !camera) {
        // A film's place on the photo is the distance field and the photo centre.
        withDetector = false;
        note = QStringLiteral(" A film's geometry is not refined: it is the FSD and the photo centre.");
    }
    const std::size_t needed = withDetector ? 6 : 3;
    if (matched.size() < needed) {
        tell(this, QStringLiteral("Refine"),
             QStringLiteral("The present orientation explains %1 of the %2 spots within %3\u00b0; refining "
                            "needs %4. Index and Apply first.")
                 .arg(matched.size())
                 .arg(rays.size())
                 .arg(*tolerance)
                 .arg(needed));
        return;
    }
    const engine::Mat3d& reciprocal = m_laue->cellMetric().reciprocalBasis();
    const std::vector<engine::Peak>& peaks = orientPanel_->spots()->spots();
    std::vector<engine::RefinementSpot> spots;
    for (const engine::IndexedSpot& m : matched) {
        engine::RefinementSpot s;
        for (int i = 0; i < 3; ++i)
            s.g[i] = reciprocal[i][0] * m.hkl[0] + reciprocal[i][1] * m.hkl[1] + reciprocal[i][2] * m.hkl[2];
        const auto index = static_cast<std::size_t>(m.spot);
        s.ray = rays[index].ray;
        if (camera) s.pixel = engine::Vec2d{peaks[index].x, peaks[index].y};
        spots.push_back(s);
    }
    const engine::Detector detector = m_laue->laueDetector(patternView_->renderOptions().flipX);
    const engine::RefinementResult result = engine::refine(spots, start, detector, withDetector);

    RedrawBatch batch(*this);
    recordTurn(QStringLiteral("Refine"), [&] { m_laue->setOrientationMatrix(toSingle(result.matrix)); });
    if (withDetector) {
        if (inputs_->detector()->takeCustomCamera(result.detector)) {
            saveDetectorSetup(inputs_->detector()->setup());
            m_laue->setDetector(inputs_->detector()->camera());
            emit statusChanged();
        } else {
            note = QStringLiteral(
                " The refined camera lies beyond what the detector fields hold; it was not taken.");
        }
    }
    Redraw();
    QStringList changes;
    for (const engine::RefinedParameter& p : result.parameters) changes << parameterText(p);
    QString text =
        QStringLiteral("Refined on %1 spots: mean deviation %2\u00b0 (before %3\u00b0), rms %4\u00b0")
            .arg(spots.size())
            .arg(QString::asprintf("%.4f", result.meanDeviationDeg))
            .arg(QString::asprintf("%.4f", result.startMeanDeviationDeg))
            .arg(QString::asprintf("%.4f", result.rmsDeviationDeg));
    if (result.rmsPixels > 0) text += QString::asprintf(" = %.2f px", result.rmsPixels);
    text += QStringLiteral(". ") + changes.join(QStringLiteral("; ")) + QLatin1Char('.') + note;
    if (!result.converged) text += QStringLiteral(" (not converged)");
    orientPanel_->showResult(text);
    setHINT(QStringLiteral("Refined: mean deviation %1\u00b0")
                .arg(QString::asprintf("%.4f", result.meanDeviationDeg)));
}

}  // namespace lumora::app
