#include "zlogmanager.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStandardPaths>
#include <QStringList>
#include <cstdio>

namespace Ztk {
namespace Core {

namespace {

struct LogState
{
    QMutex lock;
    bool console = false;
    QFile *file = nullptr;
    QStringList backlog; // lines logged before the file appender existed
};

LogState &state()
{
    static LogState s;
    return s;
}

const char *levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "Debug";
    case QtInfoMsg:
        return "Info";
    case QtWarningMsg:
        return "Warning";
    case QtCriticalMsg:
        return "Critical";
    case QtFatalMsg:
        return "Fatal";
    }
    return "Debug";
}

void writeToFile(QFile *file, const QString &line)
{
    file->write(line.toUtf8());
    file->write("\n");
    file->flush();
}

void handleMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const QString line = QStringLiteral("%1 [%2] %3")
                             .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
                                  QLatin1String(levelName(type)), message);
    LogState &s = state();
    {
        QMutexLocker locker(&s.lock);
        // With no appender registered yet, stderr still gets the line, as it
        // would without a log manager.
        if (s.console || !s.file) {
            std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
            std::fflush(stderr);
        }
        if (s.file)
            writeToFile(s.file, line);
        else
            s.backlog.append(line);
    }
}

// Installed before main runs so that no line is missed.
[[maybe_unused]] const bool s_installed = (qInstallMessageHandler(handleMessage), true);

} // namespace

void ZLogManager::registerConsoleAppender()
{
    QMutexLocker locker(&state().lock);
    state().console = true;
}

void ZLogManager::registerFileAppender()
{
    const QString directory = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(directory);
    auto *file = new QFile(directory + QStringLiteral("/nimbra-warden-trafficdetails.log"));
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        std::fprintf(stderr, "cannot open the log file %s: %s\n",
                     file->fileName().toLocal8Bit().constData(),
                     file->errorString().toLocal8Bit().constData());
        delete file;
        return;
    }
    LogState &s = state();
    QMutexLocker locker(&s.lock);
    for (const QString &line : qAsConst(s.backlog))
        writeToFile(file, line);
    s.backlog.clear();
    s.file = file; // kept open until the process ends
}

} // namespace Core
} // namespace Ztk
