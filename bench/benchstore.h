// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "history/appflowdateparameter.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QThread>
#include <QVector>

class UseData;

// The store running in a thread of its own, as the service runs it, with requests timed from
// the moment they are queued until the answer leaves the store.
class BenchStore
{
public:
    enum Answer { AllDay, AllMonth, AppDay, AppMonth };

    // `databasePath` is the store's file, whose modification time the saves keep in the
    // clock's month, so that no save starts the monthly removal of old rows.
    explicit BenchStore(const QString &databasePath);
    ~BenchStore();

    // Milliseconds until the answer was emitted.
    double request(Answer answer, const QString &appname = QString());
    struct Asked
    {
        double atMs;
        bool lastMonth;
        double answerMs;
    };
    struct Build
    {
        double buildMs = 0;
        QVector<Asked> answers;
    };
    // Milliseconds the build of the sums of a file without them takes, nothing asked meanwhile.
    double buildAlone();
    // The same, with one application's this month and last month asked in turn meanwhile, each
    // a second after the one before was answered.
    Build buildWithAnswers(const QString &appname);
    // Milliseconds for a save of `applications` samples (clear, samples, save), until done.
    double save(int applications);
    // A collector tick: a save of `applications` and the month's answer. With `newMonth`, the
    // file keeps the modification time it has, so a save in a new month removes old rows.
    double tick(int applications, bool newMonth = false);
    void sync();

private:
    double waitUntilSummed(
        const QElapsedTimer &timer, const std::function<void()> &meanwhile = [] {});
    double queueAndWait(const std::function<void(UseData *)> &work, bool answered);

    void keepModificationMonth();

    QString m_databasePath;
    QThread m_thread;
    UseData *m_store;
    QSemaphore m_answered;
    QVector<double> m_totals;
    int m_round = 0;
};
