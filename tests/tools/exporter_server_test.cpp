// The exporter's web server on the loopback address (no broadcast is sent): its pages, methods,
// and clients that send too much, too slowly or all at once.

#include "tools/exporter_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/exporter_model.h"

namespace {

using Clock = std::chrono::steady_clock;

// A plain TCP client for the test: sends bytes, reads until the server closes or a timeout.
class Client {
public:
    explicit Client(uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval timeout{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~Client() { ::close(fd_); }
    bool connected() const { return connected_; }
    bool Send(const std::string& bytes) {
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }
    // Everything until the server closes (or 5 s without a byte).
    std::string ReadAll() {
        std::string all;
        char buffer[65536];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;) {
            all.append(buffer, static_cast<size_t>(n));
        }
        return all;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

std::string Get(uint16_t port, const std::string& method, const std::string& path,
                const std::string& headers = "") {
    Client client(port);
    if (!client.connected()) {
        return "";
    }
    client.Send(method + " " + path + " HTTP/1.1\r\nHost: test\r\n" + headers +
                "Connection: close\r\n\r\n");
    return client.ReadAll();
}

// The body of a chunked response.
std::string Dechunk(const std::string& response) {
    size_t at = response.find("\r\n\r\n");
    if (at == std::string::npos) {
        return "";
    }
    at += 4;
    std::string body;
    for (;;) {
        const size_t end = response.find("\r\n", at);
        if (end == std::string::npos) {
            return body + "<cut>";
        }
        const size_t size = std::stoul(response.substr(at, end - at), nullptr, 16);
        if (size == 0) {
            return body;
        }
        body += response.substr(end + 2, size);
        at = end + 2 + size + 2;
    }
}

class ExporterServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 700; ++i) {
            ZExporterModel::Device d;
            d.service = "zelvane.cuedeck";
            d.name = "Booth " + std::to_string(i);
            d.up = i % 3 != 0;
            d.lastSeenMs = 1712345678000;
            model_.Put("dev" + std::to_string(i), d);
        }
        std::string error;
        ASSERT_TRUE(server_.Start({"127.0.0.1", 0}, &error)) << error;
        port_ = server_.GetPort();
        ASSERT_NE(port_, 0);
    }

    std::string Page(ZExporterModel::Page page) {
        ZExporterModel::Cursor cursor;
        std::string out;
        while (model_.NextChunk(page, &cursor, &out)) {
        }
        return out;
    }

    ZExporterModel model_{1000, "1.0.0"};
    ZExporterServer server_{model_};
    uint16_t port_ = 0;
};

TEST_F(ExporterServerTest, ServesItsPagesToGetAndHeadOnly) {
    const std::string metrics = Get(port_, "GET", "/metrics");
    EXPECT_EQ(metrics.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << metrics.substr(0, 300);
    EXPECT_NE(metrics.find("Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"),
              std::string::npos);
    EXPECT_EQ(Dechunk(metrics), Page(ZExporterModel::Page::kMetrics));

    const std::string open =
        Get(port_, "GET", "/metrics", "Accept: application/openmetrics-text;version=1.0.0\r\n");
    EXPECT_NE(open.find("Content-Type: application/openmetrics-text; version=1.0.0"),
              std::string::npos);
    EXPECT_EQ(Dechunk(open), Page(ZExporterModel::Page::kOpenMetrics));

    const std::string landing = Get(port_, "GET", "/");
    EXPECT_NE(landing.find("Content-Type: text/html"), std::string::npos);
    EXPECT_EQ(Dechunk(landing), Page(ZExporterModel::Page::kLanding));
    // One Date header, ours (civetweb adds its own only when there is none).
    const size_t date = landing.find("\r\nDate: ");
    ASSERT_NE(date, std::string::npos) << landing.substr(0, 300);
    EXPECT_EQ(landing.find("\r\nDate: ", date + 1), std::string::npos) << landing.substr(0, 300);
    EXPECT_EQ(landing.substr(date + 33, 6), " GMT\r\n") << landing.substr(0, 300);

    const struct {
        const char* method;
        const char* path;
        const char* status;
        const char* body;
    } cases[] = {
        {"GET", "/-/healthy", "HTTP/1.1 200 OK", "\r\n\r\nOK\n"},
        {"HEAD", "/metrics", "HTTP/1.1 200 OK", nullptr},
        {"POST", "/metrics", "HTTP/1.1 405", "Allow: GET, HEAD"},
        {"DELETE", "/", "HTTP/1.1 405", nullptr},
        {"GET", "/metrics/../etc/passwd", "HTTP/1.1 404", nullptr},
        {"GET", "/favicon.ico", "HTTP/1.1 404", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        const std::string response = Get(port_, c.method, c.path);
        EXPECT_EQ(response.rfind(c.status, 0), 0u) << response.substr(0, 200);
        if (c.body != nullptr) {
            EXPECT_NE(response.find(c.body), std::string::npos) << response;
        }
        if (std::string(c.method) == "HEAD") {
            EXPECT_EQ(response.find("zunit_"), std::string::npos);  // no body
        }
    }
    EXPECT_GE(server_.GetRequestCount(), 9u);
}

TEST_F(ExporterServerTest, OversizedRequestsAreRefusedAndTheServerGoesOn) {
    Client big(port_);
    ASSERT_TRUE(big.connected());
    std::string request = "GET /metrics HTTP/1.1\r\nHost: test\r\n";
    for (int i = 0; i < 200; ++i) {
        request += "X-Filler-" + std::to_string(i) + ": " + std::string(200, 'x') + "\r\n";
    }
    big.Send(request + "\r\n");  // 40 KB of headers, past kMaxRequestBytes
    const std::string refused = big.ReadAll();
    EXPECT_EQ(refused.find("zunit_device_up"), std::string::npos);
    // civetweb answers 400 (or 413) and closes.
    EXPECT_TRUE(refused.empty() || refused.find(" 400 ") == 8 || refused.find(" 413 ") == 8)
        << refused.substr(0, 200);

    EXPECT_EQ(Get(port_, "GET", "/-/healthy").rfind("HTTP/1.1 200", 0), 0u);
}

TEST_F(ExporterServerTest, SlowClientsDoNotHoldUpScrapers) {
    // Clients that send half a request and wait: each holds one worker at most.
    std::vector<std::unique_ptr<Client>> slow;
    for (int i = 0; i < ZExporterServer::kThreads / 2; ++i) {
        slow.push_back(std::make_unique<Client>(port_));
        slow.back()->Send("GET /metrics HTTP/1.1\r\nHost: sl");
    }
    // Meanwhile scrapers, several at once, get whole pages quickly.
    const std::string expected = Page(ZExporterModel::Page::kMetrics);
    std::atomic<int> complete{0};
    const auto start = Clock::now();
    std::vector<std::thread> scrapers;
    for (int t = 0; t < 6; ++t) {
        scrapers.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                complete += Dechunk(Get(port_, "GET", "/metrics")) == expected ? 1 : 0;
            }
        });
    }
    for (std::thread& t : scrapers) {
        t.join();
    }
    EXPECT_EQ(complete.load(), 30);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(ZExporterServer::kTimeoutMs / 1000 / 2));
}

TEST(ExporterServerDateTest, FormatsTheHttpDate) {
    const struct {
        int64_t seconds;
        const char* text;
    } cases[] = {
        {0, "Thu, 01 Jan 1970 00:00:00 GMT"},
        {784111777, "Sun, 06 Nov 1994 08:49:37 GMT"},
        {951782400, "Tue, 29 Feb 2000 00:00:00 GMT"},
        {4102444799, "Thu, 31 Dec 2099 23:59:59 GMT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(ZExporterServer::HttpDate(c.seconds), c.text);
    }
}

TEST(ExporterServerListenTest, ParsesAddressAndPort) {
    const struct {
        const char* text;
        bool ok;
        const char* host;
        uint16_t port;
    } cases[] = {
        {"127.0.0.1:10258", true, "127.0.0.1", 10258},
        {"localhost:9", true, "127.0.0.1", 9},
        {":10258", true, "", 10258},
        {"0.0.0.0:0", true, "0.0.0.0", 0},
        {"[::1]:10258", true, "::1", 10258},
        {"[fe80::1%eth0]:1", false, "", 0},
        {"10258", false, "", 0},
        {"127.0.0.1:65536", false, "", 0},
        {"127.0.0.1:", false, "", 0},
        {"127.0.0.1:-1", false, "", 0},
        {"exporter.example:80", false, "", 0},
        {"1.2.3:80", false, "", 0},
        {"[::1:80", false, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ZExporterServer::Listen listen;
        std::string error;
        EXPECT_EQ(ZExporterServer::ParseListen(c.text, &listen, &error), c.ok) << error;
        if (c.ok) {
            EXPECT_EQ(listen.host, c.host);
            EXPECT_EQ(listen.port, c.port);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(ExporterServerListenTest, APortInUseIsAnErrorNamingIt) {
    ZExporterModel model(1, "1.0.0");
    ZExporterServer first(model), second(model);
    std::string error;
    ASSERT_TRUE(first.Start({"127.0.0.1", 0}, &error)) << error;
    EXPECT_FALSE(second.Start({"127.0.0.1", first.GetPort()}, &error));
    EXPECT_NE(error.find("127.0.0.1:" + std::to_string(first.GetPort())), std::string::npos)
        << error;
}

}  // namespace
