// The document's orientation history for Edit > Undo and Redo: every change
// of orientation the user makes is one step holding the matrix before and
// after it, so that undoing puts the crystal back exactly.
#include <QUndoStack>
#include <utility>

#include "app/DocumentWindow.h"
#include "app/OrientationPanel.h"
#include "app/SolutionTableModel.h"

namespace lumora::app {

// The change is made before its step is kept, so the first redo (the one
// QUndoStack::push calls) has nothing left to do.
class frmDocument::OrientationCommand : public QUndoCommand {
public:
    OrientationCommand(frmDocument& document, const QString& name, const Mat3f& before, const Mat3f& after)
        : QUndoCommand(name), document_(document), before_(before), after_(after) {}

    void undo() override { document_.restoreOrientation(before_); }
    void redo() override {
        if (std::exchange(pushed_, false)) return;
        document_.restoreOrientation(after_);
    }

private:
    frmDocument& document_;
    const Mat3f before_;
    const Mat3f after_;
    bool pushed_ = true;
};

void frmDocument::recordTurn(const QString& name, const std::function<void()>& change) {
    const Mat3f before = m_laue->orientationMatrix();
    change();
    if (!dragBefore_) pushTurn(name, before);
}

void frmDocument::pushTurn(const QString& name, const Mat3f& before) {
    const Mat3f& after = m_laue->orientationMatrix();
    if (after == before) return;
    undo_->push(new OrientationCommand(*this, name, before, after));
}

void frmDocument::restoreOrientation(const Mat3f& matrix) {
    guarded([&] {
        RedrawBatch batch(*this);
        m_laue->setOrientationMatrix(matrix);
        // Undone while the button is held: the drag goes on from here.
        if (dragBefore_) dragBefore_ = matrix;
        Redraw();
    });
}

// A whole drag, however many steps it took, is one step; a click adds none.
void frmDocument::beginDrag() { dragBefore_ = m_laue->orientationMatrix(); }

void frmDocument::endDrag() {
    if (!dragBefore_) return;
    const Mat3f before = *std::exchange(dragBefore_, std::nullopt);
    pushTurn(QStringLiteral("Drag"), before);
}

// The calculator turns the engine itself; `before` follows it from one Apply to the next.
void frmDocument::applyAngleCalculator(Mat3f& before) {
    pushTurn(QStringLiteral("Angle Calculator"), before);
    before = m_laue->orientationMatrix();
    Redraw();
}

void frmDocument::orientNewList() {
    undo_->clear();
    dragBefore_.reset();
    // The orientations found belong to the crystal of the old list.
    orientPanel_->solutions()->clear();
    if (!hasReflections()) return;
    if (const auto v = inputs_->orientationVector()) {
        RedrawBatch batch(*this);
        m_laue->setOrientation(v->u, v->v, v->w, v->direction);
        Redraw();
    }
}

}  // namespace lumora::app
