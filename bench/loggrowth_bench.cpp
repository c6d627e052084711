// SPDX-License-Identifier: MIT
// 2,000 Changes through the real main window (offscreen, levels on tmpfs): does a Change
// cost as much at the end of a long session as at its start? The log's text must stay
// byte for byte what reading it whole and writing it back with a line added would give.
#include "median.h"

#include "catalogue/levelcatalogue.h"
#include "mainwindow/frmmain.h"
#include "windowkit/application.h"

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr int changes = 2000;
constexpr int window = 100;

// The lines one Change writes when the 2-player slot takes this level.
std::string linesOfChange(int level)
{
    std::string lines;
    for (const std::string_view extension : varnholt::levelFileExtensions)
        if (extension != varnholt::infExtension || !varnholt::isInInfExclusionSet(level))
            lines += varnholt::levelFileName(level, extension) + " copied to "
                + varnholt::levelFileName(2080, extension) + "\r\n";
    for (const int slot : { 2100, 2120 })
        for (const std::string_view extension : varnholt::levelFileExtensions)
            lines += varnholt::levelFileName(slot, extension) + " restored\r\n";
    return lines + std::string(100, '-') + "\r\n";
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    varnholt::setUpApplication();

    std::string pattern = "/dev/shm/varnholt-loggrowth-XXXXXX";
    const fs::path prefix = ::mkdtemp(pattern.data());
    fs::create_directories(prefix / "drive_c/Program Files/Bullfrog/Populous/levels");
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices/c:");
    const fs::path levels = prefix / "drive_c/Program Files/Bullfrog/Populous/levels";
    for (const int level : { 2080, 2100, 2120, 2020, 2021 })
        for (const std::string_view extension : varnholt::levelFileExtensions)
            std::ofstream(levels / varnholt::levelFileName(level, extension)) << "level " << level << '\n';

    varnholt::frmMain main(varnholt::LevelsFolderChoice { [&](const char* name) -> std::optional<std::string> {
        return std::string_view(name) == "WINEPREFIX" ? std::optional(prefix.string()) : std::nullopt;
    } });
    main.Form_Load();
    main.show();
    main.setText1Text({});
    auto* levelsOfTwo = main.findChild<QComboBox*>(QStringLiteral("Combo1"));
    auto* change = main.findChild<QPushButton*>(QStringLiteral("cmdChange"));

    std::vector<double> costs;
    std::string expected;
    for (int i = 0; i < changes; ++i) {
        // The last two entries in turn: "20 - Archipelago" keeps the slot's ".inf", "21 - ..." does not.
        QTest::keyClick(levelsOfTwo, i % 2 == 0 ? Qt::Key_End : Qt::Key_Up);
        const int level = levelsOfTwo->currentData().toInt();
        const auto start = std::chrono::steady_clock::now();
        change->click();
        costs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        expected += linesOfChange(level);
    }
    const bool exact = main.text1Text() == expected
        && main.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText()
            == QString::fromStdString(expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    fs::remove_all(prefix);

    const double first = varnholt::bench::median({ costs.begin(), costs.begin() + window });
    const double last = varnholt::bench::median({ costs.end() - window, costs.end() });
    std::printf("%d Changes, log %zu bytes at the end: first %d median %.3f ms, last %d median %.3f ms, ratio %.2f; "
                "log text %s\n",
        changes, expected.size(), window, first, window, last, last / first, exact ? "exact" : "WRONG");
    return exact ? 0 : 1;
}
