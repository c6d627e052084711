// SPDX-License-Identifier: MIT
// What only Windows shows of the two windows, read back from the real windows through
// the Win32 API: their frames, who owns the About window, and the dialog font at 96 DPI.
// That every caption fits, at any scale, the window test shows here too.
#include "guitestsupport.h"

#include <QtTest>
#include <QtWidgets>

#include <windows.h>

using namespace varnholt;
using namespace varnholt::test;

namespace {

HWND handleOf(const QWidget* window)
{
    return reinterpret_cast<HWND>(window->winId());
}

LONG_PTR styleOf(const QWidget* window)
{
    return GetWindowLongPtrW(handleOf(window), GWL_STYLE);
}

QSize clientSizeOf(HWND window)
{
    RECT client {};
    GetClientRect(window, &client);
    return { client.right - client.left, client.bottom - client.top };
}

} // namespace

class WindowFramesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalledGame> m_game;
    std::unique_ptr<frmMain> m_window;

    // The About menu entry, clicked with the mouse.
    void clickAbout() const
    {
        QMenuBar* bar = m_window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(bar->actions().front()).center());
    }

private slots:
    void init()
    {
        startMainWindow(m_game, m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { m_window.reset(); }

    void theMainWindowHasAFixedFrameWithoutMaximiseAndKeepsItsSize()
    {
        const LONG_PTR style = styleOf(m_window.get());
        QVERIFY((style & WS_THICKFRAME) == 0); // no sizing frame
        QVERIFY((style & WS_MAXIMIZEBOX) == 0);
        QVERIFY((style & WS_MINIMIZEBOX) != 0 && (style & WS_SYSMENU) != 0 && (style & WS_CAPTION) == WS_CAPTION);

        // Its client area holds the menu bar and the controls below it, not a pixel less.
        const HWND window = handleOf(m_window.get());
        const QSize client = clientSizeOf(window);
        QCOMPARE(client.height(), m_window->menuBar()->height() + m_window->centralWidget()->height());
        // Asked to grow or shrink, as a program or a maximise through the system menu would.
        SetWindowPos(window, nullptr, 0, 0, 900, 900, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        QCoreApplication::processEvents();
        QCOMPARE(clientSizeOf(window), client);
        SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        QCoreApplication::processEvents();
        QCOMPARE(clientSizeOf(window), client);
        QCOMPARE(m_window->size(), QSize(client.width(), client.height()));
    }

    void theDialogFontIsDrawnInWholePixelsAtNinetySixDpi()
    {
        QCOMPARE(m_window->screen()->logicalDotsPerInch(), 96.0);
        QCOMPARE(QFontInfo(QApplication::font()).pixelSize(), 11); // 8 points, drawn in whole pixels
        const QString face = QFontInfo(QApplication::font()).family();
        if (face != "Microsoft Sans Serif")
            QSKIP(qPrintable("Wine brings no Microsoft Sans Serif, which every Windows has; it draws " + face));
    }

    // How often About opens, and that Exit closes it, the window test shows on Windows too.
    void aboutIsOwnedAndModeless()
    {
        clickAbout();
        QTRY_VERIFY(aboutWindow() != nullptr);
        const HWND about = handleOf(aboutWindow());
        const HWND main = handleOf(m_window.get());
        QCOMPARE(GetWindow(about, GW_OWNER), main); // owned: no task-bar button of its own
        QVERIFY((GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_APPWINDOW) == 0);
        QVERIFY((GetWindowLongPtrW(about, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) == 0);
        QVERIFY(IsWindowEnabled(main)); // modeless: the main window still takes input
    }
};

QTEST_MAIN(WindowFramesTest)
#include "windowframes_gui_test.moc"
