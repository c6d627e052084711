// SPDX-License-Identifier: MIT
// How the program ends, through the application's own event loop as in the program.
#include "guitestsupport.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/quitafterlastwindow.h"
#include "support/wineprefix.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

using namespace varnholt;
using namespace varnholt::test;

class LifetimeTest : public QObject {
    Q_OBJECT

    // Opens the About window over a running main window, then does what the user does;
    // returns what the event loop returned, or 1 when the program did not end.
    static int runSession(frmMain& window, const std::function<void()>& user)
    {
        window.Form_Load();
        window.show();
        QTimer::singleShot(0, &window, [&] {
            window.menuBar()->actions().front()->trigger();
            user();
        });
        QTimer::singleShot(5000, &window, [] { QCoreApplication::exit(1); });
        return QApplication::exec();
    }

private slots:
    void initTestCase() { setUpApplication(); }

    void anOpenAboutWindowOutlivesTheMainWindow()
    {
        const QuitAfterLastWindow lifetime;
        const InstalledGame game;
        frmMain window(game.environment());
        int aboutWindowsLeft = -1;
        QCOMPARE(runSession(window, [&] {
                     window.close(); // through the frame
                     QTimer::singleShot(50, &window, [&] {
                         const QWidgetList about = visibleWindows(QStringLiteral("frmAbout"));
                         aboutWindowsLeft = static_cast<int>(about.size());
                         if (!about.isEmpty())
                             QTest::keyClick(about.front(), Qt::Key_Escape);
                     });
                 }),
                 0);
        QCOMPARE(aboutWindowsLeft, 1);
    }

    void exitEndsEverythingAtOnce()
    {
        const QuitAfterLastWindow lifetime;
        const InstalledGame game;
        frmMain window(game.environment());
        QCOMPARE(runSession(window, [&] {
                     QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdExit")), Qt::LeftButton);
                 }),
                 0);
        QVERIFY(!window.isVisible());
        QVERIFY(visibleWindows(QStringLiteral("frmAbout")).isEmpty());
    }
};

QTEST_MAIN(LifetimeTest)
#include "lifetime_gui_test.moc"
