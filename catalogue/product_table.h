#pragma once
// ZProductTable: prints found products, one row each, as an aligned text table, a JSON array,
// JSON lines (one object per line) or CSV. The columns are those of the finder's list and details
// area (Device Name, Type/Model, Version, Address:port, Description, Client and whether it is
// installed, Serial) and the local interface the product answered through. zunit scan prints
// them; the finder exports its list in the JSON and CSV forms, so a saved list reads as a scan.
//
//   ZProductTable table(ZProductTable::Format::kText);
//   table.Add(row);                 // a ZProductRow, e.g. from ZProductSearch::Rows
//   table.Sort();                   // by address, port, service
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
// Ownership: rows are copied when added.

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
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

    explicit ZProductTable(Format format) : format_(format) {}

    void Add(const ZProductRow& row) { rows_.push_back(row); }
    void Add(ZProductRow&& row) { rows_.push_back(std::move(row)); }
    void Reserve(size_t rows) { rows_.reserve(rows); }
    size_t GetCount() const { return rows_.size(); }
    const std::vector<ZProductRow>& GetRows() const { return rows_; }
    // Orders the rows by address (numerically), port, then service name.
    void Sort();
    void Print(std::FILE* out) const;

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
    void PrintText(std::FILE* out) const;
    void PrintJson(std::FILE* out) const;
    void PrintNdjson(std::FILE* out) const;
    void PrintCsv(std::FILE* out) const;

    Format format_;
    std::vector<ZProductRow> rows_;
};
