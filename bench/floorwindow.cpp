// SPDX-License-Identifier: MIT
// The floor for the start-up benchmark: a Qt Widgets window with the same kinds and
// number of widgets as the main window, in the same font and places, and no logic.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
#ifdef Q_OS_WIN
    QFont font(QStringLiteral("Microsoft Sans Serif"));
#else
    QFont font(QStringLiteral("Liberation Sans"));
#endif
    font.setPointSizeF(8);
    QApplication::setFont(font);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.menuBar()->addAction(QStringLiteral("About"));
    auto* client = new QWidget(&window);
    client->setFixedSize(662, 538);
    window.setCentralWidget(client);

    QPixmap banner(350, 128);
    banner.fill(Qt::darkBlue);
    auto* picture = new QLabel(client);
    picture->setPixmap(banner);
    picture->setGeometry(168, 8, 354, 132);
    for (int i = 0; i < 8; ++i) {
        auto* label = new QLabel(QStringLiteral("Label %1 with a few words in it").arg(i), client);
        label->setWordWrap(true);
        label->setGeometry(8 + (i % 3) * 224, 144 + (i / 3) * 100, 217, 33);
    }
    const int entries[] = { 13, 5, 10, 9, 3, 3 };
    for (int i = 0; i < 6; ++i) {
        auto* box = new QComboBox(client);
        for (int entry = 0; entry < entries[i]; ++entry)
            box->addItem(QStringLiteral("%1 - A level of the game").arg(entry), 2000 + entry);
        box->setGeometry(8 + (i % 3) * 224, 264, 217, 24);
        box->setVisible(i < 3);
    }
    (new QPushButton(QStringLiteral("Change"), client))->setGeometry(560, 392, 81, 33);
    (new QPushButton(QStringLiteral("Exit"), client))->setGeometry(464, 392, 89, 33);
    (new QPlainTextEdit(client))->setGeometry(8, 336, 449, 94);
    (new QRadioButton(QStringLiteral("Populous The Beginning"), client))->setGeometry(464, 336, 177, 17);
    (new QRadioButton(QStringLiteral("Undiscovered Worlds"), client))->setGeometry(464, 360, 169, 17);
    auto* line = new QFrame(client);
    line->setGeometry(8, 439, 641, 2);
    window.setFixedSize(662, 538 + window.menuBar()->sizeHint().height());
    window.show();
    return QApplication::exec();
}
