// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace varnholt {

// The About window: the program's title, version and description. It is modeless, so
// the main window stays usable while it is open. The main window owns it: it has no
// task-bar button of its own and stays above the main window. It deletes itself when it
// closes, and the next opening builds it afresh.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* owner);

private:
    // OK, and Enter or Escape anywhere in the window: unload it.
    void cmdOK_Click();

    QLabel* m_picIcon;
    QLabel* m_lblDescription;
    QLabel* m_lblTitle;
    QLabel* m_lblVersion;
    QPushButton* m_cmdOK;
    QLabel* m_Label1;
    QLabel* m_lblDisclaimer;
};

} // namespace varnholt
