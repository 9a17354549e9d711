#pragma once
// ZExpectedInventory: the products an installation should have, read from a JSON file, and the
// comparison of a scan's products with them (`zunit scan --expect FILE`).
//
// The file holds an array of entries, or an object whose "products" member is that array:
//
//   { "products": [
//       { "name": "Booth 2", "address": "10.0.0.50", "port": 4300 },
//       { "service": "zelvane.vxp2", "address": "10.0.0.51" },
//       { "serial": "A12345" } ] }
//
// An entry names one product by any of these members, each compared exactly (letter case
// included) with the product's column: "name", "service", "type_model", "version", "address",
// "port" (a number), "serial". It needs at least one of them. The other members of
// `zunit scan --json` output ("description", "client", "installed", "kind", "major_version",
// "local_address", "local_interface") are ignored, so a saved scan can serve as the file; any
// other member is an error, as is a member of the wrong type.
//
// Each product fulfils at most one entry: two entries that both say {"service": "zelvane.vxp2"}
// need two such products. The pairing is a maximum matching, so no entry is reported missing
// when some assignment of products fulfils it.
//
//   ZExpectedInventory expected;
//   std::string error;
//   if (!ZExpectedInventory::Load("inventory.json", &expected, &error)) ...;
//   ZExpectedInventory::Result r = expected.Compare(rows);
//   for (size_t i : r.missing) puts(expected.Describe(i).c_str());
//
// No ownership beyond its own entries; no exception leaves these calls.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/product_table.h"

class ZExpectedInventory {
public:
    struct Entry {
        std::optional<std::string> name, service, typeModel, version, address, serial;
        std::optional<uint16_t> port;

        bool Matches(const ZProductRow& row) const;
    };

    struct Result {
        std::vector<size_t> missing;                     // entry indices, in file order
        std::vector<size_t> unexpected;                  // row indices of products no entry named
        std::vector<std::pair<size_t, size_t>> matched;  // (entry, row)
    };

    static bool Parse(const std::string& text, ZExpectedInventory* inventory, std::string* error);
    // Reads the file (a regular file of up to ZInputFile::kMaxBytes), then Parse; the error names
    // the file too.
    static bool Load(const std::string& path, ZExpectedInventory* inventory, std::string* error);

    size_t GetCount() const { return entries_.size(); }
    const Entry& GetEntry(size_t index) const { return entries_[index]; }
    Result Compare(const std::vector<ZProductRow>& rows) const;
    // The entry's members as `name="Booth 2" address=10.0.0.50 port=4300`.
    std::string Describe(size_t index) const;

private:
    std::vector<Entry> entries_;
};
