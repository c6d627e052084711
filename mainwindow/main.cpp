// SPDX-License-Identifier: MIT
#include "commandline.h"
#include "frmmain.h"
#include "windowkit/application.h"
#include "windowkit/quitafterlastwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <iostream>
#include <memory>

namespace {

struct Options {
    QCommandLineOption levelsFolder { QStringLiteral("levels-folder"),
        QStringLiteral("Use the game's levels folder <folder> and no other."), QStringLiteral("folder") };
    QCommandLineOption listLevelsFolders { QStringLiteral("list-levels-folders"),
        QStringLiteral("Print every levels folder found, the one used first, and exit.") };
    QCommandLineOption verbose { QStringLiteral("verbose"),
        QStringLiteral(
            "With --list-levels-folders: print every place looked at, and what was found there or why not.") };
    QCommandLineOption showSlots { QStringLiteral("show-slots"),
        QStringLiteral("Print what each multiplayer slot holds now, and exit.") };
};

// Only these options run without a window, and so without a display.
bool wantsNoWindow(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--list-levels-folders" || argument == "--show-slots" || argument == "--help"
            || argument == "-h" || argument == "--help-all" || argument == "--version" || argument == "-v")
            return true;
    }
    return false;
}

varnholt::LevelsFolderChoice folderChoice(const QCommandLineParser& parser, const Options& options)
{
    if (!parser.isSet(options.levelsFolder))
        return {};
    return { varnholt::processEnvironment, QDir(parser.value(options.levelsFolder)).absolutePath().toStdString() };
}

} // namespace

int main(int argc, char* argv[])
{
    // Asked from a command line, the program needs no display at all.
    const std::unique_ptr<QCoreApplication> app = wantsNoWindow(argc, argv)
        ? std::make_unique<QCoreApplication>(argc, argv)
        : std::make_unique<QApplication>(argc, argv);
    varnholt::setUpApplication();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Puts single-player levels of Populous The Beginning in the place of its multiplayer levels."));
    parser.addHelpOption();
    parser.addVersionOption();
    const Options options;
    parser.addOptions({ options.levelsFolder, options.listLevelsFolders, options.verbose, options.showSlots });
    parser.process(*app);
    const varnholt::LevelsFolderChoice choice = folderChoice(parser, options);
    if (parser.isSet(options.listLevelsFolders))
        return varnholt::listLevelsFolders(choice, std::cout, std::cerr, parser.isSet(options.verbose));
    if (parser.isSet(options.showSlots))
        return varnholt::showSlots(choice, std::cout, std::cerr);

    const varnholt::QuitAfterLastWindow lifetime;

    varnholt::frmMain window(choice);
    // Start-up runs before the window is first shown, so its message comes first.
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
