// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "processmap.h"

#include "appidentity.h"
#include "untrustedfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <csignal>

#include <dirent.h>
#include <sys/epoll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Parent chains are short; a cycle can only come from pids reused mid-scan.
constexpr int maxAncestors = 64;
// Launchers move a new process into the app's unit just after starting it.
constexpr double settleSeconds = 2.0;
// A settled process is looked at for exec about every this many refreshes; never fewer than
// minExecChecks a refresh.
constexpr int execCheckRounds = 30;
constexpr int minExecChecks = 32;
// More new pids than this since the last refresh: listing /proc is cheaper.
constexpr int maxNewPids = 4096;
// Real ones hold a few hundred bytes.
constexpr qint64 flatpakInfoLimit = 64 * 1024;

} // namespace

ProcessMap::ProcessMap(const DesktopEntries *entries, uint uid, const QString &procRoot)
    : m_entries(entries), m_uid(uid), m_procRoot(procRoot), m_exits(epoll_create1(EPOLL_CLOEXEC))
{
}

ProcessMap::~ProcessMap()
{
    for (auto known = m_processes.begin(); known != m_processes.end();)
        known = forget(known);
    if (m_exits >= 0)
        close(m_exits);
}

std::map<int, ProcessMap::Process>::iterator
ProcessMap::forget(std::map<int, Process>::iterator process)
{
    if (process->second.pidfd >= 0)
        close(process->second.pidfd);
    return m_processes.erase(process);
}

QByteArray ProcessMap::read(int pid, const char *file) const
{
    QFile source(QStringLiteral("%1/%2/%3").arg(m_procRoot).arg(pid).arg(QLatin1String(file)));
    return source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
}

double ProcessMap::uptime() const
{
    QFile file(m_procRoot + QStringLiteral("/uptime"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0).toDouble() : 0;
}

bool ProcessMap::readTaskCounts(TaskCounts &counts) const
{
    // "load load load running/threads lastpid"
    QFile file(m_procRoot + QStringLiteral("/loadavg"));
    const QList<QByteArray> fields =
        file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().split(' ') : QList<QByteArray>();
    bool threadsOk = false;
    bool lastPidOk = false;
    counts.threads = fields.value(3).mid(fields.value(3).indexOf('/') + 1).toInt(&threadsOk);
    counts.lastPid = fields.value(4).toInt(&lastPidOk);
    return threadsOk && lastPidOk;
}

QVector<int> ProcessMap::listPids() const
{
    QVector<int> pids;
    DIR *dir = opendir(QFile::encodeName(m_procRoot).constData());
    if (!dir)
        return pids;
    while (const dirent *entry = readdir(dir)) {
        char *end = nullptr;
        const long pid = strtol(entry->d_name, &end, 10);
        if (pid > 0 && *end == '\0')
            pids.append(int(pid));
    }
    closedir(dir);
    std::sort(pids.begin(), pids.end());
    return pids;
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

QByteArray ProcessMap::exeOf(int pid) const
{
    const QByteArray link = QFile::encodeName(QStringLiteral("%1/%2/exe").arg(m_procRoot).arg(pid));
    char target[4096];
    const ssize_t length = readlink(link.constData(), target, sizeof target);
    return length > 0 ? QByteArray(target, int(length)) : QByteArray();
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
    // The sandbox's root is the process's to shape: a FIFO or a huge file there must not
    // stall or fill this daemon.
    const QString flatpak = AppIdentity::flatpakDesktopId(QString::fromUtf8(UntrustedFile::read(
        QStringLiteral("%1/%2/root/.flatpak-info").arg(m_procRoot).arg(pid), flatpakInfoLimit)));
    return flatpak.isEmpty() ? QString() : m_entries->pathOfId(flatpak);
}

bool ProcessMap::readDetails(int pid, Process &process) const
{
    if (!readStat(pid, process))
        return false;
    process.exe = exeOf(pid);
    process.program =
        process.exe.isEmpty() ? process.name : QFileInfo(QFile::decodeName(process.exe)).fileName();
    process.ownPath = declaredDesktopPath(pid);
    return true;
}

bool ProcessMap::isSettled(const Process &process, double uptime)
{
    return uptime - process.startTime / double(sysconf(_SC_CLK_TCK)) >= settleSeconds;
}

bool ProcessMap::checkForExec(int budget)
{
    // Round robin over the settled processes, from where the last refresh stopped.
    bool changed = false;
    auto it = m_processes.lower_bound(m_execCursor);
    for (int looked = 0; looked < int(m_processes.size()) && budget > 0; ++looked, ++it) {
        if (it == m_processes.end())
            it = m_processes.begin();
        Process &process = it->second;
        if (!process.settled)
            continue;
        --budget;
        const QByteArray exe = exeOf(it->first);
        if (exe.isEmpty() || exe == process.exe)
            continue;
        Process fresh;
        if (readDetails(it->first, fresh)) {
            fresh.settled = true;
            fresh.pidfd = process.pidfd;
            process = fresh;
            changed = true;
        }
    }
    m_execCursor = it == m_processes.end() ? 0 : it->first;
    return changed;
}

bool ProcessMap::look(int pid, const std::function<double()> &clock)
{
    bool changed = false;
    const auto reused = m_processes.find(pid);
    if (reused != m_processes.end()) {
        forget(reused);
        changed = true;
    }
    struct stat status = {};
    const QByteArray dir = QFile::encodeName(QStringLiteral("%1/%2").arg(m_procRoot).arg(pid));
    if (::stat(dir.constData(), &status) != 0 || status.st_uid != m_uid)
        return changed;
    // /proc answers for thread ids too; only a thread group's leader has a pidfd. The pidfd
    // then tells when the process ends; without one (no descriptors left), a sweep does.
    Process process;
    process.pidfd = int(syscall(SYS_pidfd_open, pid, 0));
    if (process.pidfd < 0 && errno == EINVAL)
        return changed;
    if (!readDetails(pid, process)) {
        if (process.pidfd >= 0)
            close(process.pidfd);
        return changed; // gone already
    }
    if (process.pidfd >= 0) {
        epoll_event event = {};
        event.events = EPOLLIN;
        event.data.u64 = (quint64(quint32(pid)) << 32) | quint32(process.pidfd);
        if (epoll_ctl(m_exits, EPOLL_CTL_ADD, process.pidfd, &event) != 0) {
            close(process.pidfd);
            process.pidfd = -1;
        }
    }
    process.settled = isSettled(process, clock());
    m_processes.emplace(pid, process);
    return true;
}

bool ProcessMap::relist(const std::function<double()> &clock)
{
    bool changed = false;
    const QVector<int> pids = listPids();
    for (auto known = m_processes.begin(); known != m_processes.end();) {
        const bool listed = std::binary_search(pids.cbegin(), pids.cend(), known->first);
        changed |= !listed;
        known = listed ? std::next(known) : forget(known);
    }
    for (const int pid : pids) {
        if (m_processes.count(pid) == 0)
            changed |= look(pid, clock);
    }
    return changed;
}

bool ProcessMap::dropEnded(bool sweep)
{
    bool changed = false;
    epoll_event events[64];
    int count = 0;
    while ((count = epoll_wait(m_exits, events, 64, 0)) > 0) {
        for (int i = 0; i < count; ++i) {
            const auto ended = m_processes.find(int(events[i].data.u64 >> 32));
            if (ended != m_processes.end() &&
                ended->second.pidfd == int(events[i].data.u64 & 0xffffffffu)) {
                forget(ended);
                changed = true;
            }
        }
    }
    for (auto known = m_processes.begin(); sweep && known != m_processes.end();) {
        const bool ended = known->second.pidfd < 0 && kill(known->first, 0) != 0 && errno == ESRCH;
        changed |= ended;
        known = ended ? forget(known) : std::next(known);
    }
    return changed;
}

bool ProcessMap::refresh()
{
    bool changed = false;
    double now = -1; // read only when a process is new or young
    const std::function<double()> clock = [&] { return now < 0 ? (now = uptime()) : now; };

    // Pids are handed out in turn: the ones handed out since the last refresh are the only
    // new processes, and nothing ended while the thread count and the last pid stand still.
    // A wrap-around, a burst or an unreadable count lists /proc instead.
    TaskCounts counts;
    const bool counted = readTaskCounts(counts);
    const int handedOut = counts.lastPid - m_counts.lastPid;
    const bool moved = handedOut != 0 || counts.threads != m_counts.threads;
    changed |= dropEnded(moved);
    if (!counted || m_counts.lastPid < 0 || handedOut < 0 || handedOut > maxNewPids) {
        changed |= relist(clock);
    } else if (moved) {
        for (int pid = m_counts.lastPid + 1; pid <= counts.lastPid; ++pid)
            changed |= look(pid, clock);
    }
    m_counts = counted ? counts : TaskCounts();

    int settled = 0;
    for (auto &[pid, process] : m_processes) {
        if (process.settled && !m_declarationsStale) {
            ++settled;
            continue;
        }
        // Young, or the entries changed: read again, as launchers may still be placing it.
        Process fresh;
        if (!readDetails(pid, fresh))
            continue;
        fresh.settled = isSettled(fresh, clock());
        fresh.pidfd = process.pidfd;
        changed |= fresh.name != process.name || fresh.program != process.program ||
                   fresh.ownPath != process.ownPath || fresh.ppid != process.ppid;
        process = fresh;
    }
    changed |= m_declarationsStale;
    m_declarationsStale = false;
    changed |= checkForExec(std::max(minExecChecks, settled / execCheckRounds + 1));
    if (changed)
        remap();
    return changed;
}

QString ProcessMap::resolve(int pid, QHash<int, QString> &resolved, int depth) const
{
    const auto found = m_processes.find(pid);
    if (found == m_processes.end())
        return {};
    const auto done = resolved.constFind(pid);
    if (done != resolved.cend())
        return *done;
    QString path = found->second.ownPath;
    if (path.isEmpty() && depth < maxAncestors)
        path = resolve(found->second.ppid, resolved, depth + 1);
    if (path.isEmpty())
        path = m_entries->pathOfProgram(found->second.program);
    resolved.insert(pid, path);
    return path;
}

void ProcessMap::remap()
{
    QHash<int, QString> resolved;
    m_mapped.clear();
    for (const auto &[pid, process] : m_processes) {
        const QString path = resolve(pid, resolved, 0);
        if (!path.isEmpty())
            m_mapped.append({pid, process.name, path});
    }
}
