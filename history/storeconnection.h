// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/flowsummaries.h"
#include "history/historyfilecheck.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

class QThread;

// The history file `~/.nimbra-warden/warden.db` and its one connection: opened with its table
// made, a broken file moved aside for a new one, opened again in the thread that works on it,
// and repaired after a failed request. The sums kept in the file are attached to it.
class StoreConnection
{
public:
    // Opens the file, logging as a start does, and leaves the connection closed: a
    // connection belongs to the thread that made it, and the store is about to move.
    StoreConnection();
    ~StoreConnection();

    QString path() const { return m_path; }
    // Opens the connection in the calling thread unless it is open there already.
    void ensure();
    // Opens the file anew when another program removed it.
    void reopenIfRemoved();
    // After a failed request: a broken file goes aside and a new one takes its place; tables
    // another program dropped are made again, empty. True when it did either.
    bool recover();
    // Whether statements can run in the calling thread.
    bool isOpenHere() const;

    QSqlDatabase &database() { return m_db; }
    QSqlQuery &query() { return m_query; }
    FlowSummaries &summaries() { return m_summaries; }
    const FlowSummaries &summaries() const { return m_summaries; }
    // The one INSERT of flowDetail rows, prepared with the connection: preparing it anew for
    // each save would compile the summing trigger again.
    QSqlQuery &insert() { return m_insert; }

private:
    void open(bool logged);
    bool openConnection();
    void release();
    void attachSummaries();
    // True when the table is there, made now or before.
    bool createTable(bool logged);

    QSqlDatabase m_db;
    QString m_path;
    QSqlQuery m_query;
    QSqlQuery m_insert;
    FlowSummaries m_summaries;
    HistoryFileCheck m_fileCheck;
    // The thread the open connection belongs to; statements run only there.
    QThread *m_thread = nullptr;
};
