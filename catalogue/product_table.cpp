#include "catalogue/product_table.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <tuple>

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
    std::vector<std::vector<std::string>> cells = {TextHeader()};
    for (const ZProductRow& r : rows_) {
        cells.push_back(TextCells(r));
    }
    std::fputs(table_text::Align(cells).c_str(), out);
}

void ZProductTable::PrintJson(std::FILE* out) const {
    nlohmann::json list = nlohmann::json::array();
    for (const ZProductRow& r : rows_) {
        list.push_back(RowJson(r));
    }
    std::fputs((Dump(list, 2) + "\n").c_str(), out);
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
