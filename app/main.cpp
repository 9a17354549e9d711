// zUnitFinder: finds the Zelvane units on the local network and opens their client
// applications. Without arguments it shows the finder; the options below take pictures of it
// (for the documentation and for runs without a display) and then end. --help and --version
// print and end without opening a window, so they work without a display too.
//
//   zUnitFinder
//   zUnitFinder --version
//   zUnitFinder --screenshot shot.png --products 12 --timeout 8000
//   zUnitFinder --screenshots docs/screenshots --products 12 --select "Foyer projector"
//   zUnitFinder --screenshots DIR --sort address --silent "Rehearsal Cuedeck" --filter cuedeck

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "app/bitmap_resources.h"
#include "app/font_substitutes.h"
#include "app/module_version_info.h"
#include "app/screenshot_runner.h"
#include "app/string_table.h"
#include "app/ui_stall_meter.h"
#include "app/unitfinder_dialog.h"
#include "ndd/ndd_user_agent.h"
#include "platform/process/console.h"
#include "platform/registry/registry.h"

namespace {

constexpr char kTitle[] = "Zelvane Unit Finder";

INDDUserAgent* MakeAgent(const char* groupAddress, uint16_t localPort, uint16_t remotePort) {
    return new ZNDDUserAgent(groupAddress, localPort, remotePort);
}

// The toolkit's exception box: the message of what escaped, or none for anything else.
void ShowException(const QString& message) {
    QMessageBox::critical(nullptr, QString::fromLatin1(kTitle), message);
}

// The options of the program, declared once for the window and for --help alone.
struct FinderOptions {
    QCommandLineOption screenshot{"screenshot", "Write the main window to FILE (PNG) and quit.",
                                  "FILE"};
    QCommandLineOption screenshots{
        "screenshots",
        "Write main.png, preferences.png, subnets.png and about.png to DIR (and silent.png with "
        "--silent, filtered.png with --filter) and quit.",
        "DIR"};
    QCommandLineOption products{"products", "Take the pictures once N products are listed.", "N",
                                "0"};
    QCommandLineOption timeout{"timeout", "Take the pictures after MS milliseconds at the latest.",
                               "MS", "10000"};
    QCommandLineOption select{"select", "Select the first product named NAME first.", "NAME"};
    QCommandLineOption sort{
        "sort", "Sort the list by COLUMN first: name, type, version, address or description.",
        "COLUMN"};
    QCommandLineOption silent{
        "silent", "Wait until the product named NAME stopped answering, and picture it.", "NAME"};
    QCommandLineOption filter{"filter", "Picture the list filtered by TEXT.", "TEXT"};
    QCommandLineOption rows{"rows",
                            "With --screenshot: also write the listed rows to FILE (one product a "
                            "line, the columns' texts separated by tabs).",
                            "FILE"};

    void AddTo(QCommandLineParser& parser) const {
        parser.setApplicationDescription(
            QString::fromLatin1(kTitle) +
            QStringLiteral(": finds the Zelvane units on the local network and opens their "
                           "client applications."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions(
            {screenshot, screenshots, products, timeout, select, sort, silent, filter, rows});
    }
};

// The names the toolkit shows: the program's, its version (as the caption shows it) and its
// desktop entry.
void SetApplicationNames() {
    QCoreApplication::setApplicationName(QStringLiteral("zUnitFinder"));
    char version[128];
    QCoreApplication::setApplicationVersion(GetProgramVersionText(version, sizeof version)
                                                ? QString::fromUtf8(version)
                                                : QStringLiteral("(version unknown)"));
}

// Whether the arguments only ask for a text (help or version): those are answered without a
// window system, so they work where there is no display.
bool AsksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            break;
        }
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version") {
            return true;
        }
    }
    return false;
}

// Prints the help, the version or the error of a bad argument; the exit code. The program ends
// by returning, so everything is torn down as usual.
int PrintText(int argc, char** argv) {
    zplat::AttachParentConsole();
    QCoreApplication app(argc, argv);
    SetApplicationNames();
    QCommandLineParser parser;
    const FinderOptions options;
    options.AddTo(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 1;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
    } else {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
    }
    return 0;
}

int Run(QApplication& app, QElapsedTimer& sinceStart) {
    QCommandLineParser parser;
    const FinderOptions options;
    options.AddTo(parser);
    parser.process(app);
    const QCommandLineOption& screenshot = options.screenshot;
    const QCommandLineOption& screenshots = options.screenshots;
    const QCommandLineOption& products = options.products;
    const QCommandLineOption& timeout = options.timeout;
    const QCommandLineOption& select = options.select;
    const QCommandLineOption& sort = options.sort;
    const QCommandLineOption& silent = options.silent;
    const QCommandLineOption& filter = options.filter;
    const QCommandLineOption& rows = options.rows;

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
            options.subnetsFile = dir.filePath("subnets.png");
            options.aboutFile = dir.filePath("about.png");
            if (parser.isSet(silent)) {
                options.silentFile = dir.filePath("silent.png");
            }
            if (parser.isSet(filter)) {
                options.filteredFile = dir.filePath("filtered.png");
            }
        } else {
            options.mainFile = parser.value(screenshot);
        }
        options.products = parser.value(products).toInt();
        options.timeoutMs = parser.value(timeout).toInt();
        options.selectName = parser.value(select);
        options.silentName = parser.value(silent);
        options.filterText = parser.value(filter);
        if (parser.isSet(sort)) {
            static const QStringList kColumns = {"name", "type", "version", "address",
                                                 "description"};
            options.sortColumn = static_cast<int>(kColumns.indexOf(parser.value(sort)));
            if (options.sortColumn < 0) {
                std::fprintf(stderr, "zUnitFinder: --sort %s: give one of %s\n",
                             qPrintable(parser.value(sort)), qPrintable(kColumns.join(", ")));
                return 2;
            }
        }
        options.rowsFile = parser.value(rows);
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
    if (AsksForTextOnly(argc, argv)) {
        return PrintText(argc, argv);
    }
    QApplication app(argc, argv);
    SetApplicationNames();
    // No application display name: Qt appends it to every title that does not end with it, so
    // the caption would read "Zelvane Unit Finder 1.0.0 - Zelvane Unit Finder".
    QApplication::setDesktopFileName(QStringLiteral("zunitfinder"));
    QApplication::setWindowIcon(ProgramIcon());
    InstallFontSubstitutes();
    RegisterStringTable();
    // The Wine registry files are read on a worker while the window comes up, so that the first
    // client lookup (when a device is selected) finds them read instead of freezing the window.
    struct WarmedRegistry {
        std::thread worker{[] {
            zplat::WarmRegistry();
            for (const std::string& problem : zplat::RegistryProblems()) {
                std::fprintf(stderr, "zUnitFinder: warning: %s\n", problem.c_str());
            }
        }};
        ~WarmedRegistry() { worker.join(); }
    } warmed;
    try {
        return Run(app, sinceStart);
    } catch (const std::exception& e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QString());
    }
    return 0;
}
