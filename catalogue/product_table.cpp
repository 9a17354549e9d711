#include "catalogue/product_table.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <tuple>
#include <vector>

#include "catalogue/product.h"
#include "catalogue/table_text.h"
#include "foundation/device_text.h"
#include "platform/network/inet.h"

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

void ZProductTable::SortProducts(std::vector<const ZProduct*>* products) {
    // The address parsed once per product; the service is decoded only where address and port
    // tie, which is rare.
    struct Keyed {
        uint32_t address;
        uint16_t port;
        const ZProduct* product;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(products->size());
    for (const ZProduct* p : *products) {
        keyed.push_back({zplat::NetToHost32(zplat::InetAddr(Text(p->GetAddressText()).c_str())),
                         p->GetPort(), p});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.address != b.address || a.port != b.port) {
            return std::tie(a.address, a.port) < std::tie(b.address, b.port);
        }
        return Text(a.product->GetServiceName()) < Text(b.product->GetServiceName());
    });
    for (size_t i = 0; i < keyed.size(); ++i) {
        (*products)[i] = keyed[i].product;
    }
}

void ZProductTable::Print(std::FILE* out) const {
    // A copy of one row at a time: the held rows print as rows made while printing do.
    Print(
        format_, rows_.size(), [this](size_t i) { return rows_[i]; }, out);
}

void ZProductTable::Print(Format format, size_t count, const RowSource& row, std::FILE* out) {
    switch (format) {
        case Format::kText:
            PrintText(count, row, out);
            break;
        case Format::kJson:
            PrintJson(count, row, out);
            break;
        case Format::kNdjson:
            PrintNdjson(count, row, out);
            break;
        case Format::kCsv:
            PrintCsv(count, row, out);
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

void ZProductTable::PrintText(size_t count, const RowSource& row, std::FILE* out) {
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
    for (size_t i = 0; i < count; ++i) {
        measure(TextCells(row(i)));
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
    for (size_t i = 0; i < count; ++i) {
        print(TextCells(row(i)));
    }
}

void ZProductTable::PrintJson(size_t count, const RowSource& row, std::FILE* out) {
    // Row by row, as nlohmann's dump(2) lays out the whole array, without building it.
    if (count == 0) {
        std::fputs("[]\n", out);
        return;
    }
    std::fputs("[\n", out);
    for (size_t i = 0; i < count; ++i) {
        const std::string object = Dump(RowJson(row(i)), 2);
        std::string indented = "  ";
        indented.reserve(object.size() + 64);
        for (char c : object) {
            indented += c;
            if (c == '\n') {
                indented += "  ";  // strings hold no raw newline: every one is layout
            }
        }
        indented += i + 1 < count ? ",\n" : "\n";
        std::fputs(indented.c_str(), out);
    }
    std::fputs("]\n", out);
}

void ZProductTable::PrintNdjson(size_t count, const RowSource& row, std::FILE* out) {
    for (size_t i = 0; i < count; ++i) {
        std::fputs((Dump(RowJson(row(i)), -1) + "\n").c_str(), out);
    }
}

void ZProductTable::PrintCsv(size_t count, const RowSource& row, std::FILE* out) {
    std::fputs(
        "name,type_model,version,address,port,description,client,installed,serial,service,"
        "local_address,local_interface\n",
        out);
    for (size_t i = 0; i < count; ++i) {
        const ZProductRow r = row(i);
        const std::string line = CsvField(r.name) + "," + CsvField(r.typeModel) + "," +
                                 CsvField(r.version) + "," + r.address + "," +
                                 std::to_string(r.port) + "," + CsvField(r.description) + "," +
                                 CsvField(r.client) + "," + (r.installed ? "yes" : "no") + "," +
                                 CsvField(r.serial) + "," + CsvField(r.service) + "," +
                                 r.localAddress + "," + CsvField(r.localInterface) + "\n";
        std::fputs(line.c_str(), out);
    }
}
