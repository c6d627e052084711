// SPDX-License-Identifier: MIT
// The real main window, driven headless with real key and mouse events.
#include "guitestsupport.h"
#include "mainwindow/frmmain.h"
#include "windowkit/quitafterlastwindow.h"
#include "support/wineprefix.h"

#include <QtTest>
#include <QtWidgets>

using namespace varnholt;
using namespace varnholt::test;

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalledGame> m_game;
    std::unique_ptr<frmMain> m_window;

    template <typename T = QWidget>
    T* control(const QString& name) const
    {
        T* found = m_window->findChild<T*>(name);
        if (found == nullptr)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QComboBox* combo(int number) const { return control<QComboBox>(QStringLiteral("Combo%1").arg(number)); }
    std::string log() const { return static_cast<ControlOperations&>(*m_window).text1Text(); }
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

private slots:
    void initTestCase()
    {
        setUpApplication();
        // A message box no test expects fails that test at once, instead of waiting for a person.
        frmMain::setMessageBoxHook([](QMessageBox& box) { QFAIL(qPrintable("unexpected message box: " + box.text())); });
    }

    void init()
    {
        m_game = std::make_unique<InstalledGame>();
        m_window = std::make_unique<frmMain>(m_game->environment());
        m_window->Form_Load();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        static_cast<ControlOperations&>(*m_window).setText1Text({}); // forget the start-up backups
    }

    void cleanup()
    {
        m_window.reset();
        m_game.reset();
        for (const QWidget* window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName())); // no window outlives its test
    }

    void controlsStandAsLaidOut_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("visible");
        const auto row = [](const char* name, QRect geometry, const char* text, bool visible = true) {
            QTest::newRow(name) << geometry << QString::fromUtf8(text) << visible;
        };
        row("Label1", {56, 144, 545, 89}, "Play single player levels as multiplayer");
        row("Label12", {8, 240, 217, 17}, "2 player levels");
        row("Label13", {232, 240, 225, 17}, "3 player levels");
        row("Label14", {464, 240, 193, 17}, "4  player levels");
        row("Combo1", {8, 264, 217, 24}, "Hills Divide Us (default)");
        row("Combo2", {232, 264, 225, 24}, "Linked Isles (default)");
        row("Combo3", {464, 264, 193, 24}, "Two on Two (default)");
        row("Label9", {8, 296, 217, 33}, "play as Hills divide us");
        row("Label10", {232, 296, 225, 33}, "play as Linked Isles");
        row("Label11", {464, 296, 193, 33}, "play as Two on Two");
        row("Label15", {8, 448, 641, 81},
            "This progam copies single player levels over multiplayer levels so that you can play them as multiplayer. "
            "Each player has to have a Recommended or Full install of Populous into the default directory on their C "
            "drive, the patch v1.1 installed, and to have picked the SAME level using this program. Note, the single "
            "player levels often don't give the tribes a fair and equal starting position!  To restore the original "
            "multiplayer levels, rerun this program selecting the defaults. Have Fun!!!");
        row("cmdChange", {560, 392, 81, 33}, "Change");
        row("cmdExit", {464, 392, 89, 33}, "Exit");
        row("Text1", {8, 336, 449, 94}, "");
        row("Option1", {464, 336, 177, 17}, "Populous The Beginning");
        row("Option2", {464, 360, 169, 17}, "Undiscovered Worlds");
        row("Combo4", {8, 264, 217, 24}, "Hills Divide Us (default)", false);
        row("Combo5", {232, 264, 225, 24}, "Linked Isles (default)", false);
        row("Combo6", {464, 264, 193, 24}, "Two on Two (default)", false);
        row("Image1", {168, 8, 354, 132}, "");
    }

    void controlsStandAsLaidOut()
    {
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(bool, visible);
        const QWidget* widget = control(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->isVisible(), visible);
        QString shown;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            shown = label->text();
        else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            shown = button->text();
        else if (const auto* box = qobject_cast<const QComboBox*>(widget))
            shown = box->currentText();
        QCOMPARE(shown, text);
    }

    void windowIsFixedWithOneMenuEntry()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Varnholt"));
        QCOMPARE(m_window->centralWidget()->size(), QSize(662, 538));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
        const QList<QAction*> menu = m_window->menuBar()->actions();
        QVERIFY(menu.size() == 1 && menu.front()->text() == QStringLiteral("About") && menu.front()->menu() == nullptr);
        static_cast<ControlOperations&>(*m_window).setSelectorText(Selector::Combo2, "no such level");
        QCOMPARE(combo(2)->currentIndex(), 0);
    }

    // Missing fonts would silently turn captions into boxes or other widths.
    void fontsArePresentAndFitEveryCaption()
    {
        QVERIFY(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));
        const QFontInfo heading(control<QLabel>(QStringLiteral("Label1"))->font());
        QVERIFY2(heading.bold() && (heading.family() == "Arial" || heading.family() == "Liberation Sans"),
                 qPrintable(heading.family()));
        for (const QLabel* label : m_window->findChildren<QLabel*>())
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
        for (const QRadioButton* option : m_window->findChildren<QRadioButton*>()) {
            // Its size hint adds a focus frame; the text itself must fit the contents.
            QStyleOptionButton look;
            look.initFrom(option);
            const QRect contents = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &look, option);
            const QSize text = option->fontMetrics().size(Qt::TextSingleLine, option->text());
            QVERIFY2(text.width() <= contents.width() && text.height() <= contents.height(), qPrintable(option->objectName()));
        }
        for (const QWidget* widget : m_window->findChildren<QWidget*>()) {
            if (qobject_cast<const QPushButton*>(widget) || qobject_cast<const QComboBox*>(widget))
                QVERIFY2(widget->sizeHint().width() <= widget->width() && widget->sizeHint().height() <= widget->height(),
                         qPrintable(widget->objectName()));
        }
    }

    // The whole test also runs at scale factors 1.25, 1.5 and 2: proportions, captions and
    // pictures must hold at each.
    void picturesAreSharpAtThisScale()
    {
        const qreal scale = m_window->devicePixelRatioF();
        QCOMPARE(m_window->centralWidget()->size(), QSize(662, 538)); // in logical pixels, at any scale
        QVERIFY(control<QLabel>(QStringLiteral("Image1"))->pixmap().devicePixelRatio() >= scale);
        QVERIFY(control<QLabel>(QStringLiteral("Image1"))->pixmap().width() >= qRound(350 * scale));
        // The window system is handed every size of the icon and takes the one it needs.
        const QList<QSize> iconSizes = m_window->windowIcon().availableSizes();
        QVERIFY(std::any_of(iconSizes.begin(), iconSizes.end(), [&](QSize size) { return size.width() >= qRound(32 * scale); }));
    }

    void screenReadersHearWhatEachControlIs()
    {
        const auto name = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); };
        // A selector is known by its column, not by the level it shows: by its name on
        // Windows, by the heading that labels it on Linux, for either edition.
        const auto labels = [](QWidget* widget) {
            QStringList found;
            for (const auto& [label, relation] : QAccessible::queryAccessibleInterface(widget)->relations(QAccessible::Label))
                found << label->text(QAccessible::Name);
            return found;
        };
        QCOMPARE(combo(1)->accessibleName(), QStringLiteral("2 player levels"));
        QCOMPARE(labels(combo(1)), QStringList{"2 player levels"});
        QTest::mouseClick(control(QStringLiteral("Option2")), Qt::LeftButton);
        QCOMPARE(labels(combo(6)), QStringList{"4  player levels"});
        QTest::mouseClick(control(QStringLiteral("Option1")), Qt::LeftButton);
        QCOMPARE(name(control(QStringLiteral("cmdChange"))), QStringLiteral("Change"));
        QCOMPARE(name(control(QStringLiteral("Option2"))), QStringLiteral("Undiscovered Worlds"));
        QAccessibleInterface* log = QAccessible::queryAccessibleInterface(control(QStringLiteral("Text1")));
        QCOMPARE(log->text(QAccessible::Name), QStringLiteral("Activity log"));
        QTest::keyClick(combo(1), Qt::Key_Down);
        QTest::mouseClick(control(QStringLiteral("cmdChange")), Qt::LeftButton);
        QVERIFY(log->textInterface()->text(0, log->textInterface()->characterCount()).startsWith("levl2001.dat copied"));
    }

    void tabPassesOverLabelsHiddenAndDisabledControls()
    {
        QCOMPARE(QApplication::focusWidget(), combo(1));
        QCOMPARE(tabs(6), (QStringList{"Combo2", "Combo3", "cmdExit", "Text1", "Option1", "Combo1"}));
        QTest::keyClick(combo(1), Qt::Key_Down); // a choice enables Change
        QCOMPARE(tabs(3), (QStringList{"Combo2", "Combo3", "cmdChange"}));
    }

    void enterAndEscapePressNothing()
    {
        QTest::keyClick(combo(2), Qt::Key_Down);
        QSignalSpy change(control<QPushButton>(QStringLiteral("cmdChange")), &QPushButton::clicked);
        QSignalSpy exit(control<QPushButton>(QStringLiteral("cmdExit")), &QPushButton::clicked);
        for (const char* name : {"Combo2", "Text1", "Option1"})
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QTest::keyClick(control(QString::fromLatin1(name)), key);
        QVERIFY(change.isEmpty() && exit.isEmpty() && m_window->isVisible());
    }

    void wholeSessionWithKeyboardAndMouseWhileTheLogRefusesTyping()
    {
        auto* text1 = control<QPlainTextEdit>(QStringLiteral("Text1"));
        QTest::keyClicks(text1, "typed");
        QTest::keyClick(text1, Qt::Key_Backspace);
        QCOMPARE(text1->toPlainText(), QString());

        for (int i = 0; i < 5; ++i)
            QTest::keyClick(combo(1), Qt::Key_Down);
        QCOMPARE(combo(1)->currentText(), QStringLiteral("5 - Death from above"));
        QTest::mouseClick(control(QStringLiteral("cmdChange")), Qt::LeftButton);

        std::string expected;
        for (const char* extension : {".dat", ".hdr", ".ver"}) // 2005 keeps the slot's ".inf"
            expected += std::string("levl2005") + extension + " copied to levl2080" + extension + "\r\n";
        for (const char* slot : {"levl2100", "levl2120"})
            for (const char* extension : {".dat", ".hdr", ".ver", ".inf"})
                expected += slot + std::string(extension) + " restored\r\n";
        expected += std::string(100, '-') + "\r\n";
        QCOMPARE(log(), expected);
        QCOMPARE(text1->toPlainText(), QString::fromStdString(expected).replace("\r\n", "\n"));
        QCOMPARE(m_game->file("levl2080.dat"), std::string("levl2005.dat original"));
        QVERIFY(!control(QStringLiteral("cmdChange"))->isEnabled());
        QCOMPARE(text1->horizontalScrollBar()->maximum(), 0); // the separator wraps, never scrolls sideways
        auto& operations = static_cast<ControlOperations&>(*m_window);
        operations.appendText1Text("a\r");
        operations.appendText1Text("\nb"); // a line end split between two appends is still one
        QVERIFY(text1->toPlainText().endsWith(QStringLiteral("\na\nb")));
        QCOMPARE(log(), expected + "a\r\nb");
    }

    void slotsTellWhatTheyHoldAndTheLogFollowsItsNewestLine()
    {
        const auto told = [&](int column) {
            QStringList texts;
            for (QWidget* control : {static_cast<QWidget*>(combo(column)), static_cast<QWidget*>(combo(column + 3)),
                                     control(QStringLiteral("Label%1").arg(column + 8))})
                texts << control->toolTip() << control->accessibleDescription();
            texts.removeDuplicates();
            return texts.join(QLatin1Char('|'));
        };
        QTRY_COMPARE(told(1), QStringLiteral("Now in this slot: the original map")); // once the window is shown
        auto* text1 = control<QPlainTextEdit>(QStringLiteral("Text1"));
        QScrollBar* view = text1->verticalScrollBar();
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(combo(1), Qt::Key_Down);
        const auto change = [&] { // the same level again
            QTest::keyClick(combo(1), Qt::Key_Down);
            QTest::mouseClick(control(QStringLiteral("cmdChange")), Qt::LeftButton);
            QTest::keyClick(combo(1), Qt::Key_Up);
        };
        change();
        QCOMPARE(told(1), QStringLiteral("Now in this slot: 5 - Death from above"));
        QCOMPARE(told(2), QStringLiteral("Now in this slot: the original map"));
        QVERIFY(view->maximum() > 0);
        QCOMPARE(view->value(), view->maximum()); // the newest line is in view

        QTest::keyClick(text1, Qt::Key_Home, Qt::ControlModifier); // the player scrolls up to read
        change();
        QCOMPARE(view->value(), 0);
        QTest::keyClick(text1, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(text1, Qt::Key_Up, Qt::ShiftModifier); // and selects a line to copy
        const int selectedAt = view->value();
        change();
        QCOMPARE(view->value(), selectedAt);
        QVERIFY(view->value() < view->maximum());
        QTest::keyClick(text1, Qt::Key_End, Qt::ControlModifier); // back at the end, it follows again
        change();
        QCOMPARE(view->value(), view->maximum());
    }

    void choosingTheShownEntryAgainEnablesChange()
    {
        QAbstractItemView* list = combo(3)->view();
        QTest::mouseClick(combo(3), Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        QTest::qWait(QApplication::doubleClickInterval() + 100); // a popup ignores a release that quick
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
        QTRY_VERIFY(!list->window()->isVisible());
        QVERIFY(control(QStringLiteral("cmdChange"))->isEnabled());
    }

    void editionSwitchShowsOneSetAndKeepsEachSetsChoices()
    {
        QTest::keyClick(combo(1), Qt::Key_Down);
        QTest::mouseClick(control(QStringLiteral("Option2")), Qt::LeftButton);
        for (int number = 1; number <= 6; ++number)
            QCOMPARE(combo(number)->isVisible(), number > 3);
        QTest::mouseClick(control(QStringLiteral("cmdChange")), Qt::LeftButton); // expansion: all defaults
        QVERIFY(log().starts_with("levl2080.dat restored\r\n"));
        QTest::mouseClick(control(QStringLiteral("Option1")), Qt::LeftButton);
        QCOMPARE(combo(1)->currentText(), QStringLiteral("1 - The Journey Begins"));
    }

    void aboutIsOneModelessWindowThatEnterAndEscapeClose()
    {
        QAction* about = m_window->menuBar()->actions().front();
        about->trigger();
        about->trigger();
        QCOMPARE(visibleWindows(QStringLiteral("frmAbout")).size(), 1);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QTest::mouseClick(control(QStringLiteral("Option2")), Qt::LeftButton); // the main window still works
        QVERIFY(combo(4)->isVisible());
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            about->trigger();
            const QWidgetList windows = visibleWindows(QStringLiteral("frmAbout"));
            QVERIFY(windows.size() == 1);
            QWidget* window = windows.front();
            QVERIFY(window->findChild<QLabel*>(QStringLiteral("lblVersion"))->text() == "Version 4");
            // Every line of the About window fits its label: the contact line on one line.
            for (const QLabel* label : window->findChildren<QLabel*>())
                QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
            const auto* contact = window->findChild<QLabel*>(QStringLiteral("Label1"));
            QVERIFY(contact->fontMetrics().horizontalAdvance(contact->text()) <= contact->width());
            QCOMPARE(contact->text(), QStringLiteral("Help: man varnholt"));
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
        frmMain::setMessageBoxHook([](QMessageBox& box) { QFAIL(qPrintable("unexpected message box: " + box.text())); });
        QCOMPARE(seen, (QStringList{"Error. Can't find Populous levels directory c:\\Program Files\\Bullfrog\\Populous\\levels. "
                                    "Check that you have done more than a minimum install to the default location",
                                    "Varnholt", "not shown"}));
        QVERIFY(!window.findChild<QPushButton*>(QStringLiteral("cmdChange"))->isEnabled());
    }

    // These end the application's event loop, so they come last.
    void anOpenAboutWindowOutlivesTheMainWindow()
    {
        qsizetype aboutWindowsLeft = -1;
        QCOMPARE(runWithAboutOpen([&] {
                     m_window->close(); // through the frame
                     QTimer::singleShot(50, this, [&] {
                         const QWidgetList about = visibleWindows(QStringLiteral("frmAbout"));
                         aboutWindowsLeft = about.size();
                         if (!about.isEmpty())
                             QTest::keyClick(about.front(), Qt::Key_Escape);
                     });
                 }),
                 0);
        QCOMPARE(aboutWindowsLeft, 1);
    }

    void exitEndsEverythingAtOnce()
    {
        QCOMPARE(runWithAboutOpen([&] { QTest::mouseClick(control(QStringLiteral("cmdExit")), Qt::LeftButton); }), 0);
        QVERIFY(!m_window->isVisible() && visibleWindows(QStringLiteral("frmAbout")).isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_gui_test.moc"
