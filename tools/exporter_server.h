#pragma once
// ZExporterServer: the web server of `zunit exporter`, on civetweb (Debian's libcivetweb; the
// Windows build compiles Debian's source of the same version). It serves a ZExporterModel:
//   /metrics     the exposition (Prometheus text format 0.0.4; OpenMetrics 1.0.0 when the
//                Accept header asks for it), chunk by chunk (ZExporterModel::NextChunk)
//   /            a landing page that lists the devices and links to /metrics
//   /-/healthy   "OK" while the server runs
// Only GET and HEAD are answered (405 otherwise), anything else is 404.
//
//   ZExporterModel model(100000, "1.0.0");
//   ZExporterServer server(model);
//   std::string error;
//   if (!server.Start({"127.0.0.1", 10258}, &error)) ...;   // error: "127.0.0.1:10258: ..."
//   ...
//   server.Stop();
//
// Hostile clients: civetweb reads a request into a buffer of kMaxRequestBytes (a longer request
// gets 413 and is closed), gives up on a read or write after kTimeoutMs, and serves from
// kThreads workers with at most kQueuedConnections accepted connections waiting; the model's
// lock is never held while a client is written to. Discovery runs on threads of its own, so a
// stalled client costs at most one worker.
//
// Every response carries a Date header of ours: civetweb's own is made with gmtime(), whose one
// buffer its workers would share.
//
// Threads: Start and Stop on one thread; requests are served on civetweb's workers.
//
// Ownership: the model is not owned and must outlive the server (Stop, or the destructor, ends
// every request first).

#include <atomic>
#include <cstdint>
#include <string>

struct mg_connection;
struct mg_context;
class ZExporterModel;

class ZExporterServer {
public:
    struct Listen {
        std::string host = "127.0.0.1";
        uint16_t port = kDefaultPort;  // 0: a free port (GetPort tells which)
    };

    // Not among the ports the common exporters take (those below 10000 are all spoken for).
    static constexpr uint16_t kDefaultPort = 10258;
    static constexpr int kThreads = 16;
    static constexpr int kQueuedConnections = 64;
    static constexpr int kMaxRequestBytes = 8192;
    static constexpr int kTimeoutMs = 10000;

    explicit ZExporterServer(const ZExporterModel& model) : model_(model) {}
    ~ZExporterServer();
    ZExporterServer(const ZExporterServer&) = delete;
    ZExporterServer& operator=(const ZExporterServer&) = delete;

    // "HOST:PORT", "[IPv6]:PORT" or ":PORT" (every address); false with why in *error.
    static bool ParseListen(const std::string& text, Listen* listen, std::string* error);
    // An HTTP date: "Sun, 06 Nov 1994 08:49:37 GMT" for 784111777.
    static std::string HttpDate(int64_t secondsSince1970);

    // Listens; false with what went wrong (naming the address) in *error.
    bool Start(const Listen& listen, std::string* error);
    // The port listened on (the one chosen when 0 was asked for); 0 when not running.
    uint16_t GetPort() const;
    // Ends every request and closes the port. Safe to call twice.
    void Stop();
    uint64_t GetRequestCount() const { return requests_.load(); }

private:
    static int OnRequest(mg_connection* connection, void* self);
    int Serve(mg_connection* connection);

    const ZExporterModel& model_;
    mg_context* context_ = nullptr;
    std::atomic<uint64_t> requests_{0};
};
