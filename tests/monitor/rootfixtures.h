// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A cgroup of the test's own under the cgroup v2 mount; removed again when destroyed.
class TestCgroup
{
public:
    TestCgroup() = default;
    ~TestCgroup();
    TestCgroup(const TestCgroup &) = delete;
    TestCgroup &operator=(const TestCgroup &) = delete;

    // Empty when it can be made, otherwise why not (for QSKIP).
    QString create();
    bool add(qint64 pid) const;
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

// The traffic-maker program: one exchange of its bytes on every exchange().
class TrafficMaker
{
public:
    explicit TrafficMaker(const QStringList &arguments);
    ~TrafficMaker();

    // Starts it; moves it into `cgroup` before it makes any socket.
    bool start(const TestCgroup &cgroup);
    bool exchange();
    int pid() const { return m_pid; }

private:
    QStringList m_arguments;
    QProcess m_process;
    int m_pid = 0;
};
