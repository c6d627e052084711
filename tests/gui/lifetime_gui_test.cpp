// SPDX-License-Identifier: MIT
// How the program ends, through the application's own event loop.
#include "guitestsupport.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/quitafterlastwindow.h"

#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace varnholt;
using namespace varnholt::test;

class LifetimeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpApplication(); }

    void anOpenAboutWindowOutlivesTheMainWindow()
    {
        const QuitAfterLastWindow lifetime;
        InstalledGame game;
        frmMain window(game.environment());
        window.Form_Load();
        window.show();

        int aboutWindowsAfterMainClosed = -1;
        QTimer::singleShot(0, &window, [&] {
            window.menuBar()->actions().front()->trigger();
            window.close(); // through the frame
            QTimer::singleShot(50, &window, [&] {
                aboutWindowsAfterMainClosed = visibleWindows(QStringLiteral("frmAbout"));
                QWidget* about = visibleWindow(QStringLiteral("frmAbout"));
                QVERIFY(about != nullptr);
                QTest::keyClick(about, Qt::Key_Escape);
            });
        });
        QTimer failsafe;
        failsafe.setSingleShot(true);
        QSignalSpy timedOut(&failsafe, &QTimer::timeout);
        connect(&failsafe, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        failsafe.start(10000);

        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(timedOut.count(), 0);
        QCOMPARE(aboutWindowsAfterMainClosed, 1);
    }

    void exitEndsEverythingAtOnce()
    {
        const QuitAfterLastWindow lifetime;
        InstalledGame game;
        frmMain window(game.environment());
        window.Form_Load();
        window.show();

        QTimer::singleShot(0, &window, [&] {
            window.menuBar()->actions().front()->trigger();
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdExit")), Qt::LeftButton);
        });
        QTimer failsafe;
        connect(&failsafe, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        failsafe.start(10000);

        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!window.isVisible());
        QCOMPARE(visibleWindows(QStringLiteral("frmAbout")), 0);
    }
};

QTEST_MAIN(LifetimeTest)
#include "lifetime_gui_test.moc"
