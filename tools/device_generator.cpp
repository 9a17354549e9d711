#include "tools/device_generator.h"

#include <cstdio>

#include "platform/network/inet.h"

namespace {

struct Kind {
    const char* service;
    const char* short_name;
    const char* model;
    const char* edition;  // the info document's edition code
    int majorVersion;
    uint16_t port;
};

// The eleven service names of the product family, with models and edition codes that the
// finder recognises.
constexpr Kind kKinds[ZDeviceGenerator::kKindCount] = {
    {"zelvane.cuedeck", "Cuedeck", "Cuedeck", "prime", 1, 4300},
    {"zelvane.cuedeck2", "Cuedeck2", "Zelvane Cuedeck", "apex", 2, 4300},
    {"zelvane.cuedeck7", "Cuedeck7", "Cuedeck7", "go", 7, 4300},
    {"zelvane.conductorrt", "ConductorRT", "ConductorRT", "cndrt", 1, 4310},
    {"zelvane.conductorrt2", "ConductorRT2", "ConductorRT", "cndrtprime", 2, 4310},
    {"zelvane.conductor5", "Conductor5", "Conductor", "cndprime", 5, 4320},
    {"zelvane.conductor6", "Conductor6", "Conductor", "cndvenue", 6, 4320},
    {"zelvane.vxp2", "VXP2", "VXP HD", "", 2, 80},
    {"zelvane.zth2", "Tonehost2", "Tonehost", "", 2, 4330},
    {"zelvane.handset", "Handset", "Handset", "", 1, 4340},
    {"zelvane.timekeeper", "Timekeeper", "Timekeeper", "", 1, 4350},
};

}  // namespace

std::vector<ZSimulatedDevice> ZDeviceGenerator::Generate(uint32_t count, uint32_t firstAddress,
                                                         uint32_t mask) {
    std::vector<ZSimulatedDevice> devices;
    devices.reserve(count);
    uint32_t host = zplat::NetToHost32(firstAddress);
    for (uint32_t i = 0; i < count; ++i) {
        while ((host & 0xFF) == 0 || (host & 0xFF) == 0xFF) {
            ++host;
        }
        const Kind& kind = kKinds[i % kKindCount];
        ZSimulatedDevice d;
        d.serviceName = kind.service;
        d.deviceName = std::string("Sim ") + kind.short_name + " " + std::to_string(i + 1);
        d.model = kind.model;
        d.version = std::to_string(kind.majorVersion) + ".0." + std::to_string(i % 100);
        char info[160];
        std::snprintf(info, sizeof info,
                      "<data><systemconfig><entry serial=\"SIM%06u\" model=\"%s\" "
                      "masterversion=\"%d\"/></systemconfig></data>",
                      i + 1, kind.edition, kind.majorVersion);
        d.info = info;
        d.address = zplat::HostToNet32(host++);
        d.mask = mask;
        d.port = kind.port;
        d.indexValue = 1;
        devices.push_back(std::move(d));
    }
    return devices;
}
