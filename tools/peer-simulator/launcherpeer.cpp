#include "launcherpeer.h"

#include "launcheradaptor.h"

#include <QDebug>

LauncherPeer::LauncherPeer(const LauncherItemInfoList &items, bool failing, QObject *parent)
    : QObject(parent), m_items(items), m_failing(failing)
{
    new LauncherAdaptor(this);
}

void LauncherPeer::setItems(const LauncherItemInfoList &items)
{
    m_items = items;
    qInfo().noquote() << "launcher: now lists" << items.size() << "applications";
}

void LauncherPeer::setFailing(bool failing)
{
    m_failing = failing;
    qInfo().noquote() << "launcher:" << (failing ? "failing" : "answering");
}

LauncherItemInfoList LauncherPeer::GetAllItemInfos()
{
    if (m_failing) {
        qInfo().noquote() << "launcher: GetAllItemInfos refused";
        sendErrorReply(QDBusError::Failed, QStringLiteral("The launcher cannot list items now"));
        return {};
    }
    qInfo().noquote() << "launcher: GetAllItemInfos answered with" << m_items.size() << "items";
    return m_items;
}
