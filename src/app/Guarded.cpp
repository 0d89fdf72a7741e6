#include "app/Guarded.h"

#include "app/Messages.h"
#include "util/Error.h"

namespace lumora::app {

void showError(QWidget* parent, const std::exception& error) noexcept {
    try {
        const auto* known = dynamic_cast<const Error*>(&error);
        const QString text = known ? QString::fromStdString(known->message())
                                   : QStringLiteral("Error: ") + QString::fromUtf8(error.what());
        tell(parent, QStringLiteral("Lumora"), text, QMessageBox::Critical);
    } catch (...) {
        // Nothing more can be done for the user here.
    }
}

void showUnknownError(QWidget* parent) noexcept {
    try {
        tell(parent, QStringLiteral("Lumora"), QStringLiteral("Error: unexpected failure"),
             QMessageBox::Critical);
    } catch (...) {
    }
}

}  // namespace lumora::app
