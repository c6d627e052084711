// SPDX-License-Identifier: MIT
#pragma once

#include "session/controloperations.h"
#include "session/mainwindowlogic.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <string>

class QButtonGroup;
class QComboBox;
class QMessageBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace varnholt {

// The main window. It lays out the controls, hands every user event to the window
// logic, and carries out the logic's control operations on its widgets.
class frmMain : public QMainWindow, public ControlOperations {
    Q_OBJECT

public:
    explicit frmMain(LevelsFolderChoice folderChoice = {});
    ~frmMain() override;

    // Tests answer the program's message boxes through this hook instead of a person; the
    // box is then not shown. The program leaves it unset.
    using MessageBoxHook = std::function<void(QMessageBox& box)>;
    static void setMessageBoxHook(MessageBoxHook hook);

    // The load event: runs the start-up sequence. The program's entry calls it once,
    // before the window is first shown.
    void Form_Load();

    void setSelectorText(Selector selector, std::string_view text) override;
    [[nodiscard]] int selectorListIndex(Selector selector) const override;
    [[nodiscard]] LevelNumber selectorItemData(Selector selector, int index) const override;
    void setSelectorVisible(Selector selector, bool visible) override;
    [[nodiscard]] bool option1Value() const override;
    void setChangeEnabled(bool enabled) override;
    void appendText1Text(std::string_view text) override;

    // The whole text of the activity log, byte for byte, line ends included.
    [[nodiscard]] std::string text1Text() const;
    void setText1Text(std::string text);
    void showSlotContent(const LevelSlot& slot, std::string_view description) override;
    void showMessage(std::string_view text) override;
    void endProgram() override;

private:
    void mnuAbout_Click();
    void buildControls();
    void connectEvents();
    void raiseSelectorClick(Selector selector);
    [[nodiscard]] bool logFollowsNewestLine() const;
    void showNewestLogLine();
    [[nodiscard]] QComboBox* combo(Selector selector) const;

    std::array<QComboBox*, 6> m_combos {};
    std::array<QLabel*, 3> m_columnHeadings {};
    std::array<QLabel*, 3> m_playAsLabels {};
    QPushButton* m_cmdChange = nullptr;
    QPushButton* m_cmdExit = nullptr;
    QPlainTextEdit* m_Text1 = nullptr;
    QRadioButton* m_Option1 = nullptr;
    QRadioButton* m_Option2 = nullptr;
    QButtonGroup* m_editions = nullptr;
    QAction* m_mnuAbout = nullptr;

    // The log's text byte for byte, line ends included; the box shows it.
    std::string m_logText;
    QPointer<QDialog> m_about;
    MainWindowLogic m_logic;
};

} // namespace varnholt
