#include "display/wardenhandlethread.h"

#include <QCoreApplication>
#include <QDebug>

namespace {
// Browser traffic that no desktop entry claims shows under this name.
allApp webPseudoApplication()
{
    const QString https = QStringLiteral("https");
    return {https, https, https, QStringLiteral(":/imageresource/nctl_application_executable.svg")};
}
} // namespace

void WardenHandleThread::fetchLauncherItems(bool logItems)
{
    QDBusPendingReply<LauncherItemInfoList> reply = m_launcher->GetAllItemInfos();
    reply.waitForFinished();
    LauncherItemInfoList items;
    if (reply.isError()) {
        qWarning() << "data is empty, quit!!";
        qWarning() << reply.error();
        QCoreApplication::quit();
    } else {
        items = reply.value();
    }

    for (const LauncherItemInfo &item : qAsConst(items)) {
        const allApp app{item.desktopPath, item.appName, item.extraText, item.icon};
        m_allAppList.append(app);
        m_appList.append(app);
        if (logItems)
            qDebug() << item.extraText << item.icon;
    }
    m_allAppList.append(webPseudoApplication());
}
