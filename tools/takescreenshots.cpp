// SPDX-License-Identifier: MIT
// Draws the main window as a player sees it after one Change, the About window, and the
// main window with the tooltip that tells what the 2-player slot holds, into the PNG files
// named on the command line: takescreenshots MAIN.png [ABOUT.png [SLOT-TOOLTIP.png]]
#include "gui/guitestsupport.h"
#include "mainwindow/frmmain.h"
#include "support/wineprefix.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHelpEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include <cstdio>

using namespace varnholt;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s MAIN.png [ABOUT.png [SLOT-TOOLTIP.png]]\n", argv[0]);
        return 2;
    }
    // Start-up moves into the levels folder: fix the paths first.
    const QString mainPicture = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString aboutPicture = argc >= 3 ? QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath() : QString();
    const QString tooltipPicture
        = argc == 4 ? QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath() : QString();
    setUpApplication();
    const test::InstalledGame game;
    frmMain window(game.environment());
    window.Form_Load();
    window.show();

    auto* levels = window.findChild<QComboBox*>(QStringLiteral("Combo1"));
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(levels, Qt::Key_Down);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdChange")), Qt::LeftButton);
    const bool mainSaved = window.grab().save(mainPicture);
    bool tooltipSaved = true;
    if (!tooltipPicture.isEmpty()) {
        // Asked for its tooltip as the mouse resting on it asks, the selector shows it in
        // a window of its own, which is drawn over the main window's picture.
        const QPoint over = levels->rect().center();
        QHelpEvent hover(QEvent::ToolTip, over, levels->mapToGlobal(over));
        QApplication::sendEvent(levels, &hover);
        // Taken at once: the offscreen platform activates the tip's own window, and the
        // main window's deactivation would hide the tip again.
        QWidget* tip = nullptr;
        for (QWidget* shown : QApplication::topLevelWidgets())
            if (shown->isVisible() && QLatin1String(shown->metaObject()->className()) == QLatin1String("QTipLabel"))
                tip = shown;
        if (tip == nullptr)
            return 1;
        QPixmap picture = window.grab();
        QPainter painter(&picture);
        painter.drawPixmap(window.mapFromGlobal(tip->mapToGlobal(QPoint())), tip->grab());
        painter.end();
        tooltipSaved = picture.save(tooltipPicture);
        QToolTip::hideText();
    }
    if (aboutPicture.isEmpty())
        return mainSaved && tooltipSaved ? 0 : 1;

    window.menuBar()->actions().front()->trigger();
    const QWidgetList about = test::visibleWindows(QStringLiteral("frmAbout"));
    const bool aboutSaved = about.size() == 1 && about.front()->grab().save(aboutPicture);
    return mainSaved && aboutSaved && tooltipSaved ? 0 : 1;
}
