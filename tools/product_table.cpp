#include "tools/product_table.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <tuple>

#include "catalogue/product.h"
#include "foundation/device_text.h"
#include "platform/network/inet.h"
#include "tools/table_text.h"

namespace {

using table_text::CsvField;
using table_text::Printable;

// Device texts come in the device's code page; rows hold them as UTF-8.
std::string Text(const ZString& text) {
    return ZDeviceText::ToUtf8(text.GetString());
}

}  // namespace

ZProductRow ZProductRow::FromProduct(const ZProduct& product) {
    ZProductRow row;
    row.name = Text(product.GetName());
    row.typeModel = Text(product.GetTypeModel());
    row.version = Text(product.GetVersionText());
    row.address = Text(product.GetAddressText());
    row.port = product.GetPort();
    row.description = Text(product.GetDescription());
    row.client = Text(product.GetClientName());
    row.serial = Text(product.GetSerial());
    row.service = Text(product.GetServiceName());
    row.kind = product.GetType();
    row.majorVersion = product.GetMajorVersion();
    return row;
}

std::string ZProductRow::AddressAndPort() const {
    return address + ":" + std::to_string(port);
}

std::string ZProductRow::LocalText() const {
    if (localInterface.empty()) {
        return localAddress;
    }
    return localAddress + " (" + localInterface + ")";
}

void ZProductTable::Sort() {
    auto key = [](const ZProductRow& r) {
        return std::make_tuple(zplat::NetToHost32(zplat::InetAddr(r.address.c_str())), r.port,
                               r.service);
    };
    std::stable_sort(rows_.begin(), rows_.end(),
                     [&](const ZProductRow& a, const ZProductRow& b) { return key(a) < key(b); });
}

void ZProductTable::Print(std::FILE* out) const {
    switch (format_) {
        case Format::kText:
            PrintText(out);
            break;
        case Format::kJson:
            PrintJson(out);
            break;
        case Format::kNdjson:
            PrintNdjson(out);
            break;
        case Format::kCsv:
            PrintCsv(out);
            break;
    }
}

nlohmann::json ZProductTable::RowJson(const ZProductRow& r) {
    return {{"name", r.name},
            {"type_model", r.typeModel},
            {"version", r.version},
            {"address", r.address},
            {"port", r.port},
            {"description", r.description},
            {"client", r.client},
            {"installed", r.installed},
            {"serial", r.serial},
            {"service", r.service},
            {"kind", r.kind},
            {"major_version", r.majorVersion},
            {"local_address", r.localAddress},
            {"local_interface", r.localInterface}};
}

std::string ZProductTable::Dump(const nlohmann::json& value, int indent) {
    return table_text::EscapeJsonControls(
        value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace));
}

std::string ZProductTable::Quote(const std::string& text) {
    return table_text::Quote(text);
}

std::vector<std::string> ZProductTable::TextHeader() {
    return {"Device Name", "Type/Model", "Version", "Address",        "Description",
            "Client",      "Installed",  "Serial",  "Local Interface"};
}

std::vector<std::string> ZProductTable::TextCells(const ZProductRow& r) {
    return {Printable(r.name),          Printable(r.typeModel),   Printable(r.version),
            r.AddressAndPort(),         Printable(r.description), Printable(r.client),
            r.installed ? "yes" : "no", Printable(r.serial),      Printable(r.LocalText())};
}

void ZProductTable::PrintText(std::FILE* out) const {
    // Two passes over the rows instead of one table of every cell: the widths first, then each
    // line as it is made. Printing costs one row's cells, not the whole table's text.
    std::vector<size_t> width;
    const auto measure = [&](const std::vector<std::string>& cells) {
        width.resize(std::max(width.size(), cells.size()), 0);
        for (size_t c = 0; c < cells.size(); ++c) {
            width[c] = std::max(width[c], table_text::DisplayWidth(cells[c]));
        }
    };
    measure(TextHeader());
    for (const ZProductRow& r : rows_) {
        measure(TextCells(r));
    }
    const auto print = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (size_t c = 0; c < cells.size(); ++c) {
            line += cells[c];
            if (c + 1 < cells.size()) {
                line.append(width[c] - table_text::DisplayWidth(cells[c]) + 2, ' ');
            }
        }
        line += '\n';
        std::fputs(line.c_str(), out);
    };
    print(TextHeader());
    for (const ZProductRow& r : rows_) {
        print(TextCells(r));
    }
}

void ZProductTable::PrintJson(std::FILE* out) const {
    // Row by row, as nlohmann's dump(2) lays out the whole array, without building it.
    if (rows_.empty()) {
        std::fputs("[]\n", out);
        return;
    }
    std::fputs("[\n", out);
    for (size_t i = 0; i < rows_.size(); ++i) {
        const std::string object = Dump(RowJson(rows_[i]), 2);
        std::string indented = "  ";
        indented.reserve(object.size() + 64);
        for (char c : object) {
            indented += c;
            if (c == '\n') {
                indented += "  ";  // strings hold no raw newline: every one is layout
            }
        }
        indented += i + 1 < rows_.size() ? ",\n" : "\n";
        std::fputs(indented.c_str(), out);
    }
    std::fputs("]\n", out);
}

void ZProductTable::PrintNdjson(std::FILE* out) const {
    for (const ZProductRow& r : rows_) {
        std::fputs((Dump(RowJson(r), -1) + "\n").c_str(), out);
    }
}

void ZProductTable::PrintCsv(std::FILE* out) const {
    std::fputs(
        "name,type_model,version,address,port,description,client,installed,serial,service,"
        "local_address,local_interface\n",
        out);
    for (const ZProductRow& r : rows_) {
        const std::string line = CsvField(r.name) + "," + CsvField(r.typeModel) + "," +
                                 CsvField(r.version) + "," + r.address + "," +
                                 std::to_string(r.port) + "," + CsvField(r.description) + "," +
                                 CsvField(r.client) + "," + (r.installed ? "yes" : "no") + "," +
                                 CsvField(r.serial) + "," + CsvField(r.service) + "," +
                                 r.localAddress + "," + CsvField(r.localInterface) + "\n";
        std::fputs(line.c_str(), out);
    }
}
