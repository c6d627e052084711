// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

namespace varnholt {

// Ends the program when neither the main window nor the About window is open any
// longer. Qt's own rule does not count tool windows such as the About window, which
// must keep the program running after the main window was closed through its frame.
class QuitAfterLastWindow : public QObject {
    Q_OBJECT

public:
    QuitAfterLastWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool isProgramWindow(const QObject* object);
    void quitIfNoWindowIsOpen();
};

} // namespace varnholt
