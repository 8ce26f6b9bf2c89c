// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "collect/processdirectory.h"

#include "collect/boundedname.h"

#include <QDebug>

namespace {
// Enough for any path a desktop entry can have.
constexpr int kMaxPathLength = 4096;
} // namespace

void ProcessDirectory::takeRecords(const WardenProcessInfoList &records)
{
    m_records = records;
    m_index.clear();
    qDebug() << "processInfoList size =" << m_records.size();
    for (int i = 0; i < m_records.size(); ++i) {
        WardenProcessInfo &info = m_records[i];
        info.procName = boundedName(info.procName, "process name");
        if (info.desktopPath.size() > kMaxPathLength) {
            qDebug() << "desktop path cut from" << info.desktopPath.size() << "characters";
            info.desktopPath.truncate(kMaxPathLength);
        }
        const int slash = info.desktopPath.lastIndexOf(QLatin1Char('/'));
        const QString desktop = info.desktopPath.mid(slash + 1);
        const QString bounded = boundedName(desktop, "desktop name");
        if (bounded.size() < desktop.size())
            info.desktopPath = info.desktopPath.left(slash + 1) + bounded;
        if (!m_index.contains(info.pid))
            m_index.insert(info.pid, i);
        qDebug() << info.pid << info.procName << info.desktopPath;
    }
}

void ProcessDirectory::takeRunning(const WardenProcessList &pids)
{
    m_running = QSet<int>(pids.cbegin(), pids.cend());
}

QPair<QString, QString> ProcessDirectory::lookup(int pid) const
{
    const int at = m_index.value(pid, -1);
    if (at < 0)
        return {};
    const WardenProcessInfo &info = m_records.at(at);
    return {info.desktopPath, info.procName};
}
