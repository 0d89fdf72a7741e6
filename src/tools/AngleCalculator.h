#pragma once

#include <QDialog>
#include <QMessageBox>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lumora {
class clLAUE;
}

namespace lumora::tools {

// The angle calculator: the angle between two reciprocal-lattice vectors, and
// the goniometer adjustment that brings a chosen vector into the orientation
// position, which can be applied to the crystal.
class dlgANGLE : public QDialog {
    Q_OBJECT

public:
    // Shows a message (title, text, icon). The application passes its own
    // message function so that every box of the program looks alike and tests
    // can answer it; without one a plain message box is shown.
    using Messenger = std::function<void(const QString& title, const QString& text, QMessageBox::Icon icon)>;

    explicit dlgANGLE(QWidget* parent = nullptr);

    // The document's engine and its orientation-vector type (0 uvw, 1 hkl).
    void setLaue(clLAUE* laue, int vectorType);
    void setMessenger(Messenger messenger);

    // Reads a vector text: "111" is 1 1 1; blanks separate; fewer than three
    // numbers is invalid (false); further numbers are ignored.
    static bool parseVector(const QString& text, std::array<float, 3>& out);

signals:
    // The goniometer angles were applied: the document redraws.
    void applied();

private:
    void optionChanged();
    void calculateAngle();
    void calculateGoniometer();
    void applyAngles();
    void tell(const QString& title, const QString& text, QMessageBox::Icon icon);

    clLAUE* laue_ = nullptr;
    bool isDirection_ = true;
    std::array<float, 2> goniometer_{};  // Phi(z), Phi(x)
    std::array<QLineEdit*, 6> tf_{};
    std::array<QPushButton*, 3> bt_{};
    std::array<QRadioButton*, 2> opt_{};
    QLabel* lb3_ = nullptr;
    Messenger messenger_;
};

}  // namespace lumora::tools
