// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"
#include "commands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <memory>

int main(int argc, char *argv[])
{
    // Charts are painted offscreen; everything else needs no GUI at all.
    std::unique_ptr<QCoreApplication> app;
    if (wantsChart(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("nimbra-warden-traffic"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NWT_VERSION));
    return runCommand(parseCommandLine(QCoreApplication::arguments()));
}
