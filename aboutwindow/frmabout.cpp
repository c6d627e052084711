// SPDX-License-Identifier: MIT
#include "frmabout.h"

#include "aboutwindow/aboutwindow.h"
#include "windowkit/dialogfont.h"
#include "windowkit/labels.h"
#include "windowkit/pictures.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace varnholt {
namespace {

// Every label of the About window is left-aligned; some draw in black.
QLabel* makeAboutLabel(QWidget* parent, const char* name, const QString& text, QRect geometry, bool black)
{
    QLabel* label = makeLabel(parent, name, text, geometry, Qt::AlignLeft | Qt::AlignTop);
    if (black)
        drawInBlack(label);
    return label;
}

// Where the player finds help on this machine: the manual page on Linux, and on Windows
// the README installed beside the program.
#ifdef Q_OS_WIN
const char* const contactLine = "Help: see README.md";
#else
const char* const contactLine = "Help: man varnholt";
#endif

} // namespace

frmAbout::frmAbout(QWidget* owner)
    : QDialog(owner,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Varnholt"));
    setWindowIcon(programIcon());
    setFont(dialogFont());
    setFixedSize(407, 156);

    m_picIcon = new QLabel(this);
    m_picIcon->setObjectName(QStringLiteral("picIcon"));
    m_picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_picIcon->setLineWidth(2);
    m_picIcon->setPixmap(programIconPicture(devicePixelRatioF()));
    m_picIcon->setAccessibleName(QStringLiteral("Varnholt icon"));
    m_picIcon->setAlignment(Qt::AlignCenter);
    m_picIcon->setGeometry(16, 16, 36, 36);

    m_lblDescription = makeAboutLabel(this, "lblDescription",
        QStringLiteral("Copies Populous level files to allow single player levels to be played as multiplayer."),
        { 72, 80, 259, 30 }, true);
    m_lblTitle = makeAboutLabel(this, "lblTitle", QStringLiteral("Varnholt"), { 70, 16, 259, 32 }, true);
    m_lblVersion = makeAboutLabel(this, "lblVersion", QStringLiteral("Version 4"), { 70, 52, 259, 15 }, false);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setGeometry(312, 128, 84, 23);
    // The default button: Enter presses it. Escape closes the window the same way (reject).
    m_cmdOK->setDefault(true);
    m_cmdOK->setFocus();

    m_Label1 = makeAboutLabel(this, "Label1", QString::fromLatin1(contactLine), { 184, 127, 121, 25 }, false);
    m_lblDisclaimer = makeAboutLabel(
        this, "lblDisclaimer", QStringLiteral("An unofficial fan utility."), { 8, 128, 153, 23 }, true);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setGeometry(8, 120, 393, 1);
    line->setAutoFillBackground(true);
    line->setBackgroundRole(QPalette::WindowText);

    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    // Escape and the close box reject the dialog, which closes it just as OK does.
}

void frmAbout::cmdOK_Click()
{
    close();
}

void showAboutWindow(QPointer<QDialog>& window, QWidget* owner)
{
    if (!window)
        window = new frmAbout(owner);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace varnholt
