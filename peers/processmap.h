// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "desktopentries.h"

#include <QHash>
#include <QList>
#include <QString>

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
class ProcessMap
{
public:
    ProcessMap(const DesktopEntries *entries, uint uid, const QString &procRoot = "/proc");

    // The user's processes that belong to an application, in pid order.
    QList<MappedProcess> scan();
    // Installed entries changed: what processes declared is looked up again.
    void forgetDeclarations() { m_known.clear(); }

private:
    struct Process
    {
        int ppid = 0;
        quint64 startTime = 0;
        QString name;
        QString program;
        QString ownPath;      // from the process's own records, before inheritance
        bool settled = false; // old enough that launchers have placed it in its unit
        bool resolved = false;
        QString desktopPath;
    };

    bool readStat(int pid, Process &process) const;
    QString programOf(int pid, const QString &name) const;
    QString declaredDesktopPath(int pid) const;
    QString resolve(int pid, QHash<int, Process> &processes, int depth) const;
    QByteArray read(int pid, const char *file) const;

    const DesktopEntries *m_entries;
    uint m_uid;
    QString m_procRoot;
    // What a process declares does not change after exec: read once per process.
    QHash<int, Process> m_known;
};
