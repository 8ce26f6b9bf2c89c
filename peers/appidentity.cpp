// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "appidentity.h"

#include <QRegularExpression>

namespace AppIdentity {

namespace {

// systemd escapes bytes as "\xNN"; app ids only ever need "-" back.
QString unescapeUnitPart(QString part)
{
    static const QRegularExpression escape(QStringLiteral("\\\\x([0-9a-fA-F]{2})"));
    QRegularExpressionMatch match;
    while ((match = escape.match(part)).hasMatch())
        part.replace(match.capturedStart(), match.capturedLength(),
                     QChar(match.captured(1).toInt(nullptr, 16)));
    return part;
}

QString desktopId(const QStringList &pieces)
{
    return unescapeUnitPart(pieces.join(QLatin1Char('-'))) + QStringLiteral(".desktop");
}

QStringList idsFromUnit(const QString &unit)
{
    QString body;
    bool scope = false;
    if (unit.endsWith(QLatin1String(".scope"))) {
        body = unit.chopped(6);
        scope = true;
    } else if (unit.endsWith(QLatin1String(".service"))) {
        body = unit.chopped(8);
        body = body.left(body.indexOf(QLatin1Char('@')));
    } else {
        return {};
    }
    QStringList pieces = body.mid(4).split(QLatin1Char('-'));
    if (scope)
        pieces.removeLast(); // the random part
    QStringList ids;
    if (pieces.size() > 1)
        ids.append(desktopId(pieces.mid(1))); // after the launcher's name
    if (!pieces.isEmpty() && !pieces.first().isEmpty())
        ids.append(desktopId(pieces));
    return ids;
}

} // namespace

QStringList desktopIdsFromCgroup(const QString &cgroup)
{
    // The innermost app unit of the process's cgroup path.
    for (const QString &line : cgroup.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList units = line.section(QLatin1Char(':'), 2).split(QLatin1Char('/'));
        for (auto unit = units.crbegin(); unit != units.crend(); ++unit) {
            if (unit->startsWith(QLatin1String("app-")))
                return idsFromUnit(*unit);
        }
    }
    return {};
}

QString launchedDesktopFile(const QByteArray &environ)
{
    static const QByteArray key = QByteArrayLiteral("GIO_LAUNCHED_DESKTOP_FILE=");
    for (const QByteArray &entry : environ.split('\0')) {
        if (entry.startsWith(key))
            return QString::fromLocal8Bit(entry.mid(key.size()));
    }
    return {};
}

QString flatpakDesktopId(const QString &flatpakInfo)
{
    bool inApplication = false;
    for (const QString &raw : flatpakInfo.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inApplication = line == QLatin1String("[Application]");
        else if (inApplication && line.startsWith(QLatin1String("name=")))
            return line.mid(5) + QStringLiteral(".desktop");
    }
    return {};
}

} // namespace AppIdentity
