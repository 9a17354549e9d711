// Input files of the command line (device files, expected inventories): only regular files of a
// bounded size are read, and device files whose texts cannot fit an answer are refused.

#include "tools/input_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ndd/ndd_protocol_processor.h"
#include "ndd/zg2p_message.h"
#include "tools/expected_inventory.h"
#include "tools/simulated_device_file.h"

namespace {

// A directory of its own for the files of one test, removed with everything in it.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/zunit-input-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~TempDir() {
        if (!path_.empty()) {
            std::string command = "rm -rf '" + path_ + "'";
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "could not remove %s\n", path_.c_str());
            }
        }
    }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name);
    }

private:
    std::string path_;
};

TEST(InputFileTest, OnlyRegularFilesOfBoundedSizeAreRead) {
    TempDir dir;
    const std::string small = dir.Write("small.json", "[1, 2]");
    const std::string limit = dir.Write("limit.json", std::string(1000, 'x'));
    const std::string over = dir.Write("over.json", std::string(1001, 'x'));
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A sparse file of a terabyte takes no disk, but would take all memory.
    const std::string sparse = dir.Path("sparse");
    {
        std::ofstream(sparse, std::ios::binary) << "";
        ASSERT_EQ(::truncate(sparse.c_str(), 1LL << 40), 0);
    }
    const std::string link = dir.Path("zero-link");
    ASSERT_EQ(::symlink("/dev/zero", link.c_str()), 0);
    const std::string goodLink = dir.Path("good-link");
    ASSERT_EQ(::symlink(small.c_str(), goodLink.c_str()), 0);

    const struct {
        std::string path;
        bool read;
        std::string error;
    } cases[] = {
        {small, true, ""},
        {goodLink, true, ""},
        {limit, true, ""},
        {over, false, over + ": 1001 bytes is more than the 1000 bytes an input file may have"},
        {sparse, false,
         sparse + ": 1099511627776 bytes is more than the 1000 bytes an input file may have"},
        {fifo, false, fifo + ": is a FIFO, not a regular file"},
        {"/dev/zero", false, "/dev/zero: is a character device, not a regular file"},
        {link, false, link + ": is a character device, not a regular file"},
        {dir.Path(""), false, dir.Path("") + ": is a directory, not a regular file"},
        {dir.Path("missing"), false, dir.Path("missing") + ": cannot be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string text = "before";
        std::string error;
        EXPECT_EQ(ZInputFile::Read(c.path, 1000, &text, &error), c.read);
        EXPECT_EQ(error, c.error);
        if (!c.read) {
            EXPECT_EQ(text, "before");
        }
    }
    std::string text;
    std::string error;
    ASSERT_TRUE(ZInputFile::Read(small, 1000, &text, &error));
    EXPECT_EQ(text, "[1, 2]");
    EXPECT_EQ(ZInputFile::kMaxBytes, 16u << 20);
}

TEST(InputFileTest, DeviceFilesAndInventoriesGoThroughTheSameChecks) {
    TempDir dir;
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<ZSimulatedDevice> devices;
    ZExpectedInventory inventory;
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        std::string error;
        EXPECT_FALSE(ZSimulatedDeviceFile::Load(path, &devices, &error));
        EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
        error.clear();
        EXPECT_FALSE(ZExpectedInventory::Load(path, &inventory, &error));
        EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    }
    const std::string big = dir.Path("big.json");
    {
        std::ofstream(big, std::ios::binary) << "";
        ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(ZInputFile::kMaxBytes) + 1), 0);
    }
    std::string error;
    EXPECT_FALSE(ZSimulatedDeviceFile::Load(big, &devices, &error));
    EXPECT_NE(error.find("is more than the 16 MiB"), std::string::npos) << error;
}

// One device whose texts are given, the rest of it as simple as it gets.
std::string DeviceFile(const std::string& name, const std::string& info,
                       const std::string& extra = "") {
    nlohmann::json device = {
        {"service", "zelvane.cuedeck"}, {"name", name}, {"address", "10.0.0.5"},
        {"mask", "255.0.0.0"},          {"port", 4300}, {"info", info}};
    if (!extra.empty()) {
        device["extra"] = extra;
    }
    return nlohmann::json::array({device}).dump();
}

// The answer the simulator would send for the device.
std::vector<uint8_t> Answer(const ZSimulatedDevice& d) {
    ZNDDProtocolProcessor builder;
    builder.BuildAnswer(d.serviceName.c_str(), d.address, d.mask, d.userData, d.port, d.auxValue,
                        d.deviceName.c_str(), d.model.c_str(), d.version.c_str(), d.info.c_str(), 0,
                        0, d.indexValue, d.extraText.c_str());
    return std::vector<uint8_t>(builder.GetData(), builder.GetData() + builder.GetLength());
}

TEST(SimulatedDeviceFileLimits, TextsThatCannotFitAnAnswerAreRefusedByEntryAndField) {
    // What the texts may take: one datagram of 65507 bytes less an answer with empty texts.
    ZSimulatedDevice empty;
    const size_t room = 65507 - Answer(empty).size();
    const size_t service = std::string("zelvane.cuedeck").size();
    const size_t name = std::string("Booth").size();
    const size_t fits = room - service - name;

    std::vector<ZSimulatedDevice> devices;
    std::string error;
    ASSERT_TRUE(
        ZSimulatedDeviceFile::Parse(DeviceFile("Booth", std::string(fits, 'i')), &devices, &error))
        << error;
    ASSERT_EQ(devices.size(), 1u);
    // The largest answer allowed is one whole datagram with all fifteen parameters.
    const std::vector<uint8_t> answer = Answer(devices[0]);
    EXPECT_EQ(answer.size(), 65507u);
    ZZG2PMessage message(answer.data(), static_cast<uint32_t>(answer.size()));
    EXPECT_EQ(message.GetParamCount(), 15);
    EXPECT_EQ(message.GetParamType(14), 6);  // the extra text, last, where it belongs

    const struct {
        const char* what;
        std::string file;
        std::string error;
    } cases[] = {
        {"one byte more", DeviceFile("Booth", std::string(fits + 1, 'i')),
         "entry 1 (\"Booth\"): field \"info\": " + std::to_string(fits + 1) +
             " bytes of text do not fit an answer (one datagram, at most 65507 bytes): with this "
             "entry's other texts it may have at most " +
             std::to_string(fits) + " bytes"},
        {"a megabyte of info", DeviceFile("Booth", std::string(1 << 20, 'i')),
         "entry 1 (\"Booth\"): field \"info\": 1048576 bytes of text do not fit an answer (one "
         "datagram, at most 65507 bytes): with this entry's other texts it may have at most " +
             std::to_string(fits) + " bytes"},
        {"the longest text is named", DeviceFile("Booth", "<data/>", std::string(70000, 'x')),
         "entry 1 (\"Booth\"): field \"extra\": 70000 bytes of text"},
        {"texts that fit alone but not together",
         DeviceFile("Booth", std::string(40000, 'i'), std::string(30000, 'x')),
         "entry 1 (\"Booth\"): field \"info\": 40000 bytes of text"},
        {"a NUL inside a text", DeviceFile(std::string("Bo\0th", 5), ""),
         "field \"name\": a text cannot hold a NUL character (\\u0000)"},
        {"a megabyte name is shown cut", DeviceFile(std::string(1 << 20, 'n'), ""),
         "entry 1 (\"" + std::string(60, 'n') + "\"...): field \"name\": 1048576 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        devices = {ZSimulatedDevice()};
        error.clear();
        EXPECT_FALSE(ZSimulatedDeviceFile::Parse(c.file, &devices, &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(devices.size(), 1u);
    }
}

TEST(SimulatedDeviceFileLimits, ErrorsShowTextsFromTheFileWithoutTheirControls) {
    const struct {
        const char* what;
        std::string file;
        std::string error;
    } cases[] = {
        {"escape in the entry's name",
         R"([{"service":"s","name":"\u001b[2J\u009b","address":"x","mask":"255.0.0.0","port":1}])",
         "entry 1 (\"\\u001b[2J\\u009b\"): field \"address\": expected a dotted IPv4 address, got "
         "\"x\""},
        {"escape in an address",
         R"([{"service":"s","name":"N","address":"\u001b]0;owned\u0007","mask":"255.0.0.0",)"
         R"("port":1}])",
         "entry 1 (\"N\"): field \"address\": expected a dotted IPv4 address, got "
         "\"\\u001b]0;owned\\u0007\""},
        {"escape in an unknown field's name",
         R"([{"service":"s","name":"N","address":"1.2.3.4","mask":"255.0.0.0","port":1,)"
         R"("\u001b[31m":1}])",
         "entry 1 (\"N\"): field \"\\u001b[31m\": unknown field"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ZSimulatedDevice> devices;
        std::string error;
        EXPECT_FALSE(ZSimulatedDeviceFile::Parse(c.file, &devices, &error));
        EXPECT_EQ(error, c.error);
    }
    ZExpectedInventory inventory;
    std::string error;
    EXPECT_FALSE(ZExpectedInventory::Parse(R"([{"\u001b[2J": "x"}])", &inventory, &error));
    EXPECT_EQ(error, "product 1: unknown member \"\\u001b[2J\"");
}

}  // namespace
