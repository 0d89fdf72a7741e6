#pragma once

#include <QColor>
#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace lumora::app {

// " Laue Options": the default settings new documents start from and that the
// engine reads while it computes and draws. Modeless; Apply stores every
// control and asks for all documents to be redrawn.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    explicit frmOptions(QWidget* parent = nullptr);

    // Fills the controls from the settings.
    void load();
    // Stores the controls into the settings; false (nothing stored) when a
    // field holds no number, or a value the program cannot work with (a film
    // size, voltage, distance or minimum d-spacing that is not positive, a
    // complete pattern's d-min below 0).
    bool applyChanges();

signals:
    void applied();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void chooseColour();
    void showColour(const QColor& colour);

    QTabWidget* tabs_ = nullptr;
    std::array<QComboBox*, 3> cmb_{};
    QComboBox* intensity_ = nullptr;  // |F| or physical
    QComboBox* source_ = nullptr;     // tube or synchrotron
    std::array<QLineEdit*, 5> tf_{};
    QLabel* lbCOL_ = nullptr;
    QCheckBox* cb_ = nullptr;
    QCheckBox* cb2_ = nullptr;
    QCheckBox* cbComplete_ = nullptr;  // complete pattern instead of the cell's rule
    QLineEdit* tfDMin_ = nullptr;      // its d-min, Å (0: the band alone)
    QPushButton* btApply_ = nullptr;
    QColor colour_;
};

}  // namespace lumora::app
