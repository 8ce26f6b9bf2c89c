// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "zlogmanager.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStandardPaths>
#include <QStringList>
#include <cstdio>
#include <sys/stat.h>

namespace Ztk {
namespace Core {

namespace {

// Past this size the file is moved to "<name>.1", replacing the previous one.
const qint64 kMaxFileBytes = 4 * 1024 * 1024;

struct LogState
{
    QMutex lock;
    bool console = false;
    bool journal = false;
    bool fileRegistered = false;
    QFile *file = nullptr;
    qint64 fileBytes = 0;
    QStringList backlog; // lines logged before the file appender existed
};

// systemd connects stderr straight to the journal and names that stream in
// JOURNAL_STREAM; a stderr redirected elsewhere keeps the plain form.
bool stderrIsJournal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    struct stat info;
    if (stream.isEmpty() || fstat(2, &info) != 0)
        return false;
    return stream == QByteArray::number(quint64(info.st_dev)) + ':' +
                         QByteArray::number(quint64(info.st_ino));
}

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

int journalPriority(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 7;
    case QtInfoMsg:
        return 6;
    case QtWarningMsg:
        return 4;
    case QtCriticalMsg:
        return 3;
    case QtFatalMsg:
        return 2;
    }
    return 7;
}

// The journal stamps lines itself and reads the level from a "<N>" prefix on each line.
QByteArray journalText(QtMsgType type, const QString &message)
{
    const QByteArray prefix = '<' + QByteArray::number(journalPriority(type)) + '>';
    QByteArray text;
    for (const QString &line : message.split(QLatin1Char('\n')))
        text += prefix + line.toUtf8() + '\n';
    return text;
}

bool openFile(LogState &s, const QString &fileName)
{
    auto *file = new QFile(fileName);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        std::fprintf(stderr, "cannot open the log file %s: %s\n",
                     fileName.toLocal8Bit().constData(),
                     file->errorString().toLocal8Bit().constData());
        delete file;
        return false;
    }
    s.file = file;
    s.fileBytes = file->size();
    return true;
}

void rotateFile(LogState &s)
{
    const QString fileName = s.file->fileName();
    const QString oldName = fileName + QStringLiteral(".1");
    delete s.file;
    s.file = nullptr;
    QFile::remove(oldName);
    QFile::rename(fileName, oldName);
    openFile(s, fileName);
}

void writeToFile(LogState &s, const QString &line)
{
    const QByteArray text = line.toUtf8() + '\n';
    if (s.fileBytes > 0 && s.fileBytes + text.size() > kMaxFileBytes) {
        rotateFile(s);
        if (!s.file)
            return;
    }
    s.file->write(text);
    s.file->flush();
    s.fileBytes += text.size();
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
        if (s.console || !s.fileRegistered) {
            const QByteArray text =
                s.journal ? journalText(type, message) : line.toLocal8Bit() + '\n';
            std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
            std::fflush(stderr);
        }
        if (s.file)
            writeToFile(s, line);
        else if (!s.fileRegistered)
            s.backlog.append(line);
    }
}

// Installed before main runs so that no line is missed.
[[maybe_unused]] const bool s_installed =
    (state().journal = stderrIsJournal(), qInstallMessageHandler(handleMessage), true);

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
    LogState &s = state();
    QMutexLocker locker(&s.lock);
    s.fileRegistered = true;
    const QStringList backlog = s.backlog;
    s.backlog.clear();
    // Kept open until the process ends.
    if (!openFile(s, directory + QStringLiteral("/nimbra-warden-trafficdetails.log")))
        return;
    for (const QString &line : backlog)
        writeToFile(s, line);
}

} // namespace Core
} // namespace Ztk
