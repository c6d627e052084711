// SPDX-License-Identifier: MIT
#include "frmmain.h"

#include "aboutwindow/aboutwindow.h"
#include "windowkit/dialogfont.h"
#include "windowkit/labels.h"
#include "windowkit/pictures.h"
#include "windowkit/qttext.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

namespace varnholt {
namespace {

// Why a file operation failed, beside its line in the log: on standard error, or in the
// journal when the program was started from a desktop.
Q_LOGGING_CATEGORY(fileFailures, "varnholt.files")

frmMain::MessageBoxHook& messageBoxHook()
{
    static frmMain::MessageBoxHook hook;
    return hook;
}

void writeReason(std::string_view reason)
{
    qCWarning(fileFailures).noquote() << qtText(reason);
}

constexpr int clientWidth = 662;
constexpr int clientHeight = 538;

// Each selector's place, shared by the two selectors of a column.
constexpr std::array<QRect, 3> selectorPlaces { { { 8, 264, 217, 24 }, { 232, 264, 225, 24 }, { 464, 264, 193, 24 } } };

// "progam" and the double blank after "position!" are the program's own text, kept as
// players have always read it.
const QString description = QStringLiteral(
    "This progam copies single player levels over multiplayer levels so that you can play them as "
    "multiplayer. Each player has to have a Recommended or Full install of Populous into the default "
    "directory on their C drive, the patch v1.1 installed, and to have picked the SAME level using this "
    "program. Note, the single player levels often don't give the tribes a fair and equal starting "
    "position!  To restore the original multiplayer levels, rerun this program selecting the defaults. "
    "Have Fun!!!");

// Columns from the left: the 2-, 3- and 4-player slots.
std::size_t columnOf(Selector selector)
{
    return static_cast<std::size_t>(slotOf(selector).players - 2);
}

using ClickProcedure = void (MainWindowLogic::*)();
constexpr std::array<ClickProcedure, 6> selectorClickProcedures { &MainWindowLogic::Combo1_Click,
    &MainWindowLogic::Combo2_Click, &MainWindowLogic::Combo3_Click, &MainWindowLogic::Combo4_Click,
    &MainWindowLogic::Combo5_Click, &MainWindowLogic::Combo6_Click };

// The box shows line ends as Qt does; the log itself keeps them as written.
QString forDisplay(std::string_view text)
{
    QString shown = qtText(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

} // namespace

frmMain::frmMain(LevelsFolderChoice folderChoice)
    : m_logic(*this, std::move(folderChoice), writeReason)
{
    setObjectName(QStringLiteral("frmMain"));
    // A fixed frame: title, system menu, minimise and close, never maximise; on Windows a
    // thin frame with no sizing border.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Varnholt"));
    setWindowIcon(programIcon());
    setFont(dialogFont());
    buildControls();
    connectEvents();
    // As big as the client and the menu bar above it, however tall the system draws that.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmMain::~frmMain() = default;

void frmMain::buildControls()
{
    m_mnuAbout = menuBar()->addAction(QStringLiteral("About"));
    m_mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(clientWidth, clientHeight);
    setCentralWidget(client);

    auto* banner = new QLabel(client);
    banner->setObjectName(QStringLiteral("Image1"));
    banner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    banner->setLineWidth(2);
    banner->setPixmap(bannerPicture(devicePixelRatioF()));
    banner->setGeometry(168, 8, 354, 132);

    QLabel* heading
        = makeLabel(client, "Label1", QStringLiteral("Play single player levels as multiplayer"), { 56, 144, 545, 89 });
    heading->setFont(headingFont());
    m_columnHeadings = { makeLabel(client, "Label12", QStringLiteral("2 player levels"), { 8, 240, 217, 17 }),
        makeLabel(client, "Label13", QStringLiteral("3 player levels"), { 232, 240, 225, 17 }),
        // The double blank is the program's own text, kept as players have always read it.
        makeLabel(client, "Label14", QStringLiteral("4  player levels"), { 464, 240, 193, 17 }) };

    for (const Selector selector : allSelectors) {
        auto* box = new QComboBox(client);
        const auto number = static_cast<std::size_t>(selector);
        box->setObjectName(QStringLiteral("Combo%1").arg(number + 1));
        for (const SelectorEntry& entry : entriesOf(selector))
            box->addItem(qtText(entry.text), entry.levelNumber);
        // No current entry until start-up chooses the default.
        box->setCurrentIndex(-1);
        box->setGeometry(selectorPlaces.at(columnOf(selector)));
        m_combos.at(number) = box;
        frmMain::setSelectorVisible(selector, editionOf(selector) == Edition::BaseGame);
    }

    m_playAsLabels = { makeLabel(client, "Label9", QStringLiteral("play as Hills divide us"), { 8, 296, 217, 33 }),
        makeLabel(client, "Label10", QStringLiteral("play as Linked Isles"), { 232, 296, 225, 33 }),
        makeLabel(client, "Label11", QStringLiteral("play as Two on Two"), { 464, 296, 193, 33 }) };
    makeLabel(client, "Label15", description, { 8, 448, 641, 81 }, Qt::AlignLeft | Qt::AlignTop);

    // Neither button is a default button: Enter and Escape mean nothing window-wide.
    m_cmdChange = new QPushButton(QStringLiteral("Change"), client);
    m_cmdChange->setObjectName(QStringLiteral("cmdChange"));
    m_cmdChange->setAutoDefault(false);
    m_cmdChange->setGeometry(560, 392, 81, 33);
    m_cmdChange->setEnabled(false);
    m_cmdExit = new QPushButton(QStringLiteral("Exit"), client);
    m_cmdExit->setObjectName(QStringLiteral("cmdExit"));
    m_cmdExit->setAutoDefault(false);
    m_cmdExit->setGeometry(464, 392, 89, 33);

    m_Text1 = new QPlainTextEdit(client);
    m_Text1->setObjectName(QStringLiteral("Text1"));
    m_Text1->setGeometry(8, 336, 449, 94);
    m_Text1->setReadOnly(true);
    m_Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette logPalette = m_Text1->palette();
    logPalette.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
    m_Text1->setPalette(logPalette);

    m_Option1 = new QRadioButton(QStringLiteral("Populous The Beginning"), client);
    m_Option1->setObjectName(QStringLiteral("Option1"));
    m_Option1->setGeometry(464, 336, 177, 17);
    m_Option1->setChecked(true);
    m_Option2 = new QRadioButton(QStringLiteral("Undiscovered Worlds"), client);
    m_Option2->setObjectName(QStringLiteral("Option2"));
    m_Option2->setGeometry(464, 360, 169, 17);
    m_editions = new QButtonGroup(this);
    m_editions->addButton(m_Option1);
    m_editions->addButton(m_Option2);

    auto* line = new QFrame(client);
    line->setObjectName(QStringLiteral("Line1"));
    line->setGeometry(8, 439, 641, 2);
    line->setAutoFillBackground(true);
    QPalette linePalette = line->palette();
    linePalette.setColor(QPalette::Window, Qt::white);
    line->setPalette(linePalette);

    // What a screen reader says: a selector by its column, not by the level it shows.
    // Windows takes the name; Linux takes the column heading that labels the selector.
    const std::array<QString, 3> columns { QStringLiteral("2 player levels"), QStringLiteral("3 player levels"),
        QStringLiteral("4 player levels") };
    for (const Selector selector : allSelectors)
        combo(selector)->setAccessibleName(columns.at(columnOf(selector)));
    m_Text1->setAccessibleName(QStringLiteral("Activity log"));
    banner->setAccessibleName(QStringLiteral("Populous The Beginning"));

    // Tab order; labels, hidden and disabled controls are passed over.
    QWidget* previous = combo(Selector::Combo1);
    for (QWidget* next : std::initializer_list<QWidget*> { combo(Selector::Combo2), combo(Selector::Combo3),
             m_cmdChange, m_cmdExit, m_Text1, m_Option1, m_Option2, combo(Selector::Combo4), combo(Selector::Combo5),
             combo(Selector::Combo6) }) {
        setTabOrder(previous, next);
        previous = next;
    }
}

void frmMain::connectEvents()
{
    for (const Selector selector : allSelectors) {
        // activated: the user chose an entry, also the one already shown.
        connect(combo(selector), &QComboBox::activated, this, [this, selector] { raiseSelectorClick(selector); });
    }
    connect(m_cmdChange, &QPushButton::clicked, this, [this] { m_logic.cmdChange_Click(); });
    connect(m_cmdExit, &QPushButton::clicked, this, [this] { m_logic.cmdExit_Click(); });
    // The edition buttons, watched in one place: the one chosen shows its selectors.
    connect(m_editions, &QButtonGroup::buttonToggled, this, [this](QAbstractButton* button, bool chosen) {
        if (chosen && button == m_Option1)
            m_logic.Option1_Click();
        else if (chosen)
            m_logic.Option2_Click();
    });
    connect(m_mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::Form_Load()
{
    m_logic.Form_Load();
    // Focus rests on the first control that can take it.
    combo(Selector::Combo1)->setFocus();
    // What the slots hold is read once the window is on screen, so it never delays it.
    QTimer::singleShot(0, this, [this] { m_logic.showWhatSlotsHold(); });
}

void frmMain::mnuAbout_Click()
{
    showAboutWindow(m_about, this);
}

QComboBox* frmMain::combo(Selector selector) const
{
    return m_combos.at(static_cast<std::size_t>(selector));
}

void frmMain::raiseSelectorClick(Selector selector)
{
    (m_logic.*selectorClickProcedures.at(static_cast<std::size_t>(selector)))();
}

void frmMain::setSelectorText(Selector selector, std::string_view text)
{
    QComboBox* box = combo(selector);
    const int index = box->findText(qtText(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return; // no such entry: the selector keeps the one it has
    box->setCurrentIndex(index);
    // Setting the entry raises the selector's Click event, as choosing it does.
    raiseSelectorClick(selector);
}

int frmMain::selectorListIndex(Selector selector) const
{
    return combo(selector)->currentIndex();
}

LevelNumber frmMain::selectorItemData(Selector selector, int index) const
{
    return combo(selector)->itemData(index).toInt();
}

void frmMain::setSelectorVisible(Selector selector, bool visible)
{
    combo(selector)->setVisible(visible);
    // The column's heading labels the selector shown in it, for screen readers.
    if (visible)
        m_columnHeadings.at(columnOf(selector))->setBuddy(combo(selector));
}

bool frmMain::option1Value() const
{
    return m_Option1->isChecked();
}

void frmMain::setChangeEnabled(bool enabled)
{
    m_cmdChange->setEnabled(enabled);
}

std::string frmMain::text1Text() const
{
    return m_logText;
}

void frmMain::setText1Text(std::string text)
{
    const bool following = logFollowsNewestLine();
    m_logText = std::move(text);
    m_Text1->setPlainText(forDisplay(m_logText));
    if (following)
        showNewestLogLine();
}

void frmMain::appendText1Text(std::string_view text)
{
    const bool following = logFollowsNewestLine();
    // A line end split between two appends would show as two; show it whole instead.
    if (m_logText.ends_with('\r') && text.starts_with('\n')) {
        m_logText += text;
        m_Text1->setPlainText(forDisplay(m_logText));
    } else {
        m_logText += text;
        QTextCursor end(m_Text1->document());
        end.movePosition(QTextCursor::End);
        end.insertText(forDisplay(text));
    }
    if (following)
        showNewestLogLine();
}

bool frmMain::logFollowsNewestLine() const
{
    // Unless the player has scrolled up, or is selecting something to copy. The empty
    // line after the last line end may be out of view: the newest line is still seen.
    const QScrollBar* bar = m_Text1->verticalScrollBar();
    return bar->maximum() - bar->value() <= 1 && !m_Text1->textCursor().hasSelection();
}

void frmMain::showNewestLogLine()
{
    m_Text1->verticalScrollBar()->setValue(m_Text1->verticalScrollBar()->maximum());
}

void frmMain::showSlotContent(const LevelSlot& slot, std::string_view holds)
{
    const QString text = qtText(holds);
    for (QWidget* control : std::initializer_list<QWidget*> { combo(slot.baseGameSelector),
             combo(slot.expansionSelector), m_playAsLabels.at(static_cast<std::size_t>(slot.players - 2)) }) {
        control->setToolTip(text);
        control->setAccessibleDescription(text);
    }
}

void frmMain::setMessageBoxHook(MessageBoxHook hook)
{
    messageBoxHook() = std::move(hook);
}

void frmMain::showMessage(std::string_view text)
{
    // No caption of our own: the box shows the application's name.
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), qtText(text), QMessageBox::Ok,
        isVisible() ? this : nullptr);
    if (messageBoxHook())
        messageBoxHook()(box);
    else
        box.exec();
}

void frmMain::endProgram()
{
    // Every window goes at once, the About window too; no close procedure runs.
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}

} // namespace varnholt
