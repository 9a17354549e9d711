#pragma once
// ZProductTable: prints found products, one row each, as an aligned text table, a JSON array,
// JSON lines (one object per line) or CSV. The columns are those of the finder's list and details
// area (Device Name, Type/Model, Version, Address:port, Description, Client and whether it is
// installed, Serial) and the local interface the product answered through. zunit scan prints
// them; the finder exports its list in the JSON and CSV forms, so a saved list reads as a scan.
//
//   std::vector<const ZProduct*> products = search.Products();
//   ZProductTable::SortProducts(&products);     // by address, port, service
//   ZProductTable::Print(ZProductTable::Format::kJson, products.size(),
//                        [&](size_t i) { return search.RowOf(*products[i]); }, stdout);
//
// Each row is made while it is printed, so printing tens of thousands of products holds one row
// at a time. A table can also hold rows of its own:
//
//   ZProductTable table(ZProductTable::Format::kText);
//   table.Add(row);
//   table.Print(stdout);
//
// JSON members: name, type_model, version, address, port, description, client, installed,
// serial, service, kind, major_version, local_address, local_interface.
//
// Texts come from the network: FromProduct decodes them (UTF-8, else the devices' Windows-1252,
// see ZDeviceText), so rows hold UTF-8. JSON replaces any bytes that are still not UTF-8 and
// escapes every control character, CSV quotes every text field, the text table replaces control
// characters (C0, DEL and C1) with '?'.
//
// Ownership: rows are copied when added; a row source is called during Print only.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

class ZProduct;

// One product as the command line shows it.
struct ZProductRow {
    std::string name;
    std::string typeModel;
    std::string version;
    std::string address;
    uint16_t port = 0;
    std::string description;
    std::string client;
    bool installed = false;
    std::string serial;
    std::string service;
    uint16_t kind = 0;
    int majorVersion = 0;
    std::string localAddress;    // the local address the answer came in on; "" when unknown
    std::string localInterface;  // the adapter that carries it; "" when unknown

    // The product's own texts, as UTF-8 (not installed, no local interface).
    static ZProductRow FromProduct(const ZProduct& product);
    // "10.0.0.5:4300"
    std::string AddressAndPort() const;
    // "10.0.0.5 (eth0)", the address alone without an adapter name, "" when unknown.
    std::string LocalText() const;
};

class ZProductTable {
public:
    enum class Format { kText, kJson, kNdjson, kCsv };
    // Makes row i of a table of rows made one at a time (0 <= i < the count given with it).
    using RowSource = std::function<ZProductRow(size_t)>;

    explicit ZProductTable(Format format) : format_(format) {}

    void Add(const ZProductRow& row) { rows_.push_back(row); }
    // Prints the rows added, in the order they were added.
    void Print(std::FILE* out) const;

    // Prints count rows, each made by row when it is needed, so that printing holds one row at a
    // time whatever the count. The text table asks for every row twice (its column widths
    // first), so row must give the same row each time.
    static void Print(Format format, size_t count, const RowSource& row, std::FILE* out);
    // Orders products by address (numerically), port, then service name; the order of equals
    // stays.
    static void SortProducts(std::vector<const ZProduct*>* products);

    static nlohmann::json RowJson(const ZProductRow& row);
    // The text table's header and cells of a row, as printed (control characters replaced).
    static std::vector<std::string> TextHeader();
    static std::vector<std::string> TextCells(const ZProductRow& row);
    // A JSON document as one text, invalid UTF-8 replaced, DEL and C1 controls escaped too;
    // indent < 0 gives one line.
    static std::string Dump(const nlohmann::json& value, int indent);
    // A text in JSON quotes ("Booth \"2\""), so messages show odd characters visibly and no
    // control character reaches the terminal (table_text::Quote).
    static std::string Quote(const std::string& text);

private:
    static void PrintText(size_t count, const RowSource& row, std::FILE* out);
    static void PrintJson(size_t count, const RowSource& row, std::FILE* out);
    static void PrintNdjson(size_t count, const RowSource& row, std::FILE* out);
    static void PrintCsv(size_t count, const RowSource& row, std::FILE* out);

    Format format_;
    std::vector<ZProductRow> rows_;
};
