#pragma once

#include <exception>

class QWidget;

namespace lumora::app {

// Shows a failure to the user: the "Error N: ..." text of a lumora::Error,
// else the exception's own text.
void showError(QWidget* parent, const std::exception& error) noexcept;
void showUnknownError(QWidget* parent) noexcept;

// Runs an event handler; whatever it throws is shown over `parent` and the
// window keeps running (Qt must never see an exception).
template <class F>
void guardedCall(QWidget* parent, F&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& error) {
        showError(parent, error);
    } catch (...) {
        showUnknownError(parent);
    }
}

}  // namespace lumora::app
