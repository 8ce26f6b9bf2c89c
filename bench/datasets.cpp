// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "datasets.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

QString applicationName(int index)
{
    return QStringLiteral("app%1.desktop").arg(index, 3, 10, QLatin1Char('0'));
}

namespace {
// Growth amounts as the store writes them: six significant digits at most, integers stored as
// integers, an idle application writing zeros.
QVariant amount(quint64 &state, bool integral)
{
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const quint64 r = state >> 33;
    if (r % 3 == 0)
        return qlonglong(0);
    if (integral)
        return qlonglong(r % 500);
    return double(r % 9999999) / 100.0;
}
} // namespace

bool generateDataSet(const DataSet &set, const QString &folder)
{
    const QString path = set.path(folder);
    const QString done = path + ".complete";
    if (QFile::exists(done))
        return true;
    QFile::remove(path);
    QTextStream out(stdout);
    out << "generating " << set.name << ": " << set.rows() << " rows ..." << Qt::endl;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "generate");
        db.setDatabaseName(path);
        if (!db.open())
            return false;
        QSqlQuery query(db);
        query.exec("PRAGMA journal_mode = OFF");
        query.exec("PRAGMA synchronous = OFF");
        query.exec("PRAGMA cache_size = -200000");
        query.exec("CREATE TABLE flowDetail (appname text, sName text, dataymdh text, totalFlow "
                   "real, downloadedFlow real, uploadedFlow);");
        query.exec("BEGIN");
        query.prepare("INSERT INTO flowDetail VALUES (?, ?, ?, ?, ?, ?)");
        quint64 state = 42;
        QStringList names, secondNames;
        for (int app = 0; app < set.applications; ++app) {
            names.append(applicationName(app));
            secondNames.append(QStringLiteral("App %1").arg(app));
        }
        for (int day = 0; day < set.days; ++day) {
            const QDate date = set.firstDay.addDays(day);
            for (int hour = 0; hour < 24; ++hour) {
                const QString key = date.toString("yyyy/MM/dd/") + QString::asprintf("%02d", hour);
                for (int tick = 0; tick < 720; ++tick) {
                    for (int app = 0; app < set.applications; ++app) {
                        const QVariant down = amount(state, false);
                        const QVariant up = amount(state, true);
                        query.bindValue(0, names.at(app));
                        query.bindValue(1, secondNames.at(app));
                        query.bindValue(2, key);
                        query.bindValue(3, down.toDouble() + up.toDouble());
                        query.bindValue(4, down);
                        query.bindValue(5, up);
                        if (!query.exec()) {
                            out << query.lastError().text() << Qt::endl;
                            return false;
                        }
                    }
                }
            }
        }
        query.exec("COMMIT");
    }
    QSqlDatabase::removeDatabase("generate");
    QFile marker(done);
    return marker.open(QIODevice::WriteOnly);
}
