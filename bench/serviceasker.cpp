// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A client that asks the running service for one application's month, waits for the answer,
// pauses and asks again, as a history window refreshing does. Prints one line per answer:
// "answer SECONDS MS", or "timeout SECONDS" when none came in 120 s; SECONDS since the epoch.
// Usage: service-asker APP PAUSE_MS SECONDS
#include "records/wardenrecords.h"
#include "trafficdetailsinterface.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

namespace {
const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
const QString kPath = QStringLiteral("/com/nimbra/warden/trafficdetails");
constexpr int kLongestWaitMs = 120000;

double secondsNow()
{
    return QDateTime::currentMSecsSinceEpoch() / 1000.0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    registerWardenDisplayMetaType();
    registerWardenAppFlowMetaType();
    const QStringList arguments = app.arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: service-asker APP PAUSE_MS SECONDS\n");
        return 2;
    }
    const QString appname = arguments.at(1);
    const int pauseMs = arguments.at(2).toInt();
    const qint64 seconds = arguments.at(3).toLongLong();
    ComNimbraWardenTrafficdetailsInterface service(kService, kPath, QDBusConnection::sessionBus());

    QElapsedTimer running;
    running.start();
    QElapsedTimer asked;
    QTimer waiting;
    waiting.setSingleShot(true);
    const auto ask = [&] {
        if (running.elapsed() >= seconds * 1000) {
            app.quit();
            return;
        }
        asked.start();
        waiting.start(kLongestWaitMs);
        service.notifyGetAppThisMonthFlowData(appname);
    };
    QObject::connect(&waiting, &QTimer::timeout, [&] {
        std::printf("timeout %.3f\n", secondsNow());
        std::fflush(stdout);
        ask();
    });
    QObject::connect(&service, &ComNimbraWardenTrafficdetailsInterface::sendAppFlowData,
                     [&](const WardenAppFlowList &) {
                         if (!waiting.isActive())
                             return;
                         waiting.stop();
                         std::printf("answer %.3f %.1f\n", secondsNow(),
                                     asked.nsecsElapsed() / 1e6);
                         std::fflush(stdout);
                         QTimer::singleShot(pauseMs, ask);
                     });
    ask();
    return app.exec();
}
