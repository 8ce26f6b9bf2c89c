// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

// history-bench FOLDER: generates the full-retention data sets into FOLDER (once) and times
// the history store on them beside the literal reading of the rows.

#include "benchstore.h"
#include "datasets.h"
#include "history/bootclock.h"
#include "history/flowsave.h"
#include "history/literalflowqueries.h"
#include "lockprobe.h"
#include "records/clock.h"
#include "timings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

namespace {
const QDateTime kNow(QDate(2024, 7, 31), QTime(18, 0));
const QString kApp = applicationName(3);
constexpr int kRuns = 7;
constexpr int kLiteralRuns = 3;

QTextStream out(stdout);

struct Row
{
    QString name;
    Timings store;
    Timings literal;
    QString target;
};

void print(const QString &title, const QList<Row> &rows)
{
    out << "\n### " << title << "\n\n";
    out << "| measure (ms, min / median) | store | literal | target |\n|---|---|---|---|\n";
    for (const Row &row : rows)
        out << "| " << row.name << " | " << row.store.text() << " | " << row.literal.text() << " | "
            << row.target << " |\n";
    out.flush();
}

template <typename Work> Timings timed(int runs, Work work)
{
    Timings timings;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        timings.runs.append(timer.nsecsElapsed() / 1e6);
    }
    return timings;
}

template <typename Work> Timings measured(int runs, Work work)
{
    Timings timings;
    for (int i = 0; i < runs; ++i)
        timings.runs.append(work());
    return timings;
}

// Kilobytes the resident size grows by while `work` runs.
template <typename Work> qint64 addedMemoryKb(Work work)
{
    const qint64 before = currentMemoryKb();
    resetPeakMemory();
    work();
    return peakMemoryKb() - before;
}

// The save as first written: one literal INSERT per row, each its own transaction.
double literalSave(QSqlQuery &query, QList<AppFlowDateParameter> &lastSaved, int applications,
                   int round)
{
    QList<AppFlowDateParameter> cache;
    for (int app = 0; app < applications; ++app) {
        AppFlowDateParameter sample;
        sample.appname = applicationName(app);
        sample.sname = "bench";
        sample.date = kNow.toString("yyyy/MM/dd/hh");
        sample.downloaded = 1000.0 * round / (app + 3);
        sample.uploaded = sample.downloaded / 4;
        sample.total = sample.downloaded + sample.uploaded;
        cache.append(sample);
    }
    QElapsedTimer timer;
    timer.start();
    for (const AppFlowDateParameter &row : FlowSave::rowsToSave(cache, lastSaved))
        query.exec(QString("INSERT INTO flowDetail VALUES ('%1','%2','%3',%4,%5,%6);")
                       .arg(row.appname, row.sname, row.date)
                       .arg(row.total)
                       .arg(row.downloaded)
                       .arg(row.uploaded));
    lastSaved = cache;
    return timer.nsecsElapsed() / 1e6;
}

int countOf(const QString &path, const QString &select)
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "count");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(select) && query.next())
                count = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase("count");
    return count;
}

QString installAsHome(const DataSet &set, const QString &folder)
{
    const QString home = folder + "/home-" + set.name;
    QDir(home).removeRecursively();
    QDir().mkpath(home + "/.nimbra-warden");
    const QString path = home + "/.nimbra-warden/warden.db";
    QFile::copy(set.path(folder), path);
    qputenv("HOME", home.toLocal8Bit());
    return path;
}

void runSet(const DataSet &set, const QString &folder, bool literalMonths, bool retention,
            bool buildOnly = false)
{
    out << "\n## " << set.name << " (" << set.rows() << " rows)\n";
    out.flush();
    const QString path = installAsHome(set, folder);
    const qint64 sizeBefore = QFileInfo(path).size();
    LockProbe probe;
    probe.start();
    Clock::setNowSource([] { return kNow; });
    // One boot whose clock moves with the set one: the step to August below is time passing.
    BootClock::setSource([] {
        return BootClock::Reading{QStringLiteral("bench"), Clock::now().toMSecsSinceEpoch()};
    });

    if (buildOnly) {
        BenchStore alone(path);
        out << "\none-time build of the sums, nothing asked: " << alone.buildAlone() / 1000.0
            << " s, longest lock hold seen " << probe.longestWaitMs() << " ms\n";
        out.flush();
        installAsHome(set, folder);
        probe.reset();
    }
    BenchStore store(path);
    const BenchStore::Build build = store.buildWithAnswers(kApp);
    const qint64 sizeAfter = QFileInfo(path).size();
    out << "\none-time build of the sums, answers asked meanwhile: " << build.buildMs / 1000.0
        << " s in all, longest lock hold seen " << probe.longestWaitMs() << " ms\n\n"
        << "| asked after (s) | " << kApp << " | answered in (ms) |\n|---|---|---|\n";
    for (const BenchStore::Asked &asked : build.answers)
        out << "| " << QString::number(asked.atMs / 1000.0, 'f', 1) << " | "
            << (asked.lastMonth ? "last month" : "this month") << " | "
            << QString::number(asked.answerMs, 'f', 1) << " |\n";
    out.flush();
    if (buildOnly)
        return;

    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "literal");
    db.setDatabaseName(path);
    db.open();
    QList<Row> answers;
    {
        QSqlQuery rows(db);
        const QDate today = kNow.date();
        answers = {
            {"all applications, today",
             measured(kRuns, [&] { return store.request(BenchStore::AllDay); }),
             timed(kLiteralRuns,
                   [&] {
                       QList<AppFlowDateParameter> list;
                       LiteralFlowQueries::queryDay(rows, list, today);
                   }),
             "<= 2"},
            {"all applications, this month",
             measured(kRuns, [&] { return store.request(BenchStore::AllMonth); }),
             literalMonths ? timed(1,
                                   [&] {
                                       QList<AppFlowDateParameter> list;
                                       LiteralFlowQueries::queryMonth(rows, list, today);
                                   })
                           : Timings(),
             "<= 5"},
            {"one application, today",
             measured(kRuns, [&] { return store.request(BenchStore::AppDay, kApp); }),
             timed(kLiteralRuns, [&] { LiteralFlowQueries::queryAppDay(rows, kApp, today); }),
             "<= 2"},
            {"one application, this month",
             measured(kRuns, [&] { return store.request(BenchStore::AppMonth, kApp); }),
             literalMonths ? timed(1, [&] { LiteralFlowQueries::queryAppMonth(rows, kApp, today); })
                           : Timings(),
             "<= 10"},
        };
        const qint64 storeMonthKb = addedMemoryKb([&] { store.request(BenchStore::AllMonth); });
        const qint64 storeAppMonthKb =
            addedMemoryKb([&] { store.request(BenchStore::AppMonth, kApp); });
        print("answers, " + set.name, answers);
        out << "\nmemory added by a month answer: all applications " << storeMonthKb
            << " kB, one application " << storeAppMonthKb << " kB (target <= 5 MB)\n";
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("literal");

    // The literal saves go to a copy without sums, as the first program wrote it.
    const QString literalPath = folder + "/literal-saves.db";
    QFile::remove(literalPath);
    QFile::copy(DataSet{"small-5apps-31days", 5, {}, 0}.path(folder), literalPath);
    QList<Row> saves;
    {
        QSqlDatabase literalDb = QSqlDatabase::addDatabase("QSQLITE", "literal-saves");
        literalDb.setDatabaseName(literalPath);
        literalDb.open();
        QSqlQuery query(literalDb);
        QList<AppFlowDateParameter> lastSaved;
        int round = 0;
        for (const int applications : {20, 50, 200}) {
            const Timings literal =
                measured(5, [&] { return literalSave(query, lastSaved, applications, ++round); });
            saves.append({QString("save of %1 applications").arg(applications),
                          measured(kRuns, [&] { return store.save(applications); }), literal,
                          applications == 20    ? "<= 2"
                          : applications == 200 ? "<= 15"
                                                : ""});
        }
    }
    QSqlDatabase::removeDatabase("literal-saves");
    QFile::remove(literalPath);
    probe.reset();
    saves.append({"collector tick: save of 20 + month answer",
                  measured(kRuns, [&] { return store.tick(20); }), Timings(), "lock <= 5"});
    const double tickHold = probe.longestWaitMs();
    print("saves, " + set.name, saves);

    out << "\nfile size: " << sizeBefore / 1048576 << " MB rows only, " << sizeAfter / 1048576
        << " MB with the sums\n";
    out << "longest lock hold seen during the ticks: " << tickHold << " ms\n";

    if (retention) {
        // The first save of August removes May's rows.
        {
            QFile file(path);
            file.open(QIODevice::ReadWrite);
            file.setFileTime(kNow, QFileDevice::FileModificationTime);
        }
        Clock::setNowSource([] { return QDateTime(QDate(2024, 8, 1), QTime(0, 10)); });
        probe.reset();
        QElapsedTimer timer;
        timer.start();
        store.tick(20, true);
        // Done when May's day sums are gone, asked only once the file has been quiet for a
        // while: a reader polling the file would make the store's commits wait for it.
        QDateTime lastWrite = QFileInfo(path).lastModified();
        qint64 quietSince = timer.elapsed();
        int mayLeft = -1;
        while (mayLeft != 0) {
            QThread::msleep(50);
            const QDateTime written = QFileInfo(path).lastModified();
            if (written != lastWrite) {
                lastWrite = written;
                quietSince = timer.elapsed();
            } else if (timer.elapsed() - quietSince > 300) {
                mayLeft = countOf(path, "SELECT count(*) FROM flowDaySum WHERE dayKey < "
                                        "'2024/06/01'");
                quietSince = timer.elapsed();
            }
        }
        const double retentionSeconds = timer.elapsed() / 1000.0;
        const double retentionHold = probe.longestWaitMs();
        out << "rows of May left: "
            << countOf(path, "SELECT count(*) FROM flowDetail WHERE rowid < (SELECT min(rowid) "
                             "+ 1000 FROM flowDetail) AND dataymdh < '2024/06/01/00'")
            << "\n";
        out << "retention pass (May's rows): " << retentionSeconds
            << " s in all, longest lock hold seen " << retentionHold << " ms\n";
    }
    out.flush();
    Clock::resetNowSource();
    BootClock::resetSource();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: history-bench FOLDER [small|full|build|data]\n";
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(folder);
    const DataSet full{"full-20apps-92days", 20, QDate(2024, 5, 1), 92};
    const DataSet small{"small-5apps-31days", 5, QDate(2024, 7, 1), 31};
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    // The small set is always made: the literal saves run on a copy of it.
    for (const DataSet &set : {small, full}) {
        if (only == "small" && set.name == full.name)
            continue;
        QElapsedTimer timer;
        timer.start();
        if (!generateDataSet(set, folder))
            return 1;
        out << set.name << " ready after " << timer.elapsed() / 1000.0 << " s\n";
        out.flush();
    }
    // `data` only writes the sets, for the service benchmarks.
    if (only == "data")
        return 0;
    if (only != "full" && only != "build")
        runSet(small, folder, true, false);
    if (only == "build")
        runSet(full, folder, false, false, true);
    else if (only != "small")
        runSet(full, folder, false, true);
    return 0;
}
