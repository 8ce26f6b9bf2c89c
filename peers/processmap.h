// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "desktopentries.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QVector>

#include <functional>
#include <map>

// One of the user's processes and the desktop entry of the application it belongs to.
struct MappedProcess
{
    int pid = 0;
    QString name;
    QString desktopPath;
};

// Maps the processes of one user, as /proc shows them, to desktop entries: by the app's systemd
// unit, GIO_LAUNCHED_DESKTOP_FILE, the Flatpak app id, then the parent's application, then
// the program against Exec, TryExec and StartupWMClass.
// A process's details are read when its pid appears, while it is young (launchers move it
// into its unit and exec just after the start), and again when its program changed (exec).
class ProcessMap
{
public:
    ProcessMap(const DesktopEntries *entries, uint uid, const QString &procRoot = "/proc");
    ~ProcessMap();
    ProcessMap(const ProcessMap &) = delete;
    ProcessMap &operator=(const ProcessMap &) = delete;

    // Brings the map up to date with /proc; true when the mapped processes changed.
    bool refresh();
    // The user's processes that belong to an application, in pid order.
    const QList<MappedProcess> &processes() const { return m_mapped; }
    // Installed entries changed: what processes declared is looked up again.
    void forgetDeclarations() { m_declarationsStale = true; }

private:
    struct Process
    {
        int ppid = 0;
        quint64 startTime = 0;
        QString name;
        QByteArray exe;
        QString program;
        QString ownPath;      // from the process's own records, before inheritance
        bool settled = false; // old enough that launchers have placed it in its unit
        int pidfd = -1;       // readable once the process has ended
    };

    struct TaskCounts
    {
        int threads = -1;
        int lastPid = -1;
    };

    bool readTaskCounts(TaskCounts &counts) const;
    QVector<int> listPids() const;
    // Takes in a pid, new or reused, when it is one of the user's processes.
    bool look(int pid, const std::function<double()> &clock);
    bool relist(const std::function<double()> &clock);
    // Drops the processes whose pidfds say they ended, and with `sweep` those without one
    // that are gone.
    bool dropEnded(bool sweep);
    std::map<int, Process>::iterator forget(std::map<int, Process>::iterator process);
    bool readDetails(int pid, Process &process) const;
    static bool isSettled(const Process &process, double uptime);
    bool readStat(int pid, Process &process) const;
    QByteArray exeOf(int pid) const;
    QString declaredDesktopPath(int pid) const;
    double uptime() const;
    bool checkForExec(int budget);
    // A process without records of its own runs as its nearest ancestor's application, then
    // as its program's.
    QString resolve(int pid, QHash<int, QString> &resolved, int depth) const;
    void remap();
    QByteArray read(int pid, const char *file) const;

    const DesktopEntries *m_entries;
    uint m_uid;
    QString m_procRoot;
    std::map<int, Process> m_processes; // the user's processes only
    TaskCounts m_counts;
    int m_exits; // epoll over the processes' pidfds
    int m_execCursor = 0;
    bool m_declarationsStale = false;
    QList<MappedProcess> m_mapped;
};
