// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Measures the running service as a bus client sees it: the spacing of its
// speed lists and the time it takes to answer one application's month.
// Prints one line per 30 s window, so a start-up phase shows apart from the steady state.
// Usage: service-latency APP [SECONDS]
#include "records/wardenrecords.h"
#include "trafficdetailsinterface.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {
const QString kService = QStringLiteral("com.nimbra.warden.trafficdetails");
const QString kPath = QStringLiteral("/com/nimbra/warden/trafficdetails");

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

void report(qint64 second, const QList<double> &spacings, const QList<double> &answers,
            const QString &appname)
{
    if (spacings.isEmpty()) {
        std::printf("%4llds: no speed lists\n", static_cast<long long>(second));
        return;
    }
    const auto [least, most] = std::minmax_element(spacings.begin(), spacings.end());
    std::printf("%4llds: displayspped spacing min %.1f / median %.1f / max %.1f ms (%d)",
                static_cast<long long>(second), *least, median(spacings), *most,
                int(spacings.size()));
    if (!answers.isEmpty()) {
        const auto [fastest, slowest] = std::minmax_element(answers.begin(), answers.end());
        std::printf("; month answer for %s min %.1f / median %.1f / max %.1f ms (%d)",
                    qPrintable(appname), *fastest, median(answers), *slowest, int(answers.size()));
    }
    std::printf("\n");
    std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    registerWardenDisplayMetaType();
    registerWardenAppFlowMetaType();
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: service-latency APP [SECONDS]\n");
        return 2;
    }
    const QString appname = arguments.at(1);
    const int seconds = arguments.value(2, QStringLiteral("60")).toInt();
    ComNimbraWardenTrafficdetailsInterface service(kService, kPath, QDBusConnection::sessionBus());

    // The flow list shows this month from here on.
    service.notifyGetThisMonthFlowData().waitForFinished();

    QList<double> spacings;
    QList<double> allSpacings;
    QElapsedTimer sinceLast;
    QObject::connect(&service, &ComNimbraWardenTrafficdetailsInterface::displayspped,
                     [&](const WardenDisplayList &) {
                         if (sinceLast.isValid()) {
                             spacings.append(sinceLast.nsecsElapsed() / 1e6);
                             allSpacings.append(spacings.last());
                         }
                         sinceLast.start();
                     });

    QList<double> answers;
    QElapsedTimer asked;
    QObject::connect(
        &service, &ComNimbraWardenTrafficdetailsInterface::sendAppFlowData,
        [&](const WardenAppFlowList &) { answers.append(asked.nsecsElapsed() / 1e6); });
    QTimer ask;
    QObject::connect(&ask, &QTimer::timeout, [&] {
        asked.start();
        service.notifyGetAppThisMonthFlowData(appname);
    });
    ask.start(2300);

    QElapsedTimer running;
    running.start();
    QTimer window;
    QObject::connect(&window, &QTimer::timeout, [&] {
        report(running.elapsed() / 1000, spacings, answers, appname);
        spacings.clear();
        answers.clear();
        if (running.elapsed() >= seconds * 1000) {
            std::printf("whole run, ");
            report(running.elapsed() / 1000, allSpacings, {}, appname);
            app.quit();
        }
    });
    window.start(30000);
    app.exec();
    return 0;
}
