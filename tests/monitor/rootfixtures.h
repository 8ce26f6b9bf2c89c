// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "cgroupmount.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <unistd.h>

// A cgroup of the test's own under the cgroup v2 mount; removed again when destroyed.
class TestCgroup
{
public:
    TestCgroup() = default;
    ~TestCgroup()
    {
        if (!m_path.isEmpty())
            QDir().rmdir(m_path);
    }
    TestCgroup(const TestCgroup &) = delete;
    TestCgroup &operator=(const TestCgroup &) = delete;

    // Empty when it can be made, otherwise why not (for QSKIP).
    QString create()
    {
        if (geteuid() != 0)
            return QStringLiteral("needs root: loads eBPF programs and makes a cgroup");
        const CgroupMount mount = findCgroupMount();
        if (mount.layout == CgroupMount::Layout::None)
            return QStringLiteral("no cgroup v2 hierarchy is mounted");
        const QString path = QStringLiteral("%1/nwt-test-%2").arg(mount.path).arg(getpid());
        if (!QDir().mkpath(path))
            return QStringLiteral("cannot make the cgroup ") + path;
        m_path = path;
        return {};
    }
    bool add(qint64 pid) const
    {
        QFile procs(m_path + QStringLiteral("/cgroup.procs"));
        return procs.open(QIODevice::WriteOnly) && procs.write(QByteArray::number(pid)) > 0;
    }
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

// The traffic-maker program: one exchange of its bytes on every exchange(); killed when
// destroyed.
class TrafficMaker
{
public:
    explicit TrafficMaker(const QStringList &arguments) : m_arguments(arguments) {}
    ~TrafficMaker()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Starts it; moves it into `cgroup` before it makes any socket.
    bool start(const TestCgroup &cgroup)
    {
        m_process.start(QStringLiteral(NWT_TRAFFIC_MAKER_BINARY), m_arguments);
        if (!m_process.waitForReadyRead(5000))
            return false;
        m_pid = m_process.readLine().trimmed().toInt();
        return cgroup.add(m_pid);
    }
    bool exchange()
    {
        m_process.write("go\n");
        return m_process.waitForReadyRead(10000) && m_process.readLine().trimmed() == "done";
    }
    // With --fork: the first exchange forks; returns the child's pid once the parent ended.
    int forkChild()
    {
        m_process.write("go\n");
        if (!m_process.waitForReadyRead(10000))
            return 0;
        const int child = m_process.readLine().trimmed().toInt();
        return m_process.waitForFinished(5000) ? child : 0;
    }
    int pid() const { return m_pid; }

private:
    QStringList m_arguments;
    QProcess m_process;
    int m_pid = 0;
};
