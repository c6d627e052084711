// SPDX-License-Identifier: MIT
// The real main window, driven headless with real key and mouse events.
#include "guitestsupport.h"
#include "mainwindow/dialogfont.h"
#include "mainwindow/frmmain.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <optional>

using namespace varnholt;
using namespace varnholt::test;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::optional<InstalledGame> m_game;
    std::unique_ptr<frmMain> m_window;

    template <typename T = QWidget>
    T* control(const char* name) const
    {
        T* found = m_window->findChild<T*>(QLatin1String(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }
    QComboBox* combo(int number) const { return control<QComboBox>(qPrintable(QStringLiteral("Combo%1").arg(number))); }
    std::string levelFile(const char* name) const { return readFile(m_game->levels / name); }

private slots:
    void initTestCase() { setUpApplication(); }

    void init()
    {
        m_game.emplace();
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
        // No window may outlive its test.
        for (const QWidget* window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
    }

    void controlsStandWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("enabled");
        const auto row = [](const char* name, QRect geometry, const char* text, bool visible = true, bool enabled = true) {
            QTest::newRow(name) << QString::fromLatin1(name) << geometry << QString::fromUtf8(text) << visible << enabled;
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
            "This progam copies single player levels over multiplayer levels so that you can play them as "
            "multiplayer. Each player has to have a Recommended or Full install of Populous into the default "
            "directory on their C drive, the patch v1.1 installed, and to have picked the SAME level using this "
            "program. Note, the single player levels often don't give the tribes a fair and equal starting "
            "position!  To restore the original multiplayer levels, rerun this program selecting the defaults. "
            "Have Fun!!!");
        row("cmdChange", {560, 392, 81, 33}, "Change", true, false);
        row("cmdExit", {464, 392, 89, 33}, "Exit");
        row("Text1", {8, 336, 449, 94}, "");
        row("Option1", {464, 336, 177, 17}, "Populous The Beginning");
        row("Option2", {464, 360, 169, 17}, "Undiscovered Worlds");
        row("Combo4", {8, 264, 217, 24}, "Hills Divide Us (default)", false);
        row("Combo5", {232, 264, 225, 24}, "Linked Isles (default)", false);
        row("Combo6", {464, 264, 193, 24}, "Two on Two (default)", false);
        row("Image1", {168, 8, 354, 132}, "");
    }

    void controlsStandWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(bool, visible);
        QFETCH(bool, enabled);
        const QWidget* widget = control(qPrintable(name));
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->isVisible(), visible);
        QCOMPARE(widget->isEnabled(), enabled);
        QString shown;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            shown = label->text();
        else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            shown = button->text();
        else if (const auto* box = qobject_cast<const QComboBox*>(widget))
            shown = box->currentText();
        else if (const auto* edit = qobject_cast<const QPlainTextEdit*>(widget))
            shown = edit->toPlainText();
        QCOMPARE(shown, text);
    }

    void windowIsFixedWithOneMenuEntryAndNoMaximise()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Varnholt"));
        QCOMPARE(m_window->centralWidget()->size(), QSize(662, 538));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        const Qt::WindowFlags flags = m_window->windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!m_window->windowIcon().isNull());
        const QList<QAction*> entries = m_window->menuBar()->actions();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.front()->text(), QStringLiteral("About"));
        QCOMPARE(entries.front()->menu(), nullptr);
        QCOMPARE(control<QLabel>("Image1")->pixmap().size(), QSize(350, 128));
    }

    void selectorsHoldTheLevelsWithTheirNumbers()
    {
        QCOMPARE(combo(1)->count(), 13);
        QCOMPARE(combo(1)->itemText(5), QStringLiteral("5 - Death from above"));
        QCOMPARE(combo(1)->itemData(5).toInt(), 2005);
        QCOMPARE(combo(6)->itemText(2), QStringLiteral("UW11 - L'Assassine"));
        QCOMPARE(combo(6)->itemData(2).toInt(), 2059);
        QVERIFY(!combo(1)->isEditable());
    }

    // Missing fonts would silently turn the captions into boxes or other widths.
    void fontsArePresentAndFitEveryCaption()
    {
        QVERIFY(QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));
        const QFontInfo heading(control<QLabel>("Label1")->font());
        QVERIFY2(heading.family() == QStringLiteral("Arial") || heading.family() == QStringLiteral("Liberation Sans"),
                 qPrintable(heading.family()));
        QVERIFY(heading.bold());
        QCOMPARE(QFontInfo(combo(1)->font()).family(), QFontInfo(dialogFont()).family());

        for (const QLabel* label : m_window->findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue;
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
            // No single word may be wider than its label.
            for (const QString& word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
                QVERIFY2(label->fontMetrics().horizontalAdvance(word) <= label->width(), qPrintable(word));
        }
        // An option button's hint adds a focus frame around it; its text must fit all the same.
        for (const QRadioButton* option : m_window->findChildren<QRadioButton*>()) {
            QStyleOptionButton look;
            look.initFrom(option);
            const QRect contents = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &look, option);
            const QSize text = option->fontMetrics().size(Qt::TextSingleLine, option->text());
            QVERIFY2(text.width() <= contents.width() && text.height() <= contents.height(),
                     qPrintable(option->objectName()));
        }
        for (const QWidget* widget : m_window->findChildren<QWidget*>()) {
            if (qobject_cast<const QPushButton*>(widget) || qobject_cast<const QComboBox*>(widget)) {
                const QSize hint = widget->sizeHint();
                QVERIFY2(hint.width() <= widget->width() && hint.height() <= widget->height(),
                         qPrintable(QStringLiteral("%1 wants %2x%3").arg(widget->objectName()).arg(hint.width()).arg(hint.height())));
            }
        }
    }

    void tabPassesOverLabelsHiddenAndDisabledControls()
    {
        QCOMPARE(QApplication::focusWidget(), combo(1));
        const auto tabs = [](int count) {
            QStringList visited;
            for (int i = 0; i < count; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                visited << QApplication::focusWidget()->objectName();
            }
            return visited;
        };
        QCOMPARE(tabs(6), (QStringList{"Combo2", "Combo3", "cmdExit", "Text1", "Option1", "Combo1"}));

        QTest::keyClick(combo(1), Qt::Key_Down); // a choice enables Change
        QVERIFY(control("cmdChange")->isEnabled());
        QCOMPARE(tabs(3), (QStringList{"Combo2", "Combo3", "cmdChange"}));
    }

    void enterAndEscapePressNothing()
    {
        QTest::keyClick(combo(2), Qt::Key_Down);
        QSignalSpy change(control<QPushButton>("cmdChange"), &QPushButton::clicked);
        QSignalSpy exit(control<QPushButton>("cmdExit"), &QPushButton::clicked);
        for (const char* name : {"Combo2", "Text1", "Option1"}) {
            control(name)->setFocus();
            QTest::keyClick(control(name), Qt::Key_Return);
            QTest::keyClick(control(name), Qt::Key_Enter);
            QTest::keyClick(control(name), Qt::Key_Escape);
        }
        QCOMPARE(change.count(), 0);
        QCOMPARE(exit.count(), 0);
        QVERIFY(m_window->isVisible());
    }

    void logRefusesTypingWhileTheProgramAppends()
    {
        auto* log = control<QPlainTextEdit>("Text1");
        log->setFocus();
        QTest::keyClicks(log, "typed");
        QTest::keyClick(log, Qt::Key_Backspace);
        QCOMPARE(log->toPlainText(), QString());

        QTest::keyClick(combo(1), Qt::Key_Down);
        QTest::mouseClick(control("cmdChange"), Qt::LeftButton);
        QVERIFY(log->toPlainText().startsWith(QStringLiteral("levl2001.dat copied to levl2080.dat *** FAILED ***\n")));
        QCOMPARE(log->horizontalScrollBar()->maximum(), 0); // the separator wraps, never scrolls sideways
        QVERIFY(log->verticalScrollBar()->maximum() > 0);
    }

    void wholeSessionWithTheKeyboardAndMouse()
    {
        // Down five times from the default: "5 - Death from above".
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(combo(1), Qt::Key_Down);
        QCOMPARE(combo(1)->currentText(), QStringLiteral("5 - Death from above"));
        const std::string infBefore = levelFile("levl2080.inf");
        QTest::mouseClick(control("cmdChange"), Qt::LeftButton);

        std::string expected = "levl2005.dat copied to levl2080.dat\r\nlevl2005.hdr copied to levl2080.hdr\r\n"
                               "levl2005.ver copied to levl2080.ver\r\n";
        for (const char* slot : {"2100", "2120"})
            for (const char* extension : {".dat", ".hdr", ".ver", ".inf"})
                expected += std::string("levl") + slot + extension + " restored\r\n";
        expected += std::string(100, '-') + "\r\n";
        QCOMPARE(static_cast<ControlOperations&>(*m_window).text1Text(), expected);
        QCOMPARE(control<QPlainTextEdit>("Text1")->toPlainText(), QString::fromStdString(expected).replace("\r\n", "\n"));
        QCOMPARE(levelFile("levl2080.dat"), std::string("levl2005.dat original"));
        QCOMPARE(levelFile("levl2080.inf"), infBefore);
        QVERIFY(!control("cmdChange")->isEnabled());
    }

    void choosingTheShownEntryAgainEnablesChange()
    {
        QVERIFY(!control("cmdChange")->isEnabled());
        QComboBox* box = combo(3);
        QTest::mouseClick(box, Qt::LeftButton);
        QAbstractItemView* list = box->view();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        // A popup ignores a release that follows its opening within a double-click.
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        const QRect entry = list->visualRect(list->model()->index(box->currentIndex(), 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
        QTRY_VERIFY(!list->window()->isVisible());
        QCOMPARE(box->currentIndex(), 0);
        QVERIFY(control("cmdChange")->isEnabled());
    }

    void editionSwitchKeepsEachSetsChoices()
    {
        QTest::keyClick(combo(1), Qt::Key_Down);
        QTest::mouseClick(control("Option2"), Qt::LeftButton);
        for (int number = 1; number <= 6; ++number)
            QCOMPARE(combo(number)->isVisible(), number > 3);
        QVERIFY(control("cmdChange")->isEnabled());

        // Change now reads the expansion selectors, still on their defaults.
        QTest::mouseClick(control("cmdChange"), Qt::LeftButton);
        QVERIFY(static_cast<ControlOperations&>(*m_window).text1Text().starts_with("levl2080.dat restored\r\n"));
        QCOMPARE(levelFile("levl2080.dat"), std::string("levl2080.dat original"));

        QTest::mouseClick(control("Option1"), Qt::LeftButton);
        QVERIFY(combo(1)->isVisible() && !combo(4)->isVisible());
        QCOMPARE(combo(1)->currentText(), QStringLiteral("1 - The Journey Begins"));
    }

    void aboutIsOneModelessWindowThatEnterAndEscapeClose()
    {
        QAction* about = m_window->menuBar()->actions().front();
        about->trigger();
        about->trigger();
        QCOMPARE(visibleWindows(QStringLiteral("frmAbout")), 1);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        // The main window stays usable while it is open.
        QTest::mouseClick(control("Option2"), Qt::LeftButton);
        QVERIFY(combo(4)->isVisible());
        QTest::mouseClick(control("Option1"), Qt::LeftButton);

        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            about->trigger();
            QWidget* window = visibleWindow(QStringLiteral("frmAbout"));
            QVERIFY(window != nullptr);
            QTest::keyClick(window->focusWidget() != nullptr ? window->focusWidget() : window, key);
            QTRY_COMPARE(visibleWindows(QStringLiteral("frmAbout")), 0);
        }
    }

    void startUpWithoutTheGameShowsItsMessageBeforeTheWindow()
    {
        m_window.reset();
        InstalledGame noGame;
        std::filesystem::remove_all(noGame.prefix / "drive_c" / "Program Files");
        frmMain window(noGame.environment());

        QString text;
        QString title;
        bool windowShown = true;
        int buttons = 0;
        QMessageBox::Icon icon = QMessageBox::Warning;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            buttons = static_cast<int>(box->buttons().size());
            windowShown = window.isVisible();
            QTest::keyClick(box, Qt::Key_Return);
        });
        window.Form_Load();
        window.show();

        QCOMPARE(text, QStringLiteral("Error. Can't find Populous levels directory c:\\Program Files\\Bullfrog\\Populous\\levels. "
                                      "Check that you have done more than a minimum install to the default location"));
        QCOMPARE(title, QStringLiteral("Varnholt"));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons, 1);
        QVERIFY(!windowShown);
        QVERIFY(window.isVisible());
        QCOMPARE(window.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText(), QString());
        QVERIFY(!window.findChild<QPushButton*>(QStringLiteral("cmdChange"))->isEnabled());
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_gui_test.moc"
