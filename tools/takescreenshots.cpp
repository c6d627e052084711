// SPDX-License-Identifier: MIT
// Draws the main window as a player sees it after one Change, and the About window, into
// the PNG files named on the command line: takescreenshots MAIN.png [ABOUT.png]
#include "gui/guitestsupport.h"
#include "mainwindow/frmmain.h"
#include "support/wineprefix.h"

#include <QComboBox>
#include <QFileInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <cstdio>

using namespace varnholt;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s MAIN.png [ABOUT.png]\n", argv[0]);
        return 2;
    }
    // Start-up moves into the levels folder: fix the paths first.
    const QString mainPicture = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString aboutPicture = argc == 3 ? QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath() : QString();
    test::setUpApplication();
    const test::InstalledGame game;
    frmMain window(game.environment());
    window.Form_Load();
    window.show();

    auto* levels = window.findChild<QComboBox*>(QStringLiteral("Combo1"));
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(levels, Qt::Key_Down);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdChange")), Qt::LeftButton);
    const bool mainSaved = window.grab().save(mainPicture);
    if (aboutPicture.isEmpty())
        return mainSaved ? 0 : 1;

    window.menuBar()->actions().front()->trigger();
    const QWidgetList about = test::visibleWindows(QStringLiteral("frmAbout"));
    const bool aboutSaved = about.size() == 1 && about.front()->grab().save(aboutPicture);
    return mainSaved && aboutSaved ? 0 : 1;
}
