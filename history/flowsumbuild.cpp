// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/flowsumbuild.h"

#include "history/failurelog.h"

#include <QElapsedTimer>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <memory>
#include <sqlite3.h>

namespace {
// Memory holds at most about this many sums; past it they are cleared once written.
constexpr int kMostKeptSums = 200000;
// Rows added between two looks at the clock.
constexpr int kRowsPerLook = 2048;
// The application's id sits above a key's digits (YYYYMMDDhh, below 2^34).
constexpr int kAppShift = 34;

struct Finalize
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

// The connection's own handle. Qt's driver links the system's SQLite, as this file does, so
// both speak to the same library.
sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

Statement prepare(sqlite3 *handle, const char *sql)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) != SQLITE_OK) {
        FailureLog::sqlError(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(handle))));
        sqlite3_finalize(statement);
        return nullptr;
    }
    return Statement(statement);
}

int digits(const char *text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

bool isDigit(char c, char highest = '9')
{
    return c >= '0' && c <= highest;
}

// Days of the month in the calendar SQLite's date functions use, year 0 included.
int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// YYYYMMDDhh of a regular key.
quint64 keyDigits(const char *key)
{
    return quint64(digits(key, 4)) * 1000000 + digits(key + 5, 2) * 10000 +
           digits(key + 8, 2) * 100 + digits(key + 11, 2);
}

struct Text
{
    const char *data;
    int length;
};

// The row of a sum the tables hold, looked up by its two key columns; null when there is none
// or the lookup failed, which sets `failed`.
Statement storedSum(sqlite3 *handle, const char *sql, Text first, Text second, bool &failed)
{
    Statement lookup = prepare(handle, sql);
    if (!lookup) {
        failed = true;
        return nullptr;
    }
    sqlite3_bind_text(lookup.get(), 1, first.data, first.length, SQLITE_STATIC);
    sqlite3_bind_text(lookup.get(), 2, second.data, second.length, SQLITE_STATIC);
    const int step = sqlite3_step(lookup.get());
    if (step == SQLITE_ROW)
        return lookup;
    failed = failed || step != SQLITE_DONE;
    return nullptr;
}

FlowSumBuild::Amounts amountsAt(sqlite3_stmt *row, int column)
{
    return {sqlite3_column_double(row, column), sqlite3_column_double(row, column + 1),
            sqlite3_column_double(row, column + 2)};
}

// As the trigger adds: a sum's first row is taken as it is, the later ones added to it.
void add(FlowSumBuild::Amounts &sum, bool started, const FlowSumBuild::Amounts &row)
{
    if (!started) {
        sum = row;
        return;
    }
    sum.total += row.total;
    sum.downloaded += row.downloaded;
    sum.uploaded += row.uploaded;
}

bool isNumberOrNull(sqlite3_stmt *scan, int column)
{
    const int type = sqlite3_column_type(scan, column);
    return type != SQLITE_TEXT && type != SQLITE_BLOB;
}
} // namespace

bool FlowSumBuild::isRegularKey(const char *key, int length)
{
    if (length != 13 || key[4] != '/' || key[7] != '/' || key[10] != '/')
        return false;
    for (const int i : {0, 1, 2, 3, 6, 9, 12})
        if (!isDigit(key[i]))
            return false;
    if (!isDigit(key[5], '1') || !isDigit(key[8], '3') || !isDigit(key[11], '2'))
        return false;
    const int month = digits(key + 5, 2);
    const int day = digits(key + 8, 2);
    return digits(key + 11, 2) <= 23 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(digits(key, 4), month);
}

void FlowSumBuild::start(const QSqlDatabase &db, bool resumed)
{
    stop();
    m_db = db;
    m_tablesMayHold = resumed;
}

void FlowSumBuild::stop()
{
    m_db = QSqlDatabase();
    discard();
    m_tablesMayHold = false;
}

void FlowSumBuild::discard()
{
    clearSums();
    m_oddRows.clear();
}

void FlowSumBuild::clearSums()
{
    m_appIds.clear();
    m_hours.clear();
    m_days.clear();
    m_changedHours.clear();
    m_changedDays.clear();
    m_lookupFailed = false;
    m_tablesMayHold = true;
}

bool FlowSumBuild::slice(qint64 from, int budgetMs, qint64 &to, bool &done)
{
    sqlite3 *handle = handleOf(m_db);
    if (!handle) {
        FailureLog::sqlError(QSqlError(QString(), QStringLiteral("no SQLite handle")));
        return false;
    }
    if (!addRows(handle, from, budgetMs, to, done) || !write())
        return false;
    if (m_hours.size() + m_days.size() > kMostKeptSums)
        clearSums();
    return true;
}

bool FlowSumBuild::addRows(sqlite3 *handle, qint64 from, int budgetMs, qint64 &to, bool &done)
{
    QElapsedTimer timer;
    timer.start();
    const Statement scan =
        prepare(handle, "SELECT rowid, appname, dataymdh, totalFlow, downloadedFlow, "
                        "uploadedFlow FROM flowDetail WHERE rowid > ?1 ORDER BY rowid");
    if (!scan)
        return false;
    sqlite3_bind_int64(scan.get(), 1, from);
    to = from;
    done = false;
    for (int rows = 1;; ++rows) {
        const int step = sqlite3_step(scan.get());
        if (step == SQLITE_DONE) {
            done = true;
            return true;
        }
        if (step != SQLITE_ROW) {
            FailureLog::sqlError(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(handle))));
            return false;
        }
        to = sqlite3_column_int64(scan.get(), 0);
        // Types first: reading a value as text converts it.
        const bool textKey = sqlite3_column_type(scan.get(), 1) == SQLITE_TEXT &&
                             sqlite3_column_type(scan.get(), 2) == SQLITE_TEXT;
        const bool numbers = isNumberOrNull(scan.get(), 3) && isNumberOrNull(scan.get(), 4) &&
                             isNumberOrNull(scan.get(), 5);
        const char *name = reinterpret_cast<const char *>(sqlite3_column_text(scan.get(), 1));
        const int nameLength = sqlite3_column_bytes(scan.get(), 1);
        const char *key = reinterpret_cast<const char *>(sqlite3_column_text(scan.get(), 2));
        const int keyLength = sqlite3_column_bytes(scan.get(), 2);
        if (!textKey || !numbers || !isRegularKey(key, keyLength)) {
            m_oddRows.append(to);
        } else {
            const Amounts row = amountsAt(scan.get(), 3);
            const quint64 app = quint64(appId(name, nameLength)) << kAppShift;
            const quint64 hour = keyDigits(key);
            HourSum &hourEntry = hourSum(handle, app | hour, name, nameLength, key);
            add(hourEntry.amounts, hourEntry.lastRow != 0, row);
            hourEntry.lastRow = to;
            if (!hourEntry.changed)
                m_changedHours.append(app | hour);
            hourEntry.changed = true;
            DaySum &dayEntry = daySum(handle, app | (hour / 100), name, nameLength, key);
            add(dayEntry.amounts, dayEntry.lastRow != 0, row);
            if (!dayEntry.firstRow)
                dayEntry.firstRow = to;
            dayEntry.lastRow = to;
            if (!dayEntry.changed)
                m_changedDays.append(app | (hour / 100));
            dayEntry.changed = true;
        }
        if (m_lookupFailed)
            return false;
        if (rows % kRowsPerLook == 0 && timer.elapsed() >= budgetMs)
            return true;
    }
}

int FlowSumBuild::appId(const char *name, int length)
{
    const auto found = m_appIds.constFind(QByteArray::fromRawData(name, length));
    if (found != m_appIds.constEnd())
        return *found;
    const int id = m_appIds.size();
    m_appIds.insert(QByteArray(name, length), id);
    return id;
}

// The sum memory holds for `key`, or a new one, which `load` fills from the tables when they
// may hold it.
template <typename Sum, typename Load>
Sum &FlowSumBuild::cachedSum(QHash<quint64, Sum> &sums, quint64 key, Load load)
{
    const auto found = sums.find(key);
    if (found != sums.end())
        return *found;
    Sum &sum = sums[key];
    if (m_tablesMayHold)
        load(sum);
    return sum;
}

FlowSumBuild::HourSum &FlowSumBuild::hourSum(sqlite3 *handle, quint64 key, const char *name,
                                             int nameLength, const char *hourKey)
{
    return cachedSum(m_hours, key, [&](HourSum &sum) {
        if (const Statement row = storedSum(handle,
                                            "SELECT totalFlow, downloadedFlow, uploadedFlow FROM "
                                            "flowHourSum WHERE appname = ?1 AND hourKey = ?2",
                                            {name, nameLength}, {hourKey, 13}, m_lookupFailed)) {
            sum.lastRow = -1;
            sum.amounts = amountsAt(row.get(), 0);
        }
    });
}

FlowSumBuild::DaySum &FlowSumBuild::daySum(sqlite3 *handle, quint64 key, const char *name,
                                           int nameLength, const char *hourKey)
{
    return cachedSum(m_days, key, [&](DaySum &sum) {
        if (const Statement row = storedSum(handle,
                                            "SELECT firstRow, lastRow, totalFlow, downloadedFlow, "
                                            "uploadedFlow FROM flowDaySum WHERE dayKey = ?1 AND "
                                            "appname = ?2",
                                            {hourKey, 10}, {name, nameLength}, m_lookupFailed)) {
            sum.firstRow = sqlite3_column_int64(row.get(), 0);
            sum.lastRow = sqlite3_column_int64(row.get(), 1);
            sum.amounts = amountsAt(row.get(), 2);
        }
    });
}

// Each changed sum is written whole, its name, key and second name copied from its last row,
// so that they keep the exact value and type the trigger would have kept.
bool FlowSumBuild::write()
{
    QSqlQuery query(m_db);
    bool ok = query.prepare(QStringLiteral("INSERT OR IGNORE INTO flowOddRow (id) VALUES (?)"));
    for (const qint64 row : qAsConst(m_oddRows)) {
        query.addBindValue(row);
        ok = ok && query.exec();
    }
    m_oddRows.clear();
    ok = ok && query.prepare(QStringLiteral(
                   "INSERT OR REPLACE INTO flowHourSum (appname, hourKey, sName, totalFlow, "
                   "downloadedFlow, uploadedFlow) SELECT appname, dataymdh, sName, ?, ?, ? "
                   "FROM flowDetail WHERE rowid = ?"));
    for (const quint64 key : qAsConst(m_changedHours)) {
        HourSum &sum = m_hours[key];
        query.addBindValue(sum.amounts.total);
        query.addBindValue(sum.amounts.downloaded);
        query.addBindValue(sum.amounts.uploaded);
        query.addBindValue(sum.lastRow);
        ok = ok && query.exec();
        sum.changed = false;
    }
    m_changedHours.clear();
    ok = ok && query.prepare(QStringLiteral(
                   "INSERT OR REPLACE INTO flowDaySum (dayKey, appname, sName, hourKey, firstRow, "
                   "lastRow, totalFlow, downloadedFlow, uploadedFlow) SELECT substr(dataymdh, 1, "
                   "10), appname, sName, dataymdh, ?, rowid, ?, ?, ? FROM flowDetail "
                   "WHERE rowid = ?"));
    for (const quint64 key : qAsConst(m_changedDays)) {
        DaySum &sum = m_days[key];
        query.addBindValue(sum.firstRow);
        query.addBindValue(sum.amounts.total);
        query.addBindValue(sum.amounts.downloaded);
        query.addBindValue(sum.amounts.uploaded);
        query.addBindValue(sum.lastRow);
        ok = ok && query.exec();
        sum.changed = false;
    }
    m_changedDays.clear();
    if (!ok)
        FailureLog::sqlError(query.lastError());
    return ok;
}
