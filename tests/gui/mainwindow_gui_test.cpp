// SPDX-License-Identifier: MIT
// The real windows, driven headless with real key and mouse events.
#include "guitestsupport.h"
#include "support/loglines.h"
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
        if (T* found = m_window->centralWidget()->findChild<T*>(name)) // not the About window's
            return found;
        qFatal("no control %s", qPrintable(name));
    }
    QComboBox* combo(int number) const { return control<QComboBox>(QStringLiteral("Combo%1").arg(number)); }
    void click(const QString& name) const { QTest::mouseClick(control(name), Qt::LeftButton); }
    void openAbout() const { m_window->menuBar()->actions().front()->trigger(); }
    // Counts the requests to end the application while it lives.
    struct QuitRequests : QObject {
        int asked = 0;
        QuitRequests() { qApp->installEventFilter(this); }
        bool eventFilter(QObject* /*watched*/, QEvent* event) override
        {
            asked += event->type() == QEvent::Quit ? 1 : 0;
            return false;
        }
    };
    // The application's own event loop, with About open over the main window; 1 if it never ends.
    int runWithAboutOpen(const std::function<void()>& user)
    {
        const QuitAfterLastWindow lifetime;
        openAbout();
        QTimer::singleShot(0, this, user);
        QTimer::singleShot(5000, this, [] { QCoreApplication::exit(1); });
        return QApplication::exec();
    }
    // At any scale: the window fixed, its controls inside it, each as big as its caption needs.
    static void checkEverythingFits(QWidget* window, QWidget* client)
    {
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(client == window || window->rect().contains(client->geometry())); // nothing cut off below
        for (const QWidget* widget : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QSize need = widget->inherits("QAbstractScrollArea") ? QSize() : widget->sizeHint(); // the log: no caption
            if (widget->inherits("QRadioButton")) // its size hint adds a focus frame below the text
                need.setHeight(widget->fontMetrics().height());
            if (const auto* label = qobject_cast<const QLabel*>(widget)) // wrapped at words, or else on one line
                need = QSize(label->wordWrap() ? 0 : label->sizeHint().width(), label->heightForWidth(label->width()));
            QVERIFY2(client->rect().contains(widget->geometry()) && need.boundedTo(widget->size()) == need,
                qPrintable(widget->objectName()));
        }
    }

private slots:
    void init()
    {
        startMainWindow(m_game, m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_window->setText1Text({}); // forget the start-up backups
    }

    void cleanup()
    {
        m_window.reset();
        for (const QWidget* window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName())); // no window outlives its test
    }

    // Where each control stands matters only as the player sees it: whole, inside, a column's selectors at one place.
    void bothWindowsShowEveryCaptionWholeAndNameItForScreenReaders()
    {
        for (const Selector selector : allSelectors) // each on its slot's own map
            QCOMPARE(combo(int(selector) + 1)->currentText().toStdString(), slotOf(selector).defaultEntryText);
        for (int column = 1; column <= 3; ++column)
            QCOMPARE(combo(column)->geometry(), combo(column + 3)->geometry());
        for (const QLabel* label : m_window->findChildren<QLabel*>(QRegularExpression("^Label")))
            QCOMPARE(label->alignment(),
                Qt::AlignTop | (label->objectName() == "Label15" ? Qt::AlignLeft : Qt::AlignHCenter));
        QCOMPARE(m_window->windowTitle(), "Varnholt");
        QVERIFY(m_window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint)); // fixed, so no maximise (below)
        QVERIFY(m_window->menuBar()->actions().size() == 1 && !m_window->menuBar()->actions().front()->menu());
        checkEverythingFits(m_window.get(), m_window->centralWidget());
        QCOMPARE(QApplication::font().pointSizeF(), 8.0); // missing fonts would silently change every width
        const QFontInfo heading(control("Label1")->font());
        QVERIFY(heading.bold() && QStringList({ "Arial", "Liberation Sans" }).contains(heading.family()));
        QCOMPARE(control("Label1")->font().pointSizeF(), 26.25);
        const qreal scale = m_window->devicePixelRatioF(); // pixels enough for the screen at any scale
        QVERIFY(control<QLabel>("Image1")->pixmap().width() >= qRound(350 * scale));
        QCOMPARE(control<QLabel>("Image1")->pixmap().deviceIndependentSize(), QSizeF(350, 128)); // not drawn larger
        const QList<QSize> icon = m_window->windowIcon().availableSizes();
        QVERIFY(icon.contains({ 32, 32 }) && std::ranges::max(icon, {}, &QSize::width).width() >= qRound(32 * scale));

        // A selector is known by its column: by its name on Windows, by its column's heading on Linux.
        const auto labelOf = [](QWidget* widget) { // the one label a screen reader reads for it
            const auto labels = QAccessible::queryAccessibleInterface(widget)->relations(QAccessible::Label);
            return labels.size() == 1 ? labels.front().first->text(QAccessible::Name) : QString();
        };
        QCOMPARE(combo(1)->accessibleName(), "2 player levels");
        QCOMPARE(labelOf(combo(1)), "2 player levels");
        click("Option2");
        QCOMPARE(labelOf(combo(6)), "4  player levels");
        QCOMPARE(QAccessible::queryAccessibleInterface(control("Text1"))->text(QAccessible::Name), "Activity log");

        openAbout();
        QWidget* about = aboutWindow();
        QCOMPARE(about->windowTitle(), "About Varnholt");
        QCOMPARE(about->windowType(), Qt::Dialog);
        QCOMPARE(about->windowHandle()->transientParent(), m_window->windowHandle()); // owned: no task-bar button
        checkEverythingFits(about, about);
        const auto* contact = about->findChild<QLabel*>("Label1");
        QVERIFY(!contact->text().isEmpty()
            && contact->fontMetrics().horizontalAdvance(contact->text()) <= contact->width()); // one line
        QCOMPARE(about->findChild<QLabel*>("picIcon")->pixmap().deviceIndependentSize(), QSizeF(32, 32));
        QCOMPARE(about->findChild<QLabel*>("lblVersion")->text(), "Version 4");
        // On a dark theme the title, description and disclaimer stay black, the others follow the theme.
        const QPalette theme = QApplication::palette();
        QPalette dark = theme;
        dark.setColor(QPalette::WindowText, Qt::white);
        QApplication::setPalette(dark);
        QCoreApplication::processEvents();
        for (const QLabel* label : about->findChildren<QLabel*>())
            QVERIFY2((label->palette().color(QPalette::WindowText) == Qt::black)
                    == QStringList({ "lblTitle", "lblDescription", "lblDisclaimer" }).contains(label->objectName()),
                qPrintable(label->objectName()));
        QApplication::setPalette(theme);
    }

    void wholeSessionWithKeyboardAndMouseWhileTheLogRefusesTyping()
    {
        QString visited = QApplication::focusWidget()->objectName(); // Tab passes over what cannot be used
        for (const QString& key : QString("Tab Tab Tab Tab Tab Tab Down Tab Tab Tab").split(' ')) { // Down: a choice
            QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
            visited += ' ' + QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, "Combo1 Combo2 Combo3 cmdExit Text1 Option1 Combo1 Combo1 Combo2 Combo3 cmdChange");
        for (const char* name : { "Combo2", "Text1", "Option1", "cmdChange", "cmdExit" })
            QTest::keySequence(control(name), QKeySequence("Return, Enter, Esc"));
        auto* text1 = control<QPlainTextEdit>("Text1");
        QTest::keyClicks(text1, "typed\b");
        QVERIFY(m_window->isVisible() && m_window->text1Text().empty() && text1->toPlainText().isEmpty());

        const auto told = [&](int slot) { // by the slot's two selectors and its "play as" label
            QStringList texts;
            for (auto* widget : QWidgetList { combo(slot), combo(slot + 3), control(QString("Label%1").arg(slot + 8)) })
                texts << widget->toolTip() << widget->accessibleDescription();
            return QSet<QString>(texts.cbegin(), texts.cend()).values();
        };
        QTRY_COMPARE(told(1), QStringList { "Now in this slot: the original map" }); // once the window is shown
        QTest::keySequence(combo(1), QKeySequence("Down, Down, Down, Down"));
        click("cmdChange"); // level 5 goes in, but for the slot's own ".inf"
        const std::string lines = Log::slot(2080, 2005) + Log::slot(2100) + Log::slot(2120) + Log::changeEnd;
        QCOMPARE(m_window->text1Text(), lines);
        QCOMPARE(text1->toPlainText(), QString::fromStdString(lines).replace("\r\n", "\n"));
        QVERIFY(!control("cmdChange")->isEnabled());
        QCOMPARE(told(1), QStringList { "Now in this slot: 5 - Death from above" });
        QCOMPARE(told(2), QStringList { "Now in this slot: the original map" });

        QScrollBar* view = text1->verticalScrollBar();
        QVERIFY(view->maximum() > 0 && view->value() == view->maximum()); // the newest line is in view
        // Scrolled up to read, or a line selected to copy, the log stays; back at the end, it follows again.
        for (const QString keys : { "Ctrl+Home", "Ctrl+End, Shift+Up", "Ctrl+End" }) {
            QTest::keySequence(text1, QKeySequence(keys));
            const int before = view->value();
            QAbstractItemView* list = combo(1)->view(); // the level shown, chosen again with the mouse
            QTest::mouseClick(combo(1), Qt::LeftButton);
            QVERIFY(list->isVisible());
            // The open list ignores clicks until its double-click timer has run out, which a busy machine may
            // tell it late: click until the list takes the choice and closes.
            const auto chooseShownLevel = [list] {
                QTest::mouseClick(
                    list->viewport(), Qt::LeftButton, {}, list->visualRect(list->currentIndex()).center());
                return !list->isVisible();
            };
            QTRY_VERIFY(chooseShownLevel());
            QVERIFY(control("cmdChange")->isEnabled());
            click("cmdChange");
            QCOMPARE(view->value(), keys == "Ctrl+End" ? view->maximum() : before);
        }

        click("Option2");
        for (int number = 1; number <= 6; ++number)
            QCOMPARE(combo(number)->isVisible(), number > 3);
        QTest::keyClick(combo(5), Qt::Key_Down);
        click("cmdChange"); // the expansion's choices alone
        QVERIFY(m_window->text1Text().find("levl2080.dat restored\r\n") != std::string::npos);
        click("Option1");
        QCOMPARE(combo(1)->currentText(), "5 - Death from above");
        m_window->setSelectorText(Selector::Combo2, "no such level");
        QCOMPARE(combo(2)->currentIndex(), 0);

        const std::string b(300, 'b'); // a line longer than the log is wide
        m_window->setText1Text("a\r");
        m_window->appendText1Text("\n" + b); // a line end split between two writes is still one
        QVERIFY(text1->toPlainText() == "a\n" + QString::fromStdString(b) && m_window->text1Text() == "a\r\n" + b);
        QTest::mouseDClick(text1->viewport(), Qt::LeftButton, {}, text1->cursorRect().center()); // on "a", at the start
        QCOMPARE(text1->textCursor().selectedText(), "a"); // selected by mouse, to copy
        QCOMPARE(text1->horizontalScrollBar()->maximum(), 0); // long lines wrap, never scroll sideways
    }

    void aboutIsOneModelessWindowThatEnterAndEscapeClose()
    {
        for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Escape }) {
            openAbout();
            openAbout();
            QVERIFY(visibleWindows("frmAbout").size() == 1 && QApplication::activeModalWidget() == nullptr);
            QTest::keyClick(aboutWindow()->focusWidget(), key);
            QTRY_VERIFY(visibleWindows("frmAbout").isEmpty());
        }
    }

    void withoutTheGameTheMessageComesBeforeTheWindow()
    {
        m_window.reset(); // Windows deletes no folder a program holds open
        std::filesystem::remove_all(m_game->prefix / "drive_c" / "Program Files");
        frmMain window(m_game->choice());
        QStringList seen; // text, title, and whether the main window was already shown
        frmMain::setMessageBoxHook([&](QMessageBox& box) {
            QVERIFY(box.icon() == QMessageBox::NoIcon && box.buttons().size() == 1);
            seen << box.text() << box.windowTitle() << (window.isVisible() ? "shown" : "not shown");
        });
        window.Form_Load();
#ifdef Q_OS_WIN // the folder was named, as the search on Windows would not find it
        const std::string expected = namedFolderMissingMessage(shownPath(m_game->levels));
#else
        const std::string expected
            = "Error. Can't find Populous levels directory c:\\Program Files\\Bullfrog\\Populous\\levels. Check that "
              "you have done more than a minimum install to the default location";
#endif
        QCOMPARE(seen.join('|'), QString::fromStdString(expected) + "|Varnholt|not shown");
    }

    // These end the application's event loop, so they come last.
    void anOpenAboutWindowOutlivesTheMainWindowAndNotTheOtherWayRound()
    {
        bool aboutOutlivedIt = false;
        const int returned = runWithAboutOpen([&] {
            const QPointer<QWidget> closing = aboutWindow();
            QTest::keyClick(closing, Qt::Key_Escape); // closing About ends nothing
            QTRY_VERIFY(closing.isNull() && m_window->isVisible()); // gone, not only hidden
            openAbout();
            QuitRequests quits;
            m_window->close(); // through the frame, with About open again
            bool settled = false; // once what the close set off has run
            QTimer::singleShot(0, this, [&] { settled = true; });
            QTRY_VERIFY(settled);
            aboutOutlivedIt = quits.asked == 0 && aboutWindow() != nullptr;
            if (aboutOutlivedIt)
                QTest::keyClick(aboutWindow(), Qt::Key_Escape); // the last window: the program ends
        });
        QVERIFY(returned == 0 && aboutOutlivedIt);
    }

    void exitEndsEverythingAtOnce()
    {
        QVERIFY(runWithAboutOpen([&] { click("cmdExit"); }) == 0 && !m_window->isVisible() && aboutWindow() == nullptr);
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_gui_test.moc"
