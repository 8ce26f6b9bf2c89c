// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/historyfilecheck.h"

#include "history/failurelog.h"
#include "records/clock.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace {
constexpr int kThoroughCheckPauseMs = 60000;
const QStringList kColumns = {"appname",   "sName",          "dataymdh",
                              "totalFlow", "downloadedFlow", "uploadedFlow"};
// SQLite's codes for a file that is not a database, or a damaged one.
const QStringList kBrokenFileCodes = {QStringLiteral("26"), QStringLiteral("11")};
} // namespace

// Why the file cannot hold the history, or nothing when it can, or when it is only busy:
// another program holding it is no fault of the file.
QString HistoryFileCheck::problem(const QSqlDatabase &db, bool thorough)
{
    QSqlQuery probe(db);
    if (!probe.exec(thorough ? QStringLiteral("PRAGMA quick_check")
                             : QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QSqlError error = probe.lastError();
        return kBrokenFileCodes.contains(error.nativeErrorCode()) ? error.databaseText()
                                                                  : QString();
    }
    if (thorough) {
        m_sinceThorough.start();
        if (probe.next() && probe.value(0).toString() != QLatin1String("ok"))
            return probe.value(0).toString();
    }
    probe.finish();
    const QSqlRecord columns = db.record(QStringLiteral("flowDetail"));
    if (columns.isEmpty())
        return QString(); // no table yet: it is created
    bool same = columns.count() == kColumns.size();
    for (int i = 0; same && i < columns.count(); ++i)
        same = columns.fieldName(i).compare(kColumns.at(i), Qt::CaseInsensitive) == 0;
    return same ? QString() : QStringLiteral("flowDetail has other columns");
}

bool HistoryFileCheck::thoroughDue() const
{
    return !m_sinceThorough.isValid() || m_sinceThorough.elapsed() >= kThoroughCheckPauseMs;
}

// The rows' table or the sums' state is gone; a file only busy has lost nothing.
bool HistoryFileCheck::lostTables(const QSqlDatabase &db)
{
    QSqlQuery probe(db);
    return probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                     "AND name IN ('flowDetail', 'flowSumState')")) &&
           probe.next() && probe.value(0).toInt() < 2;
}

// The user's file is kept, renamed, with whatever journal belongs to it.
void HistoryFileCheck::moveAside(const QString &path, const QString &problem)
{
    const QString stamp = Clock::now().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = QStringLiteral("%1.unusable-%2").arg(path, stamp);
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = QStringLiteral("%1.unusable-%2-%3").arg(path, stamp).arg(n);
    const bool moved = QDir().rename(path, aside);
    if (moved)
        for (const char *journal : {"-journal", "-wal", "-shm"})
            if (QFileInfo::exists(path + QLatin1String(journal)))
                QDir().rename(path + QLatin1String(journal), aside + QLatin1String(journal));
    if (moved)
        qDebug() << "warden.db cannot be used (" << problem << "), moved aside to" << aside
                 << "and a new one started";
    else if (FailureLog::due(QStringLiteral("warden.db not moved")))
        qDebug() << "warden.db cannot be used (" << problem << ") nor moved aside to" << aside;
}
