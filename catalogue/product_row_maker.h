#pragma once
// ZProductRowMaker: the rows of products as zunit scan prints them and the finder exports them:
// the product's own texts (ZProductRow::FromProduct) and, with details, whether its client
// application is installed and the local address and adapter its latest answer came in through
// (from a ZProductTracker that hears the same agent).
//
//   ZProductRowMaker maker(&tracker);                // null tracker: no local interface
//   ZProductRowMaker::InstalledMemo installed;        // one per table
//   for (ZProduct* p : products) table.Add(maker.Make(*p, true, &installed));
//
// Client checks read the registry and depend on the kind and the major version only, so a table
// of thousands of rows passes one memo and checks each kind and version once. Adapter names come
// from the adapter inventory, read again only for a local address the maker has not seen.
//
// Ownership: borrows the tracker, which must outlive the maker. Use it from one thread, the one
// that may read the registry (the finder's UI thread, the command's main thread).

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "catalogue/product_table.h"

class ZProduct;
class ZProductTracker;

class ZProductRowMaker {
public:
    // Whether the client is installed, by product kind and major version.
    using InstalledMemo = std::map<std::pair<uint16_t, int>, bool>;

    explicit ZProductRowMaker(const ZProductTracker* tracker) : tracker_(tracker) {}

    // The product's row; with details also installed, local address and interface. With a memo,
    // a client check of a kind and version already made for this table is taken from it, a new
    // one is added.
    ZProductRow Make(const ZProduct& product, bool details = true,
                     InstalledMemo* installed = nullptr);

private:
    // The adapter name of a local address ("" when no adapter carries it).
    std::string InterfaceName(const std::string& localAddress);

    const ZProductTracker* tracker_;
    std::map<std::string, std::string> interfaceNames_;
};
