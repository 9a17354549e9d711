#pragma once
// TScreenshotRunner: lets the finder take pictures of itself for the documentation and for runs
// without a display. Once enough products are listed (and, when asked, one of them stopped
// answering; or once the time is up) it sorts the list as asked, selects a row by device name the
// way a click does and writes the main window to a PNG file; optionally also the window with the
// silent product selected, the window with a filter typed, both pages of the Preferences dialog
// and the About dialog. Then it closes the window.
//
//   TScreenshotRunner::Options options;
//   options.mainFile = "docs/screenshots/main.png";
//   options.preferencesFile = "docs/screenshots/preferences.png";
//   options.products = 12;                          // wait for twelve products
//   options.selectName = "Foyer projector";
//   options.sortColumn = ZProductListModel::kAddress;
//   options.silentName = "Rehearsal Cuedeck";      // wait until it stopped answering
//   TScreenshotRunner runner(&window, options);
//   runner.Start();                                 // after window.show()
//   app.exec();                                     // ends when the pictures are written
//
// With rowsFile set it also writes the listed rows as text, so that runs on different systems
// can be compared by what they list.
//
// Ownership: the runner borrows the window, which must outlive it. UI thread only.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class TUnitFinderDialog;

class TScreenshotRunner : public QObject {
    Q_OBJECT

public:
    struct Options {
        QString mainFile;
        QString preferencesFile;  // empty: no picture of the dialog
        QString subnetsFile;      // the dialog's Subnets page; empty: none
        QString aboutFile;        // empty: no picture of the dialog
        QString silentFile;       // the window with silentName selected; empty: none
        QString filteredFile;     // the window with filterText typed; empty: none
        int products = 0;         // shoot as soon as this many are listed
        int timeoutMs = 10000;    // or when this much time has passed
        QString selectName;       // the row of the first product of that name; empty: none
        int sortColumn = -1;      // sort by this column first (the window's settings untouched)
        QString silentName;       // also wait until the product of that name is silent
        QString filterText;       // what filteredFile shows typed
        QString rowsFile;         // empty: none; else the listed rows as text (WriteRows)
    };

    TScreenshotRunner(TUnitFinderDialog* window, Options options);

    void Start();
    // Whether every picture (and the rows' file) was written.
    bool Succeeded() const { return succeeded_; }

    // Writes the listed products to file in list order, one line each: the texts of the list's
    // columns as the list shows them (name, type and model, version, address:port, description),
    // separated by tabs, in UTF-8. False when the file cannot be written.
    bool WriteRows(const QString& file) const;

private:
    void Poll();
    void Shoot();
    int ListedProducts() const;
    // The shown position of the first product named name; -1 when there is none.
    int IndexOf(const QString& name) const;
    bool IsSilent(const QString& name) const;
    // Scrolls the row of the product named name into view and presses on it, as the user would.
    void Select(const QString& name);

    TUnitFinderDialog* window_;
    Options options_;
    QTimer timer_;
    QElapsedTimer elapsed_;
    bool succeeded_ = false;
};
