// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QMetaType>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// A sample as the collector gives it, or with an hour key a row as another program writes it.
struct HistoryRow
{
    QString appname, sname;
    double downloaded, uploaded;
    QString key = {}; // empty for samples
};
Q_DECLARE_METATYPE(HistoryRow)

// A connection of the test's own to a history file, as another program has it; the service's
// file under $HOME unless told otherwise.
class HistoryFile
{
public:
    explicit HistoryFile(const QString &path = {});
    ~HistoryFile();
    HistoryFile(const HistoryFile &) = delete;
    HistoryFile &operator=(const HistoryFile &) = delete;

    static QString defaultPath();
    // A file as the earlier service left it: its table and `rows`, each a
    // "(appname,sName,dataymdh,totalFlow,downloadedFlow,uploadedFlow)" tuple.
    static bool create(const QStringList &rows, const QString &path = {});

    QSqlDatabase database() const;
    // Fails the running test when the statement fails.
    bool exec(const QString &statement);
    // Each result row, columns joined by '|'; the error text when the statement fails.
    QStringList values(const QString &select);
    // Rows in the order written, as "appname|sName|downloaded|uploaded|total".
    QStringList rows(const QString &where = QString());
    // Received and sent growth per application, as "appname|downloaded|uploaded".
    QStringList sums();
    void insert(const QList<HistoryRow> &rows);
    // Rows no request can read, and whose table cannot be made again: its name is taken.
    void hideRows();

private:
    QString m_name;
};
