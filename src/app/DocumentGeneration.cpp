// Generating the reflections of a document: Apply, generation after a
// structure change, the notes the hint adds, and long work under a progress
// dialog that can be cancelled.
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/DocumentWindow.h"
#include "app/HklTableModel.h"
#include "app/Messages.h"
#include "app/PatternView.h"
#include "structure/CellLattice.h"
#include "util/NumberText.h"
#include "util/Progress.h"

namespace lumora::app {

void frmDocument::apply() {
    guarded([this] {
        if (const auto experiment = inputs_->experiment()) applyExperiment(*experiment);
    });
}

bool frmDocument::applyExperiment(const Experiment& experiment) {
    const BusyCursor busy;
    RedrawBatch batch(*this);
    const QString appliedTag = spgTag_;
    // When the list stays, the group of the list is applied again by the next Apply.
    const auto keepGroup = [&] {
        spgTag_ = appliedTag;
        inputs_->showSettings(*m_laue);
    };
    bool generated = false;
    try {
        generated = runLong(QStringLiteral("Generating reflections ..."),
                            QStringLiteral("Generation cancelled: the previous reflections stay"),
                            {[&] { takeExperiment(experiment); }, [&] { m_laue->GenerateHKL(); }});
    } catch (...) {
        keepGroup();
        throw;
    }
    if (!generated) {
        keepGroup();
        return false;
    }
    // A rhombohedral group may have changed to the axes of the new cell.
    inputs_->showSettings(*m_laue);
    inputs_->setIntensities(m_laue->x_withIntensity);
    setRSVGUI(m_laue->bCSF ? 2 : 0);
    orientNewList();
    setHINT(QStringLiteral("%1 reflections generated").arg(m_laue->n_hkl) +
            generationNote(experiment.intensitiesAsked));
    // Typed cells are often approximate on purpose: one that contradicts the
    // group's lattice is used, with a warning.
    structure::CellConstants typed{};
    for (int i = 0; i < 6; ++i) typed[static_cast<std::size_t>(i)] = m_laue->getCellConstant(i);
    if (const std::string misfit = structure::cellLatticeMisfit(typed, m_laue->currentRow()); !misfit.empty())
        setHINT(QString::fromStdString(misfit));
    emit statusChanged();
    return true;
}

// The engine takes the experiment; the fields then show what it took.
void frmDocument::takeExperiment(const Experiment& experiment) {
    // The chosen setting of the group stays unless another group was picked.
    if (experiment.spaceGroupItem != spgTag_ || m_laue->currentRow() < 0)
        installSpaceGroup(experiment.spaceGroupItem);
    clLAUE& laue = *m_laue;
    laue.x_voltage = static_cast<float>(experiment.voltage);
    laue.x_lambda_min = laue.getWavelengthMinimum();
    laue.x_lambda_max = static_cast<float>(experiment.lambdaMax);
    laue.x_fsd = experiment.distance;
    laue.x_withIntensity = experiment.intensities;
    laue.m_spg = static_cast<int16_t>(experiment.spaceGroupNumber);
    if (experiment.plotType < 3) laue.m_plot = static_cast<int16_t>(experiment.plotType);
    for (int i = 0; i < 6; ++i)
        laue.setCellConstant(i, static_cast<float>(experiment.cell[static_cast<std::size_t>(i)]));
    fillLaueInputData2GUI();
}

// Generation after a structure change: with intensities, in the orientation
// the document shows.
void frmDocument::regenerate() {
    if (!runLong(QStringLiteral("Generating reflections ..."),
                 QStringLiteral("Generation cancelled: the previous reflections stay"),
                 {[this] { m_laue->GenerateHKL(); }}))
        return;
    showGenerated();
}

// The document catches up with a list the engine has just generated.
void frmDocument::showGenerated() {
    RedrawBatch batch(*this);
    inputs_->setIntensities(m_laue->x_withIntensity);
    orientNewList();
    Redraw();
    setHINT(QStringLiteral("%1 reflections generated with intensities").arg(m_laue->n_hkl) +
            generationNote(true));
    emit statusChanged();
}

// A band without wavelengths puts no spot on the film, and intensities need
// atoms: both would otherwise pass without a word.
QString frmDocument::generationNote(bool intensitiesAsked) const {
    const clLAUE& laue = *m_laue;
    // The sum rule of the index limits may have raised the threshold.
    QString note = QString::fromStdString(laue.thresholdNote());
    if (intensitiesAsked && !laue.x_withIntensity)
        note +=
            QStringLiteral(" without intensities: there is no structure (open a structure file to get them)");
    // A band narrower than the fields show counts as none.
    if (!(laue.x_lambda_max > laue.x_lambda_min + 1e-4f))
        note += QStringLiteral(
                    "; no spots: the longest wavelength (%1 \u00c5) is not above the shortest (%2 \u00c5)")
                    .arg(QString::fromStdString(util::formatNumber(laue.x_lambda_max, "0.0###")),
                         QString::fromStdString(util::formatNumber(laue.x_lambda_min, "0.0###")));
    return note;
}

bool frmDocument::runLong(const QString& label, const QString& cancelled,
                          const std::vector<std::function<void()>>& phases) {
    clLAUE before = *m_laue;
    // Every generation follows the reflection options as they are now.
    m_laue->setReflectionRange(engineDefaults().reflectionRange);
    // The list shows no rows while the engine's list is replaced, and
    // whichever list the engine has afterwards.
    hklModel_->clear();
    struct Refill {
        frmDocument& d;
        ~Refill() {
            try {
                d.setHKLtable();
            } catch (...) {
                // An empty list until the next one is better than no program.
            }
        }
    } refill{*this};
    Progress progress(this, label);
    try {
        // Each phase has an equal share of the dialog's bar.
        const auto parts = static_cast<double>(phases.size());
        for (std::size_t i = 0; i < phases.size(); ++i) {
            const auto done = static_cast<double>(i);
            m_laue->setProgress([&progress, done, parts](double fraction) {
                return progress.step((done + fraction) / parts);
            });
            phases[i]();
        }
    } catch (const Cancelled&) {
        *m_laue = std::move(before);
        Redraw();
        setHINT(cancelled);
        return false;
    } catch (...) {
        *m_laue = std::move(before);
        throw;
    }
    m_laue->setProgress({});
    // Every long work ends in a new list.
    patternView_->fitNewList();
    return true;
}

}  // namespace lumora::app
