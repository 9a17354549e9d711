#include "tools/request_log.h"

#include <nlohmann/json.hpp>

#include "catalogue/table_text.h"
#include "foundation/device_text.h"
#include "net/ip_address.h"

ZRequestLog::~ZRequestLog() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool ZRequestLog::Open(const std::string& path) {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void ZRequestLog::Write(const Entry& e) {
    if (file_ == nullptr) {
        return;
    }
    nlohmann::json line;
    line["from"] = FormatDottedAddress(e.from);
    line["from_port"] = e.fromPort;
    line["destination"] = FormatDottedAddress(e.destination);
    line["requester"] = FormatDottedAddress(e.requester);
    line["mask"] = FormatDottedAddress(e.requesterMask);
    line["port"] = e.requesterPort;
    // Texts from the network, as UTF-8 (the requester's code page when they are not).
    line["name"] = e.requesterName ? nlohmann::json(ZDeviceText::ToUtf8(e.requesterName))
                                   : nlohmann::json(nullptr);
    line["target"] = FormatDottedAddress(e.target);
    line["service"] = e.serviceType ? nlohmann::json(ZDeviceText::ToUtf8(e.serviceType))
                                    : nlohmann::json(nullptr);
    line["data"] = e.data ? nlohmann::json(ZDeviceText::ToUtf8(e.data)) : nlohmann::json(nullptr);
    line["answers"] = e.answers;
    const std::string text = table_text::EscapeJsonControls(line.dump(
                                 -1, ' ', false, nlohmann::json::error_handler_t::replace)) +
                             "\n";
    std::fputs(text.c_str(), file_);
    std::fflush(file_);
}
