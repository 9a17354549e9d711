#include "tools/device_table.h"

#include <nlohmann/json.hpp>

#include "catalogue/table_text.h"
#include "foundation/device_text.h"
#include "ndd/network_device_interface.h"

using table_text::CsvField;
using table_text::Printable;

void ZDeviceTable::Add(INetworkDevice* device, const std::string& localInterface) {
    Row r;
    r.name = ZDeviceText::ToUtf8(device->GetDeviceName());
    r.service = ZDeviceText::ToUtf8(device->GetServiceName());
    if (IIPAddress* a = device->GetAddress(0)) {
        r.address = a->GetAddressText();
        r.mask = a->GetMaskText();
    }
    r.model = ZDeviceText::ToUtf8(device->GetModel());
    r.version = ZDeviceText::ToUtf8(device->GetVersion());
    r.info = ZDeviceText::ToUtf8(device->GetInfo());
    r.extra = ZDeviceText::ToUtf8(device->GetExtraText());
    r.localAddress = device->GetLocalAddress()->GetAddressText();
    r.localMask = device->GetLocalAddress()->GetMaskText();
    r.localInterface = localInterface;
    r.port = device->GetPort();
    r.aux = device->GetAuxValue();
    r.userData = device->GetUserData();
    rows_.push_back(std::move(r));
}

void ZDeviceTable::Print(std::FILE* out) const {
    switch (format_) {
        case Format::kText:
            PrintText(out);
            break;
        case Format::kJson:
            PrintJson(out);
            break;
        case Format::kCsv:
            PrintCsv(out);
            break;
    }
}

void ZDeviceTable::PrintText(std::FILE* out) const {
    std::vector<std::vector<std::string>> cells = {
        {"Device Name", "Service", "Address", "Model", "Version", "Local Interface"}};
    for (const Row& r : rows_) {
        std::string local = r.localAddress;
        if (!r.localInterface.empty()) {
            local += " (" + r.localInterface + ")";
        }
        cells.push_back({Printable(r.name), Printable(r.service),
                         r.address + ":" + std::to_string(r.port), Printable(r.model),
                         Printable(r.version), Printable(local)});
    }
    std::fputs(table_text::Align(cells).c_str(), out);
}

void ZDeviceTable::PrintJson(std::FILE* out) const {
    nlohmann::json list = nlohmann::json::array();
    for (const Row& r : rows_) {
        list.push_back({{"name", r.name},
                        {"service", r.service},
                        {"address", r.address},
                        {"mask", r.mask},
                        {"port", r.port},
                        {"aux", r.aux},
                        {"user_data", r.userData},
                        {"model", r.model},
                        {"version", r.version},
                        {"info", r.info},
                        {"extra", r.extra},
                        {"local_address", r.localAddress},
                        {"local_mask", r.localMask},
                        {"local_interface", r.localInterface}});
    }
    const std::string text = table_text::EscapeJsonControls(list.dump(
                                 2, ' ', false, nlohmann::json::error_handler_t::replace)) +
                             "\n";
    std::fputs(text.c_str(), out);
}

void ZDeviceTable::PrintCsv(std::FILE* out) const {
    std::fprintf(out,
                 "name,service,address,mask,port,model,version,local_address,local_interface\n");
    for (const Row& r : rows_) {
        std::fprintf(out, "%s,%s,%s,%s,%u,%s,%s,%s,%s\n", CsvField(r.name).c_str(),
                     CsvField(r.service).c_str(), r.address.c_str(), r.mask.c_str(), r.port,
                     CsvField(r.model).c_str(), CsvField(r.version).c_str(), r.localAddress.c_str(),
                     CsvField(r.localInterface).c_str());
    }
}
