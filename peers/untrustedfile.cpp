// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "untrustedfile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace UntrustedFile {

QByteArray read(const QString &path, qint64 limit)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer; fstat then refuses it.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray contents;
    struct stat status = {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= limit) {
        // The size may grow after fstat: read one byte past the limit to see that.
        contents.resize(int(limit) + 1);
        qint64 length = 0;
        ssize_t chunk = 0;
        while (length < contents.size() &&
               (chunk = ::read(fd, contents.data() + length, size_t(contents.size() - length))) > 0)
            length += chunk;
        contents.resize(chunk < 0 || length > limit ? 0 : int(length));
    }
    ::close(fd);
    return contents;
}

} // namespace UntrustedFile
