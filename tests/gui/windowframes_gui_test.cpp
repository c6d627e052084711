// SPDX-License-Identifier: MIT
// What only Windows shows of the two windows, read back from the real windows through
// the Win32 API: their frames, who owns the About window, and the dialog font at 96 DPI.
#include "guitestsupport.h"
#include "windowkit/quitafterlastwindow.h"

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

// The visible top-level windows of this program with that caption, as Windows counts them.
int windowsCaptioned(const wchar_t* caption)
{
    struct Count {
        const wchar_t* caption;
        int windows = 0;
    } count { caption };
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto& counting = *reinterpret_cast<Count*>(data);
            std::array<wchar_t, 64> text {};
            GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
            if (IsWindowVisible(window) && std::wcscmp(text.data(), counting.caption) == 0)
                ++counting.windows;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.windows;
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

        // Its client area is the window's 662 pixels wide, and the menu bar above its 538.
        const HWND window = handleOf(m_window.get());
        const QSize client = clientSizeOf(window);
        QCOMPARE(client, QSize(662, 538 + m_window->menuBar()->height()));
        // Asked to grow or shrink, as a program or a maximise through the system menu would.
        SetWindowPos(window, nullptr, 0, 0, 900, 900, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        QCoreApplication::processEvents();
        QCOMPARE(clientSizeOf(window), client);
        SendMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        QCoreApplication::processEvents();
        QCOMPARE(clientSizeOf(window), client);
        QCOMPARE(m_window->size(), QSize(client.width(), client.height()));
    }

    void theDialogFontAndTheLayoutHoldAtNinetySixDpi()
    {
        QCOMPARE(m_window->screen()->logicalDotsPerInch(), 96.0);
        QCOMPARE(QFontInfo(QApplication::font()).pixelSize(), 11); // 8 points, drawn in whole pixels
        // A few places of the layout, in pixels of a 96 DPI screen.
        const auto placeOf
            = [this](const char* name) { return m_window->centralWidget()->findChild<QWidget*>(name)->geometry(); };
        QCOMPARE(placeOf("Image1"), QRect(168, 8, 354, 132));
        QCOMPARE(placeOf("Text1"), QRect(8, 336, 449, 94));
        QCOMPARE(placeOf("cmdChange"), QRect(560, 392, 81, 33));
        QCOMPARE(placeOf("Label15"), QRect(8, 448, 641, 81));
        const QString face = QFontInfo(QApplication::font()).family();
        if (face != "Microsoft Sans Serif")
            QSKIP(qPrintable("Wine brings no Microsoft Sans Serif, which every Windows has; it draws " + face));
    }

    void aboutIsOwnedModelessAndSingleAndExitClosesBoth()
    {
        clickAbout();
        QTRY_VERIFY(aboutWindow() != nullptr);
        clickAbout();
        QCoreApplication::processEvents();
        QCOMPARE(windowsCaptioned(L"About Varnholt"), 1); // however often it is asked for

        const HWND about = handleOf(aboutWindow());
        const HWND main = handleOf(m_window.get());
        QCOMPARE(GetWindow(about, GW_OWNER), main); // owned: no task-bar button of its own
        QVERIFY((GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_APPWINDOW) == 0);
        QVERIFY((GetWindowLongPtrW(about, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) == 0);
        QVERIFY(IsWindowEnabled(main)); // modeless: the main window still takes input

        const QuitAfterLastWindow lifetime;
        QTimer::singleShot(0, this, [this] {
            QTest::mouseClick(m_window->centralWidget()->findChild<QPushButton*>("cmdExit"), Qt::LeftButton);
        });
        QTimer::singleShot(5000, this, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!IsWindowVisible(main) && !IsWindowVisible(about));
        QCOMPARE(windowsCaptioned(L"About Varnholt") + windowsCaptioned(L"Varnholt"), 0);
    }
};

QTEST_MAIN(WindowFramesTest)
#include "windowframes_gui_test.moc"
