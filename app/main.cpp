// zUnitFinder: finds the Zelvane units on the local network and opens their client
// applications. Without arguments it shows the finder; the options below take pictures of it
// (for the documentation and for runs without a display) and then end.
//
//   zUnitFinder
//   zUnitFinder --screenshot shot.png --products 12 --timeout 8000
//   zUnitFinder --screenshots docs/screenshots --products 12 --select "Foyer projector"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>

#include "app/bitmap_resources.h"
#include "app/font_substitutes.h"
#include "app/screenshot_runner.h"
#include "app/string_table.h"
#include "app/ui_stall_meter.h"
#include "app/unitfinder_dialog.h"
#include "ndd/ndd_user_agent.h"

namespace {

constexpr char kTitle[] = "Zelvane Unit Finder";

INDDUserAgent* MakeAgent(const char* groupAddress, uint16_t localPort, uint16_t remotePort) {
    return new ZNDDUserAgent(groupAddress, localPort, remotePort);
}

// The toolkit's exception box: the message of what escaped, or none for anything else.
void ShowException(const QString& message) {
    QMessageBox::critical(nullptr, QString::fromLatin1(kTitle), message);
}

int Run(QApplication& app, QElapsedTimer& sinceStart) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kTitle));
    parser.addHelpOption();
    const QCommandLineOption screenshot("screenshot",
                                        "Write the main window to FILE (PNG) and quit.", "FILE");
    const QCommandLineOption screenshots(
        "screenshots", "Write main.png, preferences.png and about.png to DIR and quit.", "DIR");
    const QCommandLineOption products("products", "Take the pictures once N products are listed.",
                                      "N", "0");
    const QCommandLineOption timeout(
        "timeout", "Take the pictures after MS milliseconds at the latest.", "MS", "10000");
    const QCommandLineOption select("select", "Select the first product named NAME first.", "NAME");
    parser.addOptions({screenshot, screenshots, products, timeout, select});
    parser.process(app);

    TUnitFinderDialog window(MakeAgent);
    // Benchmarks ask for the UI thread's figures through the environment.
    std::unique_ptr<TUiStallMeter> meter = TUiStallMeter::FromEnvironment(&window, sinceStart);
    window.show();
    if (meter) {
        meter->Start();
    }

    std::unique_ptr<TScreenshotRunner> runner;
    if (parser.isSet(screenshot) || parser.isSet(screenshots)) {
        TScreenshotRunner::Options options;
        if (parser.isSet(screenshots)) {
            const QDir dir(parser.value(screenshots));
            options.mainFile = dir.filePath("main.png");
            options.preferencesFile = dir.filePath("preferences.png");
            options.aboutFile = dir.filePath("about.png");
        } else {
            options.mainFile = parser.value(screenshot);
        }
        options.products = parser.value(products).toInt();
        options.timeoutMs = parser.value(timeout).toInt();
        options.selectName = parser.value(select);
        runner = std::make_unique<TScreenshotRunner>(&window, options);
        runner->Start();
        // How long the start took, from the program's first line to a window on the screen.
        QTimer::singleShot(0, [&sinceStart] {
            std::fprintf(stderr, "zUnitFinder: window shown %lld ms after start\n",
                         static_cast<long long>(sinceStart.elapsed()));
        });
    }
    app.exec();
    if (meter) {
        meter->Finish();
    }
    return runner && !runner->Succeeded() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zUnitFinder"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kTitle));
    QApplication::setDesktopFileName(QStringLiteral("zunitfinder"));
    QApplication::setWindowIcon(ProgramIcon());
    InstallFontSubstitutes();
    RegisterStringTable();
    try {
        return Run(app, sinceStart);
    } catch (const std::exception& e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QString());
    }
    return 0;
}
