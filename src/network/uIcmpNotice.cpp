#include "uIcmpNotice.h"

#include "LangChanger.h"
#include "NetUtil.h"
#include "uAppLog.h"

#include <QMetaObject>
#include <QPointer>

void RouteIcmpUnavailableToLog(TAppLog* log) {
    if (!log) {
        SetIcmpUnavailableHandler({});
        return;
    }
    // The notice comes from whichever thread probed first.
    SetIcmpUnavailableHandler([target = QPointer<TAppLog>(log)] {
        QMetaObject::invokeMethod(
            target.data(),
            [target] {
                if (target)
                    target->Add(LangStr(QStringLiteral("sIcmpEchoNotPermitted")), TAppLogLevel::Warning);
            },
            Qt::QueuedConnection);
    });
}
