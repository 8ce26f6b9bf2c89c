// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "rootfixtures.h"

#include "cgroupmount.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

TestCgroup::~TestCgroup()
{
    if (!m_path.isEmpty())
        QDir().rmdir(m_path);
}

QString TestCgroup::create()
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

bool TestCgroup::add(qint64 pid) const
{
    QFile procs(m_path + QStringLiteral("/cgroup.procs"));
    return procs.open(QIODevice::WriteOnly) && procs.write(QByteArray::number(pid)) > 0;
}

TrafficMaker::TrafficMaker(const QStringList &arguments) : m_arguments(arguments) {}

TrafficMaker::~TrafficMaker()
{
    m_process.kill();
    m_process.waitForFinished();
}

bool TrafficMaker::start(const TestCgroup &cgroup)
{
    m_process.start(QStringLiteral(NWT_TRAFFIC_MAKER_BINARY), m_arguments);
    if (!m_process.waitForReadyRead(5000))
        return false;
    m_pid = m_process.readLine().trimmed().toInt();
    return cgroup.add(m_pid);
}

bool TrafficMaker::exchange()
{
    m_process.write("go\n");
    return m_process.waitForReadyRead(10000) && m_process.readLine().trimmed() == "done";
}
