#include "tools/exporter_server.h"

#include <civetweb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>

#include "platform/network/inet.h"
#include "tools/exporter_model.h"
#include "tools/metrics_text.h"

namespace {

// Pieces of a page are sent once they hold this much: few chunk headers, little memory per
// request.
constexpr size_t kChunkBytes = 64 * 1024;

bool IsIPv6Text(std::string_view host) {
    if (host.empty() || host.size() > 45) {
        return false;
    }
    for (char c : host) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex && c != ':' && c != '.') {
            return false;
        }
    }
    return host.find(':') != std::string_view::npos;
}

// Four decimal numbers of 0 to 255 with dots between (not the short forms inet_aton takes).
bool IsDottedQuad(const std::string& host) {
    if (std::count(host.begin(), host.end(), '.') != 3 ||
        host.find_first_not_of("0123456789.") != std::string::npos) {
        return false;
    }
    return host == "255.255.255.255" || zplat::InetAddr(host.c_str()) != zplat::INADDR_NONE_VALUE;
}

// The status line and the headers every response has.
void StartResponse(mg_connection* connection, int status, const char* contentType) {
    mg_response_header_start(connection, status);
    const std::string date =
        ZExporterServer::HttpDate(std::chrono::duration_cast<std::chrono::seconds>(
                                      std::chrono::system_clock::now().time_since_epoch())
                                      .count());
    mg_response_header_add(connection, "Date", date.c_str(), -1);
    mg_response_header_add(connection, "Content-Type", contentType, -1);
}

// A response without a body (or with a short fixed one).
int Reply(mg_connection* connection, int status, const char* contentType, const std::string& body,
          bool head, const char* allow = nullptr) {
    StartResponse(connection, status, contentType);
    const std::string length = std::to_string(body.size());
    mg_response_header_add(connection, "Content-Length", length.c_str(), -1);
    if (allow != nullptr) {
        mg_response_header_add(connection, "Allow", allow, -1);
    }
    mg_response_header_send(connection);
    if (!head && !body.empty()) {
        mg_write(connection, body.data(), body.size());
    }
    return status;
}

}  // namespace

ZExporterServer::~ZExporterServer() {
    Stop();
}

bool ZExporterServer::ParseListen(const std::string& text, Listen* listen, std::string* error) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        *error = "\"" + text + "\" is not HOST:PORT";
        return false;
    }
    std::string host = text.substr(0, colon);
    const std::string portText = text.substr(colon + 1);
    unsigned long port = 0;
    const bool digits = !portText.empty() && portText.size() <= 5 &&
                        portText.find_first_not_of("0123456789") == std::string::npos;
    if (digits) {
        port = std::stoul(portText);
    }
    if (!digits || port > 65535) {
        *error = "\"" + portText + "\" is not a port (0 to 65535)";
        return false;
    }
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
        if (!IsIPv6Text(host)) {
            *error = "\"" + host + "\" is not an IPv6 address";
            return false;
        }
    } else if (host == "localhost") {
        host = "127.0.0.1";
    } else if (!host.empty() && !IsDottedQuad(host)) {
        *error = "\"" + host + "\" is not an IPv4 address, [IPv6 address] or localhost";
        return false;
    }
    listen->host = host;
    listen->port = static_cast<uint16_t>(port);
    return true;
}

std::string ZExporterServer::HttpDate(int64_t secondsSince1970) {
    // RFC 9110's IMF-fixdate, from the calendar library (gmtime_r is not everywhere).
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::chrono::sys_seconds at{std::chrono::seconds(secondsSince1970)};
    const auto day = std::chrono::floor<std::chrono::days>(at);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss time{at - day};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT",
                  kDays[std::chrono::weekday{day}.c_encoding()], unsigned(date.day()),
                  kMonths[unsigned(date.month()) - 1], int(date.year()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()));
    return text;
}

bool ZExporterServer::Start(const Listen& listen, std::string* error) {
    Stop();
    static std::once_flag initialized;
    std::call_once(initialized, [] { mg_init_library(0); });
    // civetweb's port syntax: "ADDRESS:PORT", "[ADDRESS]:PORT", or "PORT" for every IPv4 address.
    std::string ports = std::to_string(listen.port);
    if (listen.host.find(':') != std::string::npos) {
        ports = "[" + listen.host + "]:" + ports;
    } else if (!listen.host.empty()) {
        ports = listen.host + ":" + ports;
    }
    const std::string threads = std::to_string(kThreads);
    const std::string queue = std::to_string(kQueuedConnections);
    const std::string requestBytes = std::to_string(kMaxRequestBytes);
    const std::string timeout = std::to_string(kTimeoutMs);
    const char* options[] = {"listening_ports",
                             ports.c_str(),
                             "num_threads",
                             threads.c_str(),
                             "connection_queue",
                             queue.c_str(),
                             "listen_backlog",
                             queue.c_str(),
                             "max_request_size",
                             requestBytes.c_str(),
                             "request_timeout_ms",
                             timeout.c_str(),
                             "keep_alive_timeout_ms",
                             timeout.c_str(),
                             "enable_keep_alive",
                             "yes",
                             nullptr};
    mg_callbacks callbacks;
    std::memset(&callbacks, 0, sizeof callbacks);
    mg_init_data init;
    std::memset(&init, 0, sizeof init);
    init.callbacks = &callbacks;
    init.user_data = this;
    init.configuration_options = options;
    char text[256] = "";
    mg_error_data errorData;
    std::memset(&errorData, 0, sizeof errorData);
    errorData.text = text;
    errorData.text_buffer_size = sizeof text;
    context_ = mg_start2(&init, &errorData);
    if (context_ == nullptr) {
        *error = (listen.host.empty() ? "*" : listen.host) + ":" + std::to_string(listen.port) +
                 ": cannot listen" + (text[0] != '\0' ? std::string(" (") + text + ")" : "");
        return false;
    }
    // Every path: the handler answers what it knows and 404 for the rest.
    mg_set_request_handler(context_, "**", &ZExporterServer::OnRequest, this);
    return true;
}

uint16_t ZExporterServer::GetPort() const {
    if (context_ == nullptr) {
        return 0;
    }
    mg_server_port ports[4];
    std::memset(ports, 0, sizeof ports);
    const int n = mg_get_server_ports(context_, 4, ports);
    return n > 0 ? static_cast<uint16_t>(ports[0].port) : 0;
}

void ZExporterServer::Stop() {
    if (context_ != nullptr) {
        mg_stop(context_);
        context_ = nullptr;
    }
}

int ZExporterServer::OnRequest(mg_connection* connection, void* self) {
    return static_cast<ZExporterServer*>(self)->Serve(connection);
}

int ZExporterServer::Serve(mg_connection* connection) {
    requests_.fetch_add(1);
    const mg_request_info* request = mg_get_request_info(connection);
    const std::string_view method =
        request->request_method != nullptr ? request->request_method : "";
    const std::string_view path = request->local_uri != nullptr ? request->local_uri : "";
    const bool head = method == "HEAD";
    if (method != "GET" && !head) {
        return Reply(connection, 405, "text/plain; charset=utf-8", "Only GET and HEAD.\n", false,
                     "GET, HEAD");
    }
    ZExporterModel::Page page;
    const char* contentType;
    if (path == "/metrics") {
        const char* accept = mg_get_header(connection, "Accept");
        const ZMetricsText::Format format =
            ZMetricsText::FromAccept(accept != nullptr ? accept : "");
        page = format == ZMetricsText::Format::kOpenMetrics ? ZExporterModel::Page::kOpenMetrics
                                                            : ZExporterModel::Page::kMetrics;
        contentType = ZMetricsText::ContentType(format);
    } else if (path == "/") {
        page = ZExporterModel::Page::kLanding;
        contentType = "text/html; charset=utf-8";
    } else if (path == "/-/healthy") {
        return Reply(connection, 200, "text/plain; charset=utf-8", "OK\n", head);
    } else {
        return Reply(connection, 404, "text/plain; charset=utf-8", "Not found.\n", head);
    }

    StartResponse(connection, 200, contentType);
    if (head) {
        mg_response_header_send(connection);
        return 200;
    }
    // Chunked: the page is written while it is made, never whole in memory.
    mg_response_header_add(connection, "Transfer-Encoding", "chunked", -1);
    mg_response_header_send(connection);
    ZExporterModel::Cursor cursor;
    std::string chunk;
    chunk.reserve(kChunkBytes + kChunkBytes / 4);
    bool more = true;
    while (more) {
        more = model_.NextChunk(page, &cursor, &chunk);
        if (chunk.size() >= kChunkBytes || (!more && !chunk.empty())) {
            if (mg_send_chunk(connection, chunk.data(), static_cast<unsigned>(chunk.size())) < 0) {
                return 200;  // the client went away
            }
            chunk.clear();
        }
    }
    mg_send_chunk(connection, "", 0);  // the last chunk
    return 200;
}
