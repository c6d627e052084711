// SPDX-License-Identifier: MIT
#include "frmmain.h"
#include "platform/processio.h"
#include "session/commandline.h"
#include "windowkit/application.h"
#include "windowkit/quitafterlastwindow.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

void refuse(std::string_view reason)
{
    std::cerr << "varnholt: " << reason << '\n' << varnholt::usageLine << '\n';
}

// Without a display the toolkit would end the program with an abort; on Linux that is
// foreseen from the environment, and said in one line instead.
bool displayMayBeThere()
{
#ifdef Q_OS_LINUX
    for (const char* variable : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" }) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
#else
    return true;
#endif
}

// While the application is made, a display that is named but cannot be reached makes the
// toolkit give up with a fatal message and an abort: the program ends with its own status.
QtMessageHandler toolkitMessages = nullptr;
void endWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "varnholt: no window can be opened: %s\n", qPrintable(message.section(u'\n', 0, 0)));
        std::_Exit(varnholt::exitNoDisplay);
    }
    toolkitMessages(type, context, message);
}

int run(int argc, char* argv[])
{
    // Before anything is printed: from a Windows command prompt, output reaches it.
    varnholt::platform::connectToParentConsole();

    const std::vector<std::string> arguments = varnholt::platform::commandLineArguments(argc, argv);
    const varnholt::CommandLine commandLine = varnholt::parseCommandLine(arguments);
    if (!commandLine.refusal.empty()) {
        refuse(commandLine.refusal);
        return varnholt::exitCommandLineRefused;
    }
    const varnholt::LevelsFolderChoice choice(varnholt::processEnvironment,
        commandLine.levelsFolder ? std::optional(varnholt::platform::pathFromArgument(*commandLine.levelsFolder))
                                 : std::nullopt);
    if (const std::optional<int> printed
        = varnholt::runPrintingOption(commandLine, choice, std::cout, std::cerr, VARNHOLT_VERSION))
        return *printed;

    if (!displayMayBeThere()) {
        std::cerr << "varnholt: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); "
                     "--list-levels-folders and --show-slots need none\n";
        return varnholt::exitNoDisplay;
    }
    // The command line is read: the toolkit gets only the program's name, so that none of
    // its own options can hide in a folder's name.
    static int toolkitArgc = 1;
    toolkitMessages = qInstallMessageHandler(endWithoutDisplay);
    const QApplication app(toolkitArgc, argv);
    qInstallMessageHandler(toolkitMessages);
    varnholt::setUpApplication();
    const varnholt::QuitAfterLastWindow lifetime;

    try {
        varnholt::frmMain window(choice);
        // Start-up runs before the window is first shown, so its message comes first.
        window.Form_Load();
        window.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        // Started from the desktop, a player sees no standard error: the box tells it.
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
            QStringLiteral("Varnholt stopped on an unexpected error: %1").arg(QString::fromUtf8(error.what())),
            QMessageBox::Ok);
        box.exec();
        throw;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // The last guard: whatever no part of the program foresaw is told with its message and
    // a status of its own, never an abort.
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "varnholt: an unexpected error: " << error.what() << '\n';
        return varnholt::exitUnexpectedError;
    }
}
