// SPDX-FileCopyrightText: 2026 Nimbra Warden developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trafficwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    // Nothing here draws with OpenGL: raster windows spare loading a GL driver, which
    // would weigh more than the whole window.
    QApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("nimbra-warden-traffic-window"));
    QApplication::setApplicationVersion(QStringLiteral(NWT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.nimbra.warden.TrafficWindow"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("com.nimbra.warden.TrafficWindow")));

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
    // Installed, or beside the binary in a build tree.
    QTranslator translator;
    for (const QString &folder :
         {QStringLiteral(NWT_TRANSLATIONS_DIR), QApplication::applicationDirPath()}) {
        if (translator.load(QLocale(), QStringLiteral("nimbra-warden-traffic-window"),
                            QStringLiteral("_"), folder)) {
            app.installTranslator(&translator);
            break;
        }
    }
    QApplication::setApplicationDisplayName(QApplication::translate("main", "Network Traffic"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QApplication::translate(
        "main", "Shows every application's network traffic, live and over time."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QApplication::translate("main", "Write a picture of the window to <file> and quit."),
        QStringLiteral("file"));
    const QCommandLineOption delay(
        QStringLiteral("screenshot-delay"),
        QApplication::translate("main", "Take the picture after <seconds> (default 20)."),
        QStringLiteral("seconds"), QStringLiteral("20"));
    const QCommandLineOption view(
        QStringLiteral("view"),
        QApplication::translate("main", "Open on the <view>: live (the default) or history."),
        QStringLiteral("view"), QStringLiteral("live"));
    parser.addOptions({view, screenshot, delay});
    parser.process(app);

    TrafficWindow window;
    window.showView(parser.value(view));
    window.show();
    if (parser.isSet(screenshot))
        window.screenshotLater(parser.value(screenshot), parser.value(delay).toInt() * 1000);
    return app.exec();
}
