// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/flowsummaries.h"

#include "history/failurelog.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
// Raised whenever the tables or the way they are kept change; a file with another version
// gets its sums built anew.
constexpr int kVersion = 3;

// A row the sums cover, as FlowSumBuild::isRegularKey and the build judge it: a text name, a
// well-formed text key of a real date and hour 00 to 23 (any other key falls into some day's
// range in ways a per-day sum cannot follow), and numeric amounts. %1 is the row's prefix
// ("NEW." in a trigger). Days up to 28 skip the date test; date() alone passes 30 February
// unchanged, a day number does not.
// IN lists stay at two items: a longer one makes SQLite build a temporary table for every row.
QString regularRow(const QString &row)
{
    return QStringLiteral(
               "coalesce(typeof(%1appname) = 'text' AND typeof(%1dataymdh) = 'text' "
               "AND %1dataymdh GLOB '[0-9][0-9][0-9][0-9]/[01][0-9]/[0-3][0-9]/[0-2][0-9]' "
               "AND substr(%1dataymdh, 12, 2) <= '23' "
               "AND substr(%1dataymdh, 6, 2) BETWEEN '01' AND '12' "
               "AND (substr(%1dataymdh, 9, 2) BETWEEN '01' AND '28' "
               "OR date(julianday(replace(substr(%1dataymdh, 1, 10), '/', '-'))) "
               "= replace(substr(%1dataymdh, 1, 10), '/', '-')) "
               "AND typeof(%1totalFlow) NOT IN ('text', 'blob') "
               "AND typeof(%1downloadedFlow) NOT IN ('text', 'blob') "
               "AND typeof(%1uploadedFlow) NOT IN ('text', 'blob'), 0)")
        .arg(row);
}

// The sums' columns have no declared type, so a sum keeps exactly the double it was given.
// A day sum knows the first and the last row it holds. The rows the sums do not cover are
// listed in flowOddRow; the answers they touch are read from the rows.
const QStringList kSchema = {
    QStringLiteral("CREATE TABLE IF NOT EXISTS flowHourSum (appname text NOT NULL, "
                   "hourKey text NOT NULL, sName, totalFlow, downloadedFlow, uploadedFlow, "
                   "PRIMARY KEY (appname, hourKey)) WITHOUT ROWID"),
    QStringLiteral("CREATE TABLE IF NOT EXISTS flowDaySum (dayKey text NOT NULL, "
                   "appname text NOT NULL, sName, hourKey text, firstRow integer, "
                   "lastRow integer, totalFlow, downloadedFlow, uploadedFlow, "
                   "PRIMARY KEY (dayKey, appname)) WITHOUT ROWID"),
    QStringLiteral("CREATE TABLE IF NOT EXISTS flowOddRow (id integer PRIMARY KEY)"),
    QStringLiteral("CREATE TABLE IF NOT EXISTS flowSumState (id integer PRIMARY KEY CHECK "
                   "(id = 1), version integer, builtTo integer, complete integer, "
                   "stale integer)"),
    QStringLiteral("INSERT OR IGNORE INTO flowSumState (id, version, builtTo, complete, stale) "
                   "VALUES (1, %1, 0, 0, 0)")
        .arg(kVersion),
    QStringLiteral("CREATE TRIGGER IF NOT EXISTS flowDetail_sum_delete AFTER DELETE ON flowDetail "
                   "BEGIN UPDATE flowSumState SET stale = 1 WHERE stale = 0; END"),
    QStringLiteral("CREATE TRIGGER IF NOT EXISTS flowDetail_sum_update AFTER UPDATE ON flowDetail "
                   "BEGIN UPDATE flowSumState SET stale = 1 WHERE stale = 0; END"),
};

// Written without upsert syntax, so that older SQLite versions can still use the file. One
// trigger only: two on the same insert made every row cost a heap trim.
QString insertTrigger()
{
    const QString amounts = QStringLiteral(
        "CAST(ifnull(NEW.totalFlow, 0) AS REAL), CAST(ifnull(NEW.downloadedFlow, 0) AS REAL), "
        "CAST(ifnull(NEW.uploadedFlow, 0) AS REAL)");
    const QString add =
        QStringLiteral("totalFlow = totalFlow + ifnull(NEW.totalFlow, 0), "
                       "downloadedFlow = downloadedFlow + ifnull(NEW.downloadedFlow, 0), "
                       "uploadedFlow = uploadedFlow + ifnull(NEW.uploadedFlow, 0)");
    const QString covered =
        QStringLiteral("NOT EXISTS (SELECT 1 FROM flowOddRow WHERE id = NEW.rowid)");
    return QStringLiteral(
               "CREATE TRIGGER flowDetail_sum_insert AFTER INSERT ON flowDetail BEGIN "
               "INSERT INTO flowOddRow (id) SELECT NEW.rowid WHERE NOT %3; "
               "UPDATE flowHourSum SET sName = NEW.sName, %1 "
               "WHERE appname = NEW.appname AND hourKey = NEW.dataymdh AND %4; "
               "INSERT OR IGNORE INTO flowHourSum (appname, hourKey, sName, totalFlow, "
               "downloadedFlow, uploadedFlow) SELECT NEW.appname, NEW.dataymdh, NEW.sName, %2 "
               "WHERE %4; "
               "UPDATE flowDaySum SET sName = NEW.sName, hourKey = NEW.dataymdh, "
               "lastRow = NEW.rowid, %1 "
               "WHERE dayKey = substr(NEW.dataymdh, 1, 10) AND appname = NEW.appname AND %4; "
               "INSERT OR IGNORE INTO flowDaySum (dayKey, appname, sName, hourKey, firstRow, "
               "lastRow, totalFlow, downloadedFlow, uploadedFlow) "
               "SELECT substr(NEW.dataymdh, 1, 10), NEW.appname, NEW.sName, NEW.dataymdh, "
               "NEW.rowid, NEW.rowid, %2 WHERE %4; "
               "UPDATE flowSumState SET builtTo = NEW.rowid; "
               "END")
        .arg(add, amounts, regularRow(QStringLiteral("NEW.")), covered);
}

} // namespace

void FlowSummaries::attach(const QSqlDatabase &db)
{
    m_db = db;
    m_unsummed.clear();
    m_building = false;
    m_retentionBound.clear();
    for (const QString &statement : kSchema)
        exec(statement);
    check();
}

void FlowSummaries::detach()
{
    m_build.stop();
    m_unsummed.clear();
    m_db = QSqlDatabase();
    m_building = false;
    m_retentionBound.clear();
}

bool FlowSummaries::exec(const QString &statement)
{
    QSqlQuery query(m_db);
    if (query.exec(statement))
        return true;
    FailureLog::sqlError(query.lastError());
    return false;
}

// A COMMIT that fails (the file busy) leaves the transaction open: it is rolled back then.
bool FlowSummaries::finish(bool ok)
{
    if (ok && exec(QStringLiteral("COMMIT")))
        return true;
    exec(QStringLiteral("ROLLBACK"));
    return false;
}

QVariant FlowSummaries::value(const QString &select)
{
    QSqlQuery query(m_db);
    if (query.exec(select) && query.next())
        return query.value(0);
    return QVariant();
}

bool FlowSummaries::check()
{
    QSqlQuery state(m_db);
    if (!state.exec(QStringLiteral(
            "SELECT version, builtTo, complete, stale, (SELECT max(rowid) FROM flowDetail), "
            "(SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND "
            "name = 'flowDetail_sum_insert' AND tbl_name = 'flowDetail'), "
            "(SELECT count(*) FROM sqlite_master WHERE type = 'table' AND (name = 'flowHourSum' "
            "OR name = 'flowDaySum' OR name = 'flowOddRow')) FROM flowSumState")) ||
        !state.next())
        return false;
    const bool sameVersion = state.value(0).toInt() == kVersion;
    const qint64 builtTo = state.value(1).toLongLong();
    const bool complete = state.value(2).toBool();
    const bool stale = state.value(3).toBool();
    const qint64 lastRow = state.value(4).toLongLong();
    const bool kept = state.value(5).toInt() == 1;
    const bool tables = state.value(6).toInt() == 3;
    state.finish();

    if (complete && !stale && sameVersion && kept && tables && lastRow <= builtTo)
        return true;
    // An unfinished build goes on where it stopped, as long as no row it covered has changed.
    if (!complete && !stale && sameVersion && !kept && tables) {
        if (!m_building) {
            m_build.start(m_db, true);
            m_unsummed.start(m_db, builtTo);
        }
        m_building = true;
    } else {
        startBuild();
    }
    return m_building;
}

void FlowSummaries::startBuild()
{
    m_building = false;
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return;
    // Dropped rather than emptied: a file of an earlier version has other columns.
    bool cleared = exec(QStringLiteral("DROP TRIGGER IF EXISTS flowDetail_sum_insert")) &&
                   exec(QStringLiteral("DROP TABLE IF EXISTS flowHourSum")) &&
                   exec(QStringLiteral("DROP TABLE IF EXISTS flowDaySum")) &&
                   exec(QStringLiteral("DROP TABLE IF EXISTS flowOddRow"));
    for (const QString &statement : kSchema)
        cleared = cleared && exec(statement);
    cleared = cleared && exec(QStringLiteral("UPDATE flowSumState SET version = %1, builtTo = 0, "
                                             "complete = 0, stale = 0")
                                  .arg(kVersion));
    m_building = finish(cleared);
    m_unsummed.clear();
    if (m_building) {
        m_build.start(m_db, false);
        m_unsummed.start(m_db, 0);
    }
}

FlowSummaries::Answers FlowSummaries::answers()
{
    return check() ? Answers::FromSummaries : Answers::FromRows;
}

UnsummedSpans &FlowSummaries::unsummed()
{
    // Rows not mapped yet are read whole by the answer: mapping them first would cost more, and
    // the records it keeps spare the later answers of its period.
    QSqlQuery state(m_db);
    const bool known =
        state.exec(QStringLiteral(
            "SELECT builtTo, (SELECT max(rowid) FROM flowDetail) FROM flowSumState")) &&
        state.next();
    m_unsummed.setRows(known ? state.value(0).toLongLong() : 0,
                       known ? state.value(1).toLongLong() : -1);
    return m_unsummed;
}

void FlowSummaries::startRetention(const QString &bound)
{
    // The spans stay: old rows are removed only once the build has ended, which clears them.
    if (answers() == Answers::FromSummaries && !m_building && !holdsOlder(bound))
        return;
    QSqlQuery range(m_db);
    // Apart, min and max each read one end of the table; together they would read all of it.
    if (!range.exec(QStringLiteral(
            "SELECT (SELECT min(rowid) FROM flowDetail), (SELECT max(rowid) FROM flowDetail)")) ||
        !range.next()) {
        FailureLog::sqlError(range.lastError());
        return;
    }
    m_retentionNext = range.value(0).toLongLong();
    m_retentionLast = range.value(1).toLongLong();
    m_retentionBound = bound;
}

// Once built, every row has a day sum or is listed as odd: without either older than the bound
// there is nothing to remove, and the pass over the whole table is spared. CROSS JOIN keeps the
// few odd rows outside: the other order reads every row.
bool FlowSummaries::holdsOlder(const QString &bound)
{
    QSqlQuery older(m_db);
    older.prepare(QStringLiteral(
        "SELECT 1 FROM flowDaySum WHERE dayKey < ? UNION ALL SELECT 1 FROM flowOddRow "
        "CROSS JOIN flowDetail ON flowDetail.rowid = flowOddRow.id WHERE dataymdh < ? LIMIT 1"));
    older.addBindValue(bound.left(10));
    older.addBindValue(bound);
    return !older.exec() || older.next();
}

bool FlowSummaries::doWork(int budgetMs)
{
    if (m_building && m_unsummed.isMapping())
        return m_unsummed.mapSlice(budgetMs);
    if (m_building)
        return buildSlice(budgetMs);
    if (!m_retentionBound.isEmpty())
        return retentionSlice(budgetMs);
    return true;
}

qint64 FlowSummaries::nextSpan(qint64 span, qint64 elapsedMs, int budgetMs) const
{
    if (elapsedMs < budgetMs / 2)
        return span * 2;
    if (elapsedMs > budgetMs)
        return qMax<qint64>(1000, span / 2);
    return span;
}

bool FlowSummaries::buildSlice(int budgetMs)
{
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    const qint64 from = value(QStringLiteral("SELECT builtTo FROM flowSumState")).toLongLong();
    qint64 to = from;
    bool done = false;
    bool ok = m_build.slice(from, budgetMs, to, done) &&
              exec(QStringLiteral("UPDATE flowSumState SET builtTo = %1").arg(to));
    if (done) {
        ok = ok && exec(insertTrigger()) &&
             exec(QStringLiteral("UPDATE flowSumState SET complete = 1"));
    }
    ok = finish(ok);
    if (!ok) {
        m_build.discard();
    } else if (done) {
        m_building = false;
        m_build.stop();
        m_unsummed.clear();
        // A removal asked for during the build may find nothing to remove now.
        if (!m_retentionBound.isEmpty() && !holdsOlder(m_retentionBound))
            m_retentionBound.clear();
    }
    return ok;
}

bool FlowSummaries::retentionSlice(int budgetMs)
{
    QElapsedTimer timer;
    timer.start();
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    const bool wasStale = value(QStringLiteral("SELECT stale FROM flowSumState")).toBool();
    const qint64 end = m_retentionNext + m_retentionSpan;
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("DELETE FROM flowDetail WHERE rowid >= ? AND rowid < ? AND dataymdh < ?"));
    query.addBindValue(m_retentionNext);
    query.addBindValue(end);
    query.addBindValue(m_retentionBound);
    bool ok = query.exec();
    if (!ok)
        FailureLog::sqlError(query.lastError());
    // These rows leave with their sums: they do not make the sums stale.
    if (ok && !wasStale)
        ok = exec(QStringLiteral("UPDATE flowSumState SET stale = 0"));
    const bool done = end > m_retentionLast;
    if (ok && done) {
        query.prepare(QStringLiteral("DELETE FROM flowDaySum WHERE dayKey < ?"));
        query.addBindValue(m_retentionBound.left(10));
        ok = query.exec();
        query.prepare(QStringLiteral("DELETE FROM flowHourSum WHERE hourKey < ?"));
        query.addBindValue(m_retentionBound);
        ok = ok && query.exec() &&
             query.exec(QStringLiteral("DELETE FROM flowOddRow WHERE NOT EXISTS (SELECT 1 FROM "
                                       "flowDetail WHERE flowDetail.rowid = flowOddRow.id)"));
        if (!ok)
            FailureLog::sqlError(query.lastError());
    }
    ok = finish(ok);
    m_retentionNext = end;
    if (done || !ok)
        m_retentionBound.clear();
    m_retentionSpan = nextSpan(m_retentionSpan, timer.elapsed(), budgetMs);
    return ok;
}
