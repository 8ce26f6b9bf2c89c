// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "historyfile.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

HistoryFile::HistoryFile(const QString &path)
{
    static QAtomicInt connections;
    m_name = QStringLiteral("history-file-%1").arg(connections.fetchAndAddRelaxed(1));
    const QString file = path.isEmpty() ? defaultPath() : path;
    QDir().mkpath(QFileInfo(file).path());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    // The service may be writing: wait for it as another program would.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    QVERIFY2(db.open(), qPrintable(db.lastError().text()));
}

HistoryFile::~HistoryFile()
{
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

QString HistoryFile::defaultPath()
{
    return QDir::homePath() + QStringLiteral("/.nimbra-warden/warden.db");
}

bool HistoryFile::create(const QStringList &rows, const QString &path)
{
    HistoryFile file(path);
    return file.exec(QStringLiteral("CREATE TABLE flowDetail (appname text, sName text, "
                                    "dataymdh text, totalFlow real, downloadedFlow real, "
                                    "uploadedFlow);")) &&
           (rows.isEmpty() ||
            file.exec(QStringLiteral("INSERT INTO flowDetail VALUES ") + rows.join(',')));
}

QSqlDatabase HistoryFile::database() const
{
    return QSqlDatabase::database(m_name);
}

bool HistoryFile::exec(const QString &statement)
{
    QSqlQuery query(database());
    const bool done = query.exec(statement);
    return QTest::qVerify(done, qPrintable(statement), qPrintable(query.lastError().text()),
                          __FILE__, __LINE__);
}

QStringList HistoryFile::values(const QString &select)
{
    QSqlQuery query(database());
    if (!query.exec(select))
        return {query.lastError().text()};
    QStringList values;
    while (query.next()) {
        QStringList columns;
        for (int i = 0; i < query.record().count(); ++i)
            columns.append(query.value(i).toString());
        values.append(columns.join('|'));
    }
    return values;
}

QStringList HistoryFile::rows(const QString &where)
{
    return values("SELECT appname, sName, downloadedFlow, uploadedFlow, totalFlow FROM "
                  "flowDetail " +
                  where + " ORDER BY rowid");
}

QStringList HistoryFile::sums()
{
    return values("SELECT appname, total(downloadedFlow), total(uploadedFlow) FROM flowDetail "
                  "GROUP BY appname");
}

void HistoryFile::insert(const QList<HistoryRow> &rows)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT INTO flowDetail VALUES (?, ?, ?, ?, ?, ?)"));
    exec("BEGIN");
    for (const HistoryRow &r : rows) {
        for (const QVariant &value : QVariantList(
                 {r.appname, r.sname, r.key, r.downloaded + r.uploaded, r.downloaded, r.uploaded}))
            query.addBindValue(value);
        if (!QTest::qVerify(query.exec(), "insert", qPrintable(query.lastError().text()), __FILE__,
                            __LINE__))
            break;
    }
    exec("COMMIT");
}

void HistoryFile::hideRows()
{
    exec("ALTER TABLE flowDetail RENAME TO moved");
    exec("CREATE INDEX flowDetail ON moved (appname)");
}
