#include "display/desktopalias.h"

#include <QTest>

class TestDesktopAlias : public QObject
{
    Q_OBJECT

private slots:
    void maps_only_whole_known_names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("browser") << "browser360-cn.desktop"
                                 << "cn.360.browser-cn.desktop";
        QTest::newRow("pdf") << "desktop_lnk_icon.ico"
                             << "wps-office-pdf.desktop";
        QTest::newRow("midori") << "org.midori_browser.Midori.desktop"
                                << "org.midori.browser.desktop";
        QTest::newRow("other case") << "Browser360-cn.desktop"
                                    << "Browser360-cn.desktop";
        QTest::newRow("full path") << "/opt/browser360-cn.desktop"
                                   << "/opt/browser360-cn.desktop";
        QTest::newRow("no key") << "mail.desktop"
                                << "mail.desktop";
        QTest::newRow("empty") << ""
                               << "";
    }
    void maps_only_whole_known_names()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(desktopAlias(name), expected);
    }
};

QTEST_GUILESS_MAIN(TestDesktopAlias)
#include "tst_desktopalias.moc"
