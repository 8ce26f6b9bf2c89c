// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

// Files that another program controls, such as a sandbox's /.flatpak-info: read only when
// the path itself (no final symbolic link) is a regular file of at most `limit` bytes, and
// never waiting on a FIFO or a device. Empty otherwise.
namespace UntrustedFile {

QByteArray read(const QString &path, qint64 limit);

} // namespace UntrustedFile
