// SPDX-License-Identifier: MIT
// The real windows, driven headless with real key and mouse events.
#include "guitestsupport.h"
#include "mainwindow/frmmain.h"
#include "support/wineprefix.h"
#include "windowkit/quitafterlastwindow.h"

#include <QtTest>
#include <QtWidgets>

using namespace varnholt;
using namespace varnholt::test;

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalledGame> m_game;
    std::unique_ptr<frmMain> m_window;

    template <typename T = QWidget> T* control(const QString& name) const
    {
        T* found = m_window->findChild<T*>(name);
        if (found == nullptr)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QComboBox* combo(int number) const { return control<QComboBox>(QStringLiteral("Combo%1").arg(number)); }
    void click(const char* name) const { QTest::mouseClick(control(QString::fromLatin1(name)), Qt::LeftButton); }
    QWidget* aboutWindow() const
    {
        const QWidgetList windows = visibleWindows(QStringLiteral("frmAbout"));
        return windows.size() == 1 ? windows.front() : nullptr;
    }
    // Runs the application's own event loop, as the program does, with the About window
    // open over the main window; returns what the loop returned, or 1 if it never ended.
    int runWithAboutOpen(const std::function<void()>& user)
    {
        const QuitAfterLastWindow lifetime;
        QTimer::singleShot(0, this, [&] {
            m_window->menuBar()->actions().front()->trigger();
            user();
        });
        QTimer::singleShot(5000, this, [] { QCoreApplication::exit(1); });
        return QApplication::exec();
    }
    QStringList tabs(int count) const
    {
        QStringList visited;
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        return visited;
    }
    static void failOnAnyMessageBox()
    {
        // A message box no test expects fails that test at once, instead of waiting for a person.
        frmMain::setMessageBoxHook(
            [](QMessageBox& box) { QFAIL(qPrintable("unexpected message box: " + box.text())); });
    }
    // What a window shows a player: every caption whole in its control, and the client
    // area whole inside the fixed window, at any scale.
    static void checkEverythingFits(QWidget* window, QWidget* client, QSize clientSize)
    {
        QCOMPARE(client->size(), clientSize);
        QVERIFY(client == window || window->rect().contains(client->geometry()));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            // Wrapped at word boundaries within its width, the text fits its height; a label
            // that does not wrap would need its whole text on one line.
            const QFontMetrics metrics = label->fontMetrics();
            const QRect wrapped
                = metrics.boundingRect(QRect(0, 0, label->width(), 1 << 16), Qt::TextWordWrap, label->text());
            QVERIFY2(wrapped.height() <= label->height(), qPrintable(label->objectName()));
            QVERIFY2(label->wordWrap() || metrics.horizontalAdvance(label->text()) <= label->width(),
                qPrintable(label->objectName()));
            QVERIFY2(client->rect().contains(label->geometry()), qPrintable(label->objectName()));
        }
        for (const QRadioButton* option : window->findChildren<QRadioButton*>()) {
            // Its size hint adds a focus frame; the text itself must fit the contents.
            QStyleOptionButton look;
            look.initFrom(option);
            const QRect contents = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &look, option);
            const QSize text = option->fontMetrics().size(Qt::TextSingleLine, option->text());
            QVERIFY2(text.width() <= contents.width() && text.height() <= contents.height(),
                qPrintable(option->objectName()));
        }
        for (const QWidget* widget : window->findChildren<QWidget*>()) {
            if (qobject_cast<const QPushButton*>(widget) || qobject_cast<const QComboBox*>(widget))
                QVERIFY2(
                    widget->sizeHint().width() <= widget->width() && widget->sizeHint().height() <= widget->height(),
                    qPrintable(widget->objectName()));
        }
    }

private slots:
    void initTestCase()
    {
        setUpApplication();
        failOnAnyMessageBox();
    }

    void init()
    {
        m_game = std::make_unique<InstalledGame>();
        m_window = std::make_unique<frmMain>(m_game->environment());
        m_window->Form_Load();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_window->setText1Text({}); // forget the start-up backups
    }

    void cleanup()
    {
        m_window.reset();
        m_game.reset();
        for (const QWidget* window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName())); // no window outlives its test
    }

    // The texts are the program's own; where each control stands matters only as far as
    // the player sees it: whole, inside the window, the two selectors of a column in one place.
    void bothWindowsShowEveryCaptionWhole()
    {
        const QList<std::pair<const char*, const char*>> texts { { "Label1",
                                                                     "Play single player levels as multiplayer" },
            { "Label12", "2 player levels" }, { "Label13", "3 player levels" }, { "Label14", "4  player levels" },
            { "Label9", "play as Hills divide us" }, { "Label10", "play as Linked Isles" },
            { "Label11", "play as Two on Two" }, { "cmdChange", "Change" }, { "cmdExit", "Exit" },
            { "Option1", "Populous The Beginning" }, { "Option2", "Undiscovered Worlds" },
            { "Combo1", "Hills Divide Us (default)" }, { "Combo2", "Linked Isles (default)" },
            { "Combo3", "Two on Two (default)" }, { "Combo6", "Two on Two (default)" },
            { "Label15",
                "This progam copies single player levels over multiplayer levels so that you can play them as "
                "multiplayer. "
                "Each player has to have a Recommended or Full install of Populous into the default directory on their "
                "C "
                "drive, the patch v1.1 installed, and to have picked the SAME level using this program. Note, the "
                "single "
                "player levels often don't give the tribes a fair and equal starting position!  To restore the "
                "original "
                "multiplayer levels, rerun this program selecting the defaults. Have Fun!!!" } };
        for (const auto& [name, text] : texts) {
            const QWidget* widget = control(QString::fromLatin1(name));
            const auto* label = qobject_cast<const QLabel*>(widget);
            const auto* button = qobject_cast<const QAbstractButton*>(widget);
            const auto* box = qobject_cast<const QComboBox*>(widget);
            QCOMPARE(label ? label->text() : button ? button->text() : box->currentText(), QString::fromUtf8(text));
        }
        for (int column = 1; column <= 3; ++column)
            QCOMPARE(combo(column)->geometry(), combo(column + 3)->geometry());

        QCOMPARE(m_window->windowTitle(), QStringLiteral("Varnholt"));
        QCOMPARE(m_window->windowFlags(),
            Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        const QList<QAction*> menu = m_window->menuBar()->actions();
        QVERIFY(menu.size() == 1 && menu.front()->text() == QStringLiteral("About") && menu.front()->menu() == nullptr);
        checkEverythingFits(m_window.get(), m_window->centralWidget(), { 662, 538 });
        QCOMPARE(m_window->height(), 538 + m_window->menuBar()->height());

        for (const QLabel* label : m_window->findChildren<QLabel*>()) {
            if (label->pixmap().isNull()) // captions centred on their columns, the description read from the left
                QCOMPARE(label->alignment(),
                    label->objectName() == "Label15" ? Qt::AlignLeft | Qt::AlignTop : Qt::AlignHCenter | Qt::AlignTop);
        }
        // Missing fonts would silently turn captions into boxes or other widths.
        QCOMPARE(QApplication::font().pointSizeF(), 8.0);
        QVERIFY(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));
        const QFontInfo heading(control<QLabel>(QStringLiteral("Label1"))->font());
        QVERIFY2(heading.bold() && (heading.family() == "Arial" || heading.family() == "Liberation Sans"),
            qPrintable(heading.family()));

        // At any scale the pictures are drawn from pixels enough for the screen.
        const qreal scale = m_window->devicePixelRatioF();
        QVERIFY(control<QLabel>(QStringLiteral("Image1"))->pixmap().width() >= qRound(350 * scale));
        const QList<QSize> iconSizes = m_window->windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(32, 32)));
        QVERIFY(std::any_of(
            iconSizes.begin(), iconSizes.end(), [&](QSize size) { return size.width() >= qRound(32 * scale); }));

        m_window->menuBar()->actions().front()->trigger();
        QWidget* about = aboutWindow();
        QVERIFY(about != nullptr);
        QCOMPARE(about->windowTitle(), QStringLiteral("About Varnholt"));
        // A dialog frame with a close box only; Qt adds the system menu that carries it.
        QCOMPARE(about->windowFlags(),
            Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                | Qt::WindowCloseButtonHint);
        checkEverythingFits(about, about, { 407, 156 });
        const auto* contact = about->findChild<QLabel*>(QStringLiteral("Label1"));
        QCOMPARE(contact->text(), QStringLiteral("Help: man varnholt"));
        QCOMPARE(
            about->findChild<QLabel*>(QStringLiteral("picIcon"))->pixmap().deviceIndependentSize(), QSizeF(32, 32));
        QVERIFY(contact->fontMetrics().horizontalAdvance(contact->text()) <= contact->width()); // one line
        QCOMPARE(about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 4"));
        about->close();
    }

    void screenReadersHearWhatEachControlIs()
    {
        const auto name
            = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); };
        // A selector is known by its column, not by the level it shows: by its name on
        // Windows, by the heading that labels it on Linux, for either edition.
        const auto labels = [](QWidget* widget) {
            QStringList found;
            for (const auto& [label, relation] :
                QAccessible::queryAccessibleInterface(widget)->relations(QAccessible::Label))
                found << label->text(QAccessible::Name);
            return found;
        };
        QCOMPARE(combo(1)->accessibleName(), QStringLiteral("2 player levels"));
        QCOMPARE(labels(combo(1)), QStringList { "2 player levels" });
        click("Option2");
        QCOMPARE(labels(combo(6)), QStringList { "4  player levels" });
        click("Option1");
        QCOMPARE(name(control(QStringLiteral("cmdChange"))), QStringLiteral("Change"));
        QAccessibleInterface* log = QAccessible::queryAccessibleInterface(control(QStringLiteral("Text1")));
        QCOMPARE(log->text(QAccessible::Name), QStringLiteral("Activity log"));
        QTest::keyClick(combo(1), Qt::Key_Down);
        click("cmdChange");
        QVERIFY(
            log->textInterface()->text(0, log->textInterface()->characterCount()).startsWith("levl2001.dat copied"));
    }

    void keyboardTabsOverLabelsHiddenAndDisabledControlsAndEnterAndEscapePressNothing()
    {
        QCOMPARE(QApplication::focusWidget(), combo(1));
        QCOMPARE(tabs(6), (QStringList { "Combo2", "Combo3", "cmdExit", "Text1", "Option1", "Combo1" }));
        QTest::keyClick(combo(1), Qt::Key_Down); // a choice enables Change
        QCOMPARE(tabs(3), (QStringList { "Combo2", "Combo3", "cmdChange" }));
        QSignalSpy change(control<QPushButton>(QStringLiteral("cmdChange")), &QPushButton::clicked);
        QSignalSpy exit(control<QPushButton>(QStringLiteral("cmdExit")), &QPushButton::clicked);
        for (const char* name : { "Combo2", "Text1", "Option1", "cmdChange", "cmdExit" })
            for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape })
                QTest::keyClick(control(QString::fromLatin1(name)), key);
        QVERIFY(change.isEmpty() && exit.isEmpty() && m_window->isVisible());
    }

    // A player's whole session: the log refuses typing, a level chosen by keyboard goes in
    // by mouse, each slot tells what it holds, the log follows its newest line unless the
    // player reads or selects in it, and each edition keeps its own choices.
    void wholeSessionWithKeyboardAndMouseWhileTheLogRefusesTyping()
    {
        auto* text1 = control<QPlainTextEdit>(QStringLiteral("Text1"));
        QTest::keyClicks(text1, "typed");
        QTest::keyClick(text1, Qt::Key_Backspace);
        QCOMPARE(text1->toPlainText(), QString());
        const auto told = [&](int column) {
            QStringList texts;
            for (QWidget* control : { static_cast<QWidget*>(combo(column)), static_cast<QWidget*>(combo(column + 3)),
                     control(QStringLiteral("Label%1").arg(column + 8)) })
                texts << control->toolTip() << control->accessibleDescription();
            texts.removeDuplicates();
            return texts.join(QLatin1Char('|'));
        };
        QTRY_COMPARE(told(1), QStringLiteral("Now in this slot: the original map")); // once the window is shown

        for (int i = 0; i < 5; ++i)
            QTest::keyClick(combo(1), Qt::Key_Down);
        QCOMPARE(combo(1)->currentText(), QStringLiteral("5 - Death from above"));
        click("cmdChange");
        std::string expected;
        for (const char* extension : { ".dat", ".hdr", ".ver" }) // 2005 keeps the slot's ".inf"
            expected += std::string("levl2005") + extension + " copied to levl2080" + extension + "\r\n";
        for (const char* slot : { "levl2100", "levl2120" })
            for (const char* extension : { ".dat", ".hdr", ".ver", ".inf" })
                expected += slot + std::string(extension) + " restored\r\n";
        expected += std::string(100, '-') + "\r\n";
        QCOMPARE(m_window->text1Text(), expected);
        QCOMPARE(text1->toPlainText(), QString::fromStdString(expected).replace("\r\n", "\n"));
        QCOMPARE(m_game->file("levl2080.dat"), std::string("levl2005.dat original"));
        QVERIFY(!control(QStringLiteral("cmdChange"))->isEnabled());
        QCOMPARE(told(1), QStringLiteral("Now in this slot: 5 - Death from above"));
        QCOMPARE(told(2), QStringLiteral("Now in this slot: the original map"));
        QCOMPARE(text1->horizontalScrollBar()->maximum(), 0); // the separator wraps, never scrolls sideways

        QScrollBar* view = text1->verticalScrollBar();
        const auto changeAgain = [&] { // the level shown, chosen again with the mouse
            QAbstractItemView* list = combo(1)->view();
            QTest::mouseClick(combo(1), Qt::LeftButton);
            QVERIFY(QTest::qWaitForWindowExposed(list->window()));
            QTest::qWait(QApplication::doubleClickInterval() + 100); // a popup ignores a release that quick
            QTest::mouseClick(
                list->viewport(), Qt::LeftButton, {}, list->visualRect(combo(1)->model()->index(5, 0)).center());
            QTRY_VERIFY(!list->window()->isVisible());
            click("cmdChange");
        };
        QVERIFY(view->maximum() > 0);
        QCOMPARE(view->value(), view->maximum()); // the newest line is in view
        QTest::keyClick(text1, Qt::Key_Home, Qt::ControlModifier); // the player scrolls up to read
        changeAgain();
        QCOMPARE(view->value(), 0);
        QTest::keyClick(text1, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(text1, Qt::Key_Up, Qt::ShiftModifier); // and selects a line to copy
        const int selectedAt = view->value();
        changeAgain();
        QCOMPARE(view->value(), selectedAt);
        QVERIFY(view->value() < view->maximum());
        QTest::keyClick(text1, Qt::Key_End, Qt::ControlModifier); // back at the end, it follows again
        changeAgain();
        QCOMPARE(view->value(), view->maximum());

        click("Option2");
        for (int number = 1; number <= 6; ++number)
            QCOMPARE(combo(number)->isVisible(), number > 3);
        m_window->setText1Text({});
        QTest::keyClick(combo(5), Qt::Key_Down);
        click("cmdChange"); // the expansion's choices alone
        QVERIFY(m_window->text1Text().starts_with("levl2080.dat restored\r\n"));
        click("Option1");
        QCOMPARE(combo(1)->currentText(), QStringLiteral("5 - Death from above"));
        static_cast<ControlOperations&>(*m_window).setSelectorText(Selector::Combo2, "no such level");
        QCOMPARE(combo(2)->currentIndex(), 0);

        m_window->setText1Text({});
        auto& operations = static_cast<ControlOperations&>(*m_window);
        operations.appendText1Text("a\r");
        operations.appendText1Text("\nb"); // a line end split between two appends is still one
        QCOMPARE(text1->toPlainText(), QStringLiteral("a\nb"));
        QCOMPARE(m_window->text1Text(), "a\r\nb");
        const QPoint lineA = text1->cursorRect(QTextCursor(text1->document())).center();
        QTest::mousePress(text1->viewport(), Qt::LeftButton, {}, lineA - QPoint(lineA.x() - 1, 0));
        QTest::mouseMove(text1->viewport(), lineA + QPoint(40, 0));
        QTest::mouseRelease(text1->viewport(), Qt::LeftButton, {}, lineA + QPoint(40, 0));
        QCOMPARE(text1->textCursor().selectedText(), QStringLiteral("a")); // selected by mouse, to copy
    }

    void aboutIsOneModelessWindowThatEnterAndEscapeClose()
    {
        QAction* about = m_window->menuBar()->actions().front();
        about->trigger();
        about->trigger();
        QCOMPARE(visibleWindows(QStringLiteral("frmAbout")).size(), 1);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        click("Option2"); // the main window still works
        QVERIFY(combo(4)->isVisible());
        for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Escape }) {
            about->trigger();
            QWidget* window = aboutWindow();
            QVERIFY(window != nullptr);
            QTest::keyClick(window->focusWidget(), key);
            QTRY_VERIFY(visibleWindows(QStringLiteral("frmAbout")).isEmpty());
        }
    }

    void withoutTheGameTheMessageComesBeforeTheWindow()
    {
        std::filesystem::remove_all(m_game->prefix / "drive_c" / "Program Files");
        frmMain window(m_game->environment());
        QStringList seen; // text, title, and whether the main window was already shown
        frmMain::setMessageBoxHook([&](QMessageBox& box) {
            QVERIFY(box.icon() == QMessageBox::NoIcon && box.buttons().size() == 1);
            seen << box.text() << box.windowTitle() << (window.isVisible() ? "shown" : "not shown");
        });
        window.Form_Load();
        window.show();
        failOnAnyMessageBox();
        QCOMPARE(seen,
            (QStringList { "Error. Can't find Populous levels directory c:\\Program Files\\Bullfrog\\Populous\\levels. "
                           "Check that you have done more than a minimum install to the default location",
                "Varnholt", "not shown" }));
        QVERIFY(!window.findChild<QPushButton*>(QStringLiteral("cmdChange"))->isEnabled());
    }

    // These end the application's event loop, so they come last.
    void anOpenAboutWindowOutlivesTheMainWindowAndNotTheOtherWayRound()
    {
        bool mainWindowStayed = false;
        bool aboutOutlivedIt = false;
        QCOMPARE(runWithAboutOpen([&] {
            QTest::keyClick(aboutWindow(), Qt::Key_Escape); // closing About ends nothing
            QTimer::singleShot(50, this, [&] {
                mainWindowStayed = m_window->isVisible();
                m_window->menuBar()->actions().front()->trigger();
                m_window->close(); // through the frame, with About open again
            });
            QTimer::singleShot(100, this, [&] {
                aboutOutlivedIt = aboutWindow() != nullptr;
                if (aboutOutlivedIt)
                    QTest::keyClick(aboutWindow(), Qt::Key_Escape); // the last window: the program ends
            });
        }),
            0);
        QVERIFY(mainWindowStayed && aboutOutlivedIt);
    }

    void exitEndsEverythingAtOnce()
    {
        QCOMPARE(runWithAboutOpen([&] { click("cmdExit"); }), 0);
        QVERIFY(!m_window->isVisible() && aboutWindow() == nullptr);
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_gui_test.moc"
