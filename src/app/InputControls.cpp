#include "app/InputControls.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace lumora::app {

void OrientationLine::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit confirmed();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void OrientationLine::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit confirmed();
}

void TurnButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit rightClicked();
        return;
    }
    QPushButton::mousePressEvent(event);
}

void ClickableCaption::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        emit clicked();
        return;
    }
    QLabel::mousePressEvent(event);
}

}  // namespace lumora::app
