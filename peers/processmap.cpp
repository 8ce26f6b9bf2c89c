// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "processmap.h"

#include "appidentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <unistd.h>

namespace {

// Parent chains are short; a cycle can only come from pids reused mid-scan.
constexpr int maxAncestors = 64;
// Launchers move a new process into the app's unit just after starting it.
constexpr double settleSeconds = 2.0;

} // namespace

ProcessMap::ProcessMap(const DesktopEntries *entries, uint uid, const QString &procRoot)
    : m_entries(entries), m_uid(uid), m_procRoot(procRoot)
{
}

QByteArray ProcessMap::read(int pid, const char *file) const
{
    QFile source(QStringLiteral("%1/%2/%3").arg(m_procRoot).arg(pid).arg(QLatin1String(file)));
    return source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
}

bool ProcessMap::readStat(int pid, Process &process) const
{
    // "pid (comm) state ppid ... starttime ...": the name may hold spaces and parentheses.
    const QByteArray stat = read(pid, "stat");
    const int open = stat.indexOf('(');
    const int close = stat.lastIndexOf(')');
    if (open < 0 || close < open)
        return false;
    process.name = QString::fromLocal8Bit(stat.mid(open + 1, close - open - 1));
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 20)
        return false;
    process.ppid = fields.at(1).toInt();
    process.startTime = fields.at(19).toULongLong();
    return true;
}

QString ProcessMap::programOf(int pid, const QString &name) const
{
    const QString exe = QFile::symLinkTarget(QStringLiteral("%1/%2/exe").arg(m_procRoot).arg(pid));
    return exe.isEmpty() ? name : QFileInfo(exe).fileName();
}

QString ProcessMap::declaredDesktopPath(int pid) const
{
    for (const QString &id :
         AppIdentity::desktopIdsFromCgroup(QString::fromLocal8Bit(read(pid, "cgroup")))) {
        const QString path = m_entries->pathOfId(id);
        if (!path.isEmpty())
            return path;
    }
    const QString launched = AppIdentity::launchedDesktopFile(read(pid, "environ"));
    if (!launched.isEmpty() && QFileInfo::exists(launched))
        return launched;
    const QString flatpak =
        AppIdentity::flatpakDesktopId(QString::fromUtf8(read(pid, "root/.flatpak-info")));
    return flatpak.isEmpty() ? QString() : m_entries->pathOfId(flatpak);
}

QString ProcessMap::resolve(int pid, QHash<int, Process> &processes, int depth) const
{
    auto found = processes.find(pid);
    if (found == processes.end())
        return {};
    if (found->resolved)
        return found->desktopPath;
    QString path = found->ownPath;
    if (path.isEmpty() && depth < maxAncestors)
        path = resolve(found->ppid, processes, depth + 1);
    if (path.isEmpty())
        path = m_entries->pathOfProgram(found->program);
    found->resolved = true;
    found->desktopPath = path;
    return path;
}

QList<MappedProcess> ProcessMap::scan()
{
    QFile uptimeFile(m_procRoot + QStringLiteral("/uptime"));
    const double uptime = uptimeFile.open(QIODevice::ReadOnly)
                              ? uptimeFile.readAll().split(' ').value(0).toDouble()
                              : 0;
    const double ticksPerSecond = double(sysconf(_SC_CLK_TCK));
    QHash<int, Process> processes;
    const QStringList names = QDir(m_procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool isPid = false;
        const int pid = name.toInt(&isPid);
        if (!isPid || QFileInfo(m_procRoot + QLatin1Char('/') + name).ownerId() != m_uid)
            continue;
        Process process;
        if (!readStat(pid, process))
            continue;
        // The same process, unless its pid was reused or it ran exec (a new name).
        const Process known = m_known.value(pid);
        if (known.settled && known.startTime == process.startTime && known.name == process.name) {
            process.program = known.program;
            process.ownPath = known.ownPath;
            process.settled = true;
        } else {
            process.program = programOf(pid, process.name);
            process.ownPath = declaredDesktopPath(pid);
            process.settled = uptime - process.startTime / ticksPerSecond >= settleSeconds;
        }
        processes.insert(pid, process);
    }

    QList<MappedProcess> mapped;
    for (auto it = processes.keyBegin(); it != processes.keyEnd(); ++it) {
        const int pid = *it;
        const QString path = resolve(pid, processes, 0);
        if (!path.isEmpty())
            mapped.append({pid, processes.value(pid).name, path});
    }
    m_known = processes;
    std::sort(mapped.begin(), mapped.end(),
              [](const MappedProcess &a, const MappedProcess &b) { return a.pid < b.pid; });
    return mapped;
}
