// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cgroupmount.h"

#include <QFile>
#include <QStringList>

namespace {

// The mount point field is octal-escaped in mountinfo.
QString unescapeMountPath(const QString &field)
{
    QString path = field;
    path.replace(QStringLiteral("\\040"), QStringLiteral(" "));
    path.replace(QStringLiteral("\\011"), QStringLiteral("\t"));
    path.replace(QStringLiteral("\\134"), QStringLiteral("\\"));
    return path;
}

} // namespace

QString CgroupMount::describe() const
{
    switch (layout) {
    case Layout::Unified:
        return QStringLiteral("unified cgroup v2 hierarchy at %1").arg(path);
    case Layout::Hybrid:
        return QStringLiteral("hybrid cgroup layout, cgroup v2 at %1").arg(path);
    case Layout::None:
        break;
    }
    return QStringLiteral("no cgroup v2 hierarchy mounted");
}

CgroupMount findCgroupMount(const QString &mountInfo)
{
    CgroupMount found;
    bool anyV1 = false;
    const QStringList lines = mountInfo.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        // "id parent major:minor root mountpoint options [optional...] - fstype source super"
        const QStringList fields = line.split(QLatin1Char(' '));
        const int separator = fields.indexOf(QStringLiteral("-"));
        if (separator < 5 || separator + 1 >= fields.size())
            continue;
        const QString type = fields.at(separator + 1);
        if (type == QLatin1String("cgroup"))
            anyV1 = true;
        else if (type == QLatin1String("cgroup2") && found.path.isEmpty())
            found.path = unescapeMountPath(fields.at(4));
    }
    if (!found.path.isEmpty())
        found.layout = anyV1 ? CgroupMount::Layout::Hybrid : CgroupMount::Layout::Unified;
    return found;
}

CgroupMount findCgroupMount()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return findCgroupMount(QString::fromUtf8(file.readAll()));
}
