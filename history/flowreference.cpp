// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/flowreference.h"

#include "history/failurelog.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace FlowReference {

namespace {
const QString kStoreOwner = QStringLiteral("store");
const QString kCollectorOwner = QStringLiteral("collector");
const QString kCollectorIdentity = QStringLiteral("collector identity");
const QString kLastSave = QStringLiteral("last save");
const QString kBootId = QStringLiteral("boot id");
const QString kBootClock = QStringLiteral("boot clock ms");
const QString kSteadySince = QStringLiteral("clock steady since");
const QString kLastRetention = QStringLiteral("last retention month");

// Logs the failure of a statement just run, as the store logs all of its failures.
bool succeeded(const QSqlQuery &query, bool ran)
{
    if (!ran)
        FailureLog::sqlError(query.lastError());
    return ran;
}

bool exec(QSqlQuery &query, const QString &statement)
{
    return succeeded(query, query.exec(statement));
}

bool createTables(QSqlQuery &query)
{
    return exec(query, QStringLiteral("CREATE TABLE IF NOT EXISTS flowSaveReference (owner text, "
                                      "key text, sName text, downloaded real, uploaded real);")) &&
           exec(query, QStringLiteral("CREATE TABLE IF NOT EXISTS flowSaveState (name text "
                                      "PRIMARY KEY, value text);"));
}

QDateTime moment(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}
} // namespace

Kept read(const QSqlDatabase &db)
{
    Kept kept;
    const QStringList tables = db.tables(QSql::Tables);
    if (tables.contains(QStringLiteral("flowSaveReference"))) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT owner, key, sName, downloaded, uploaded FROM "
                                  "flowSaveReference ORDER BY rowid"));
        while (query.next()) {
            const double downloaded = query.value(3).toDouble();
            const double uploaded = query.value(4).toDouble();
            if (query.value(0).toString() == kCollectorOwner) {
                kept.collector.counters.insert(query.value(1).toString(), {downloaded, uploaded});
                continue;
            }
            AppFlowDateParameter saved;
            saved.appname = query.value(1).toString();
            saved.sname = query.value(2).toString();
            saved.downloaded = downloaded;
            saved.uploaded = uploaded;
            saved.total = downloaded + uploaded;
            kept.lastSaved.append(saved);
        }
    }
    QMap<QString, QString> state;
    if (tables.contains(QStringLiteral("flowSaveState"))) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT name, value FROM flowSaveState"));
        while (query.next())
            state.insert(query.value(0).toString(), query.value(1).toString());
    }
    kept.collector.identity = state.value(kCollectorIdentity);
    kept.retention.lastSave = moment(state.value(kLastSave));
    kept.retention.bootId = state.value(kBootId);
    kept.retention.bootMs = state.value(kBootClock).toLongLong();
    kept.retention.steadySince = moment(state.value(kSteadySince));
    kept.retention.lastRetentionMonth = state.value(kLastRetention);
    return kept;
}

bool write(const QSqlDatabase &db, const Kept &kept)
{
    QSqlQuery query(db);
    if (!createTables(query) || !exec(query, QStringLiteral("DELETE FROM flowSaveReference;")))
        return false;
    query.prepare(QStringLiteral("INSERT INTO flowSaveReference VALUES (?, ?, ?, ?, ?);"));
    const auto insert = [&query](const QString &owner, const QString &key, const QString &sname,
                                 double downloaded, double uploaded) {
        query.addBindValue(owner);
        query.addBindValue(key);
        query.addBindValue(sname);
        query.addBindValue(downloaded);
        query.addBindValue(uploaded);
        return succeeded(query, query.exec());
    };
    for (const AppFlowDateParameter &saved : kept.lastSaved)
        if (!insert(kStoreOwner, saved.appname, saved.sname, saved.downloaded, saved.uploaded))
            return false;
    for (auto it = kept.collector.counters.cbegin(); it != kept.collector.counters.cend(); ++it)
        if (!insert(kCollectorOwner, it.key(), QString(), it->first, it->second))
            return false;

    query.prepare(QStringLiteral("INSERT OR REPLACE INTO flowSaveState VALUES (?, ?);"));
    const Retention::Record &retention = kept.retention;
    for (const auto &[name, value] :
         {std::pair(kCollectorIdentity, kept.collector.identity),
          std::pair(kLastSave, retention.lastSave.toString(Qt::ISODateWithMs)),
          std::pair(kBootId, retention.bootId),
          std::pair(kBootClock, QString::number(retention.bootMs)),
          std::pair(kSteadySince, retention.steadySince.toString(Qt::ISODateWithMs)),
          std::pair(kLastRetention, retention.lastRetentionMonth)}) {
        query.addBindValue(name);
        query.addBindValue(value);
        if (!succeeded(query, query.exec()))
            return false;
    }
    return true;
}

} // namespace FlowReference
