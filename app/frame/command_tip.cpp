#include "app/frame/command_tip.h"

#include <QAction>
#include <QVariant>

namespace tarvex {

namespace {
// The tips as the command set them up, kept on the action itself.
constexpr const char *kOwnToolTip = "tarvexOwnToolTip";
constexpr const char *kOwnStatusTip = "tarvexOwnStatusTip";
} // namespace

void showCommandReason(QAction &action, const QString &reason)
{
    if (!action.property(kOwnToolTip).isValid()) {
        action.setProperty(kOwnToolTip, action.toolTip());
        action.setProperty(kOwnStatusTip, action.statusTip());
    }
    const QString toolTip = action.property(kOwnToolTip).toString();
    const QString statusTip = action.property(kOwnStatusTip).toString();
    action.setToolTip(reason.isEmpty() ? toolTip : toolTip + QStringLiteral("\n") + reason);
    action.setStatusTip(reason.isEmpty() ? statusTip : statusTip + QStringLiteral(": ") + reason);
}

} // namespace tarvex
