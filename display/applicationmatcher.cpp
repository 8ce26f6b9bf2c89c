// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display/applicationmatcher.h"

QVector<int> ApplicationMatcher::applicationsContaining(const QList<allApp> &apps,
                                                        const QString &name)
{
    // The copy kept here holds a reference to the list's data, so any change
    // to the list detaches it and shows as data no longer shared.
    if (!apps.isSharedWith(m_apps)) {
        m_apps = apps;
        QStringList paths;
        paths.reserve(apps.size());
        for (const allApp &app : apps)
            paths.append(app.desktopPath);
        m_paths = SubstringIndex(paths);
        m_answers.clear();
    }
    const auto known = m_answers.constFind(name);
    if (known != m_answers.constEnd())
        return *known;
    // Names of processes long gone must not pile up.
    if (m_answers.size() > 4 * m_apps.size() + 1024)
        m_answers.clear();
    const QVector<int> found = m_paths.textsContaining(name);
    m_answers.insert(name, found);
    return found;
}

WardenDisplay flowDisplayRow(const allApp &app, const QString &desktop, double recv, double send,
                             int pid)
{
    const auto text = [](double value) { return QString::number(value, 'f', 2); };
    WardenDisplay row;
    row.appName = app.appName;
    row.icon = app.icon;
    row.desktopPath = app.desktopPath;
    row.recvText = text(recv);
    row.sendText = text(send);
    row.totalText = text(recv + send);
    row.desktopName = desktop;
    row.pid = pid;
    row.sendSum = send;
    row.recvSum = recv;
    return row;
}
