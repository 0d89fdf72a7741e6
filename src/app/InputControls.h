#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumora::app {

// The line of the orientation box: Enter applies the vector as typed, before
// the box looks for a matching list entry, and a double click applies it too.
class OrientationLine : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

signals:
    void confirmed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A rotation button: a left click turns one way (clicked), a right click the other.
class TurnButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

signals:
    void rightClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// A caption that does something when clicked with the left button.
class ClickableCaption : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace lumora::app
