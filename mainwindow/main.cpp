// SPDX-License-Identifier: MIT
#include "dialogfont.h"
#include "frmmain.h"
#include "quitafterlastwindow.h"
#include "resources/pictures.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnholt"));
    QApplication::setApplicationVersion(QStringLiteral("4"));
    QApplication::setFont(varnholt::dialogFont());
    QApplication::setWindowIcon(varnholt::programIcon());
    const varnholt::QuitAfterLastWindow lifetime;

    varnholt::frmMain window;
    // Start-up runs before the window is first shown, so its message comes first.
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
