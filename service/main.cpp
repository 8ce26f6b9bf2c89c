// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "service/serviceassembly.h"
#include "service/serviceoptions.h"

#include <ZApplication>
#include <ZLogManager>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

int s_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the number goes through a pipe to the event loop.
void forwardSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = write(s_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

// SIGTERM (the session ending, the unit stopped) and SIGINT end the event loop as ExitApp
// does, so that the last growth is saved; `received` then holds the signal's number.
void quitOnTerminationSignals(QCoreApplication &app, int &received)
{
    if (pipe2(s_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(s_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app, &received] {
        unsigned char byte = 0;
        if (read(s_signalPipe[0], &byte, 1) == 1 && received == 0) {
            received = byte;
            app.quit();
        }
    });
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    answerInformationOptions(argc, argv);
    Ztk::Widget::ZApplication::loadZXcbPlugin();
    Ztk::Widget::ZApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("nimbra"));
    QCoreApplication::setApplicationName(QStringLiteral("nimbra-warden-trafficdetails"));
    Ztk::Core::ZLogManager::registerConsoleAppender();
    Ztk::Core::ZLogManager::registerFileAppender();

    int terminationSignal = 0;
    quitOnTerminationSignals(app, terminationSignal);

    ServiceAssembly service;
    // Ends at once when the service cannot start: the store's thread already runs, so nothing
    // is torn down around it.
    if (const int failed = service.start(); failed >= 0)
        std::exit(failed);
    const int status = app.exec();
    service.saveOnExit();
    if (terminationSignal != 0) {
        // Ends as the signal would have ended it, so whoever sent it sees the usual status.
        std::signal(terminationSignal, SIG_DFL);
        std::raise(terminationSignal);
    }
    return status;
}
