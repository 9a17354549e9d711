// `zunit exporter` in front of simulated devices, scraped by a real Prometheus that sends the
// shipped alert to a real Alertmanager, all inside the test's own namespaces (Debian's
// prometheus and prometheus-alertmanager run as plain processes, on ports of their own).

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/netns/simulated_network.h"

namespace products_test {
namespace {

constexpr const char* kPrometheus = "/usr/bin/prometheus";
constexpr const char* kAlertmanager = "/usr/bin/prometheus-alertmanager";
constexpr const char* kPromtool = "/usr/bin/promtool";

// Texts a hostile device may send, each of which must reach Prometheus intact (a name of 3,000
// bytes: the answer path takes no answer with a name of 4,000).
std::string Devices(bool withStage) {
    std::string list = R"([
  {"service":"zelvane.cuedeck","name":"Booth \"2\" \\ main\nline","address":"10.200.0.50",
   "mask":"255.255.255.0","port":4300,"model":"Cuedeck","version":"6.4.2",
   "info":"<data><systemconfig><entry serial=\"CD-1\" model=\"prime\"/></systemconfig></data>"},
  {"service":"zelvane.vxp2","name":"Wall \u202e\u2066 )x(","address":"10.200.0.80",
   "mask":"255.255.255.0","port":80,"model":"VXP HD","version":"2.1"},
  {"service":"zelvane.cuedeck2","name":")" +
                       std::string(3000, 'N') + R"(","address":"10.200.0.51",
   "mask":"255.255.255.0","port":4301,"model":"Zelvane Cuedeck","version":"2.0"})";
    if (withStage) {
        list += R"(,
  {"service":"zelvane.conductor6","name":"Stage","address":"10.200.0.70",
   "mask":"255.255.255.0","port":4320,"model":"Conductor","version":"6.0.1",
   "info":"<data><systemconfig><entry serial=\"CN-6\" model=\"cndvenue\"/></systemconfig></data>"})";
    }
    return list + "]";
}

class ExporterPrometheusNetnsTest : public SimulatedNetworkTest {
protected:
    void SetUp() override {
        for (const char* program : {kPrometheus, kAlertmanager, kPromtool}) {
            if (!std::filesystem::exists(program)) {
                GTEST_SKIP() << program << " is missing (scripts/setup installs it)";
            }
        }
        SimulatedNetworkTest::SetUp();
    }

    // `curl` inside the exporter's namespace; the body, "" on failure.
    std::string Fetch(const std::string& url, const std::string& options = "") {
        std::string out;
        ztest::RunCommand(
            "ip netns exec " + pair_.a + " curl -s -m 5 " + options + " '" + url + "'", &out);
        return out;
    }

    // The result vector of an instant query.
    Json Query(const std::string& promql) {
        const Json answer = Json::parse(Fetch("http://127.0.0.1:19090/api/v1/query",
                                              "-G --data-urlencode 'query=" + promql + "'"),
                                        nullptr, false);
        if (!answer.is_object() || answer.value("status", "") != "success") {
            return Json::array();
        }
        return answer["data"]["result"];
    }

    static double Value(const Json& sample) {
        return std::stod(sample["value"][1].get<std::string>());
    }
};

TEST_F(ExporterPrometheusNetnsTest, DevicesUpWithInfoThenMissingAndAlerted) {
    StartSimulator(Devices(/*withStage=*/true));

    // The exporter: 500 ms search cycles, stale after 1.25 s.
    std::unique_ptr<ztest::NetnsProcess> exporter =
        net_.Spawn(pair_.a,
                   {ZUNIT_EXE, "exporter", "--interval", "500", "--listen", "127.0.0.1:10258",
                    "--state", Path("exporter.state")},
                   Path("exporter.out"));
    ASSERT_NE(exporter, nullptr);

    // The shipped rules, with a short "for" so the test need not wait five minutes.
    std::ifstream rulesIn(std::string(ZUNIT_SOURCE_DIR) + "/packaging/prometheus/zunit-alerts.yml");
    const std::string shipped((std::istreambuf_iterator<char>(rulesIn)),
                              std::istreambuf_iterator<char>());
    ASSERT_NE(shipped.find("for: 5m"), std::string::npos);
    std::ofstream(Path("rules.yml"))
        << std::regex_replace(shipped, std::regex("for: 5m"), "for: 2s");
    std::ofstream(Path("prometheus.yml")) << R"(global:
  scrape_interval: 1s
  evaluation_interval: 1s
rule_files: [")" << Path("rules.yml") << R"("]
alerting:
  alertmanagers:
    - static_configs: [{targets: ["127.0.0.1:19093"]}]
scrape_configs:
  - job_name: zunit
    static_configs: [{targets: ["127.0.0.1:10258"], labels: {site: test}}]
)";
    std::ofstream(Path("alertmanager.yml")) << "route: {receiver: none, group_wait: 0s}\n"
                                               "receivers: [{name: none}]\n";
    std::unique_ptr<ztest::NetnsProcess> alertmanager =
        net_.Spawn(pair_.a,
                   {kAlertmanager, "--config.file=" + Path("alertmanager.yml"),
                    "--storage.path=" + Path("am-data"), "--web.listen-address=127.0.0.1:19093",
                    "--cluster.listen-address="},
                   Path("alertmanager.out"));
    std::unique_ptr<ztest::NetnsProcess> prometheus = net_.Spawn(
        pair_.a,
        {kPrometheus, "--config.file=" + Path("prometheus.yml"),
         "--storage.tsdb.path=" + Path("prom-data"), "--web.listen-address=127.0.0.1:19090"},
        Path("prometheus.out"));
    ASSERT_NE(alertmanager, nullptr);
    ASSERT_NE(prometheus, nullptr);

    // Every device up, with its texts on _info, the hostile ones intact.
    ASSERT_TRUE(WaitFor(
        [&] {
            const Json up = Query("zunit_device_up == 1");
            return up.size() == 4;
        },
        30000))
        << ReadFile(Path("exporter.out")) << Fetch("http://127.0.0.1:19090/api/v1/targets")
        << Query("zunit_device_up").dump();
    const Json info = Query("zunit_device_info");
    ASSERT_EQ(info.size(), 4u) << info.dump();
    std::map<std::string, Json> byId;
    for (const Json& series : info) {
        byId[series["metric"]["device_id"]] = series["metric"];
    }
    ASSERT_EQ(byId.count("zelvane.cuedeck/CD-1"), 1u) << info.dump();
    EXPECT_EQ(byId["zelvane.cuedeck/CD-1"]["name"], "Booth \"2\" \\ main\nline");
    EXPECT_EQ(byId["zelvane.cuedeck/CD-1"]["address"], "10.200.0.50");
    EXPECT_EQ(byId["zelvane.cuedeck/CD-1"]["interface"], pair_.ifA);
    EXPECT_EQ(byId["zelvane.cuedeck/CD-1"]["site"], "test");
    EXPECT_EQ(byId["zelvane.vxp2@10.200.0.80:80"]["name"], "Wall \u202e\u2066 )x(");
    EXPECT_EQ(byId["zelvane.conductor6/CN-6"]["model"], "Conductor Venue");
    // The 3,000-byte name arrives cut at the model's limit.
    for (const auto& [id, labels] : byId) {
        EXPECT_LE(labels["name"].get<std::string>().size(), 256u) << id;
    }

    // promtool reads the exposition itself without complaint.
    ASSERT_TRUE(ztest::RunCommand("ip netns exec " + pair_.a +
                                  " curl -s -m 5 http://127.0.0.1:10258/metrics > " +
                                  Path("metrics.txt")));
    std::string lint;
    EXPECT_TRUE(ztest::RunCommand(
        std::string(kPromtool) + " check metrics < " + Path("metrics.txt") + " 2>&1", &lint))
        << lint;

    // The stage goes silent: 0 within two search cycles and a half, a tick and a scrape.
    StartSimulator(Devices(/*withStage=*/false));
    const auto silenced = Clock::now();
    ASSERT_TRUE(WaitFor(
        [&] {
            const Json stage = Query("zunit_device_up{device_id=\"zelvane.conductor6/CN-6\"}");
            return stage.size() == 1 && Value(stage[0]) == 0;
        },
        15000));
    const int64_t readZeroMs = MsSince(silenced);
    std::printf("[ figures  ] stage read 0 in Prometheus %lld ms after it went silent\n",
                static_cast<long long>(readZeroMs));
    EXPECT_LT(readZeroMs, 1250 + 100 + 1000 + 2500);  // stale, tick, scrape, a busy machine
    // The others answer again after the simulator's restart.
    EXPECT_TRUE(WaitFor([&] { return Query("zunit_device_up == 1").size() == 3; }, 10000));

    // The shipped missing-device rule fires and reaches Alertmanager, with the device's name.
    ASSERT_TRUE(WaitFor(
        [&] {
            const Json alerts =
                Json::parse(Fetch("http://127.0.0.1:19093/api/v2/alerts"), nullptr, false);
            if (!alerts.is_array()) {
                return false;
            }
            for (const Json& a : alerts) {
                if (a["labels"].value("alertname", "") == "ZunitDeviceMissing" &&
                    a["labels"].value("name", "") == "Stage" &&
                    a["labels"].value("device_id", "") == "zelvane.conductor6/CN-6") {
                    return true;
                }
            }
            return false;
        },
        30000))
        << Fetch("http://127.0.0.1:19090/api/v1/alerts") << ReadFile(Path("prometheus.out"));

    // SIGTERM ends the exporter cleanly, and its state file remembers all four.
    exporter->Signal();
    EXPECT_EQ(exporter->Wait(5000), 0) << ReadFile(Path("exporter.out"));
    const std::string state = ReadFile(Path("exporter.state"));
    EXPECT_NE(state.find("\"id\":\"zelvane.conductor6/CN-6\""), std::string::npos) << state;
}

}  // namespace
}  // namespace products_test
