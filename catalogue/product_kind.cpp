#include "catalogue/product_kind.h"

#include <cstring>

namespace {

constexpr ZProductKind kUnknownKind = {nullptr, ptUnknown, "", "Unknown", 1};

constexpr ZProductKind kKinds[] = {
    {"zelvane.cuedeck", ptCuedeck, "Cuedeck", "Zelvane Cuedeck Editor", 1},
    {"zelvane.cuedeck2", ptCuedeck2, "Cuedeck", "Zelvane Cuedeck Editor", 2},
    {"zelvane.cuedeck7", ptCuedeck7, "Cuedeck", "Remote Desktop", 7},
    {"zelvane.conductorrt", ptConductorRuntime, "Cuedeck", "Zelvane Conductor", 1},
    {"zelvane.conductorrt2", ptConductorRuntime2, "Cuedeck", "Zelvane Conductor", 2},
    {"zelvane.conductor5", ptConductor5, "Conductor", "Zelvane Conductor", 5},
    {"zelvane.conductor6", ptConductor6, "Conductor", "Zelvane Conductor", 6},
    {"zelvane.vxp2", ptVxp2, "VXP HD", "WEB Browser", 2},
    {"zelvane.zth2", ptTonehost2, "Zelvane Tonehost 2", "Zelvane Tone Client", 2},
    {"zelvane.handset", ptHandset, "Handset", "Zelvane Conductor", 1},
    {"zelvane.timekeeper", ptTimekeeper, "Zelvane Timekeeper Server", "Zelvane Timekeeper Client",
     1},
};

struct Suffix {
    const char* code;
    const char* suffix;
};

constexpr Suffix kCuedeckSuffixes[] = {
    {"apex", " Apex"},
    {"prime", " Prime"},
    {"go", " Go"},
    {"nano", " Nano"},
    {"", " Base"},
    {"cndrtapex", " Apex"},
    {"cndrtprime", " Prime"},
    {"cndrtgo", " Go"},
    {"cndrtnano", " Nano"},
    {"cndrt", " Base"},
    {"cndcdeapex", " Editor Apex"},
    {"cndcdeprime", " Editor Prime"},
    {"cndcdego", " Editor Go"},
    {"cndcdenano", " Editor Nano"},
    {"cndcde", " Editor Base"},
};

constexpr Suffix kConductorSuffixes[] = {
    {"cndprime", " Prime"},
    {"cndsolo", " Solo"},
    {"cndvenue", " Venue"},
};

template <size_t N>
const char* Lookup(const Suffix (&table)[N], const char* code) {
    for (const Suffix& row : table) {
        if (std::strcmp(row.code, code) == 0) {
            return row.suffix;
        }
    }
    return nullptr;
}

}  // namespace

const ZProductKind& FindProductKind(const char* serviceName) {
    if (serviceName != nullptr) {
        for (const ZProductKind& kind : kKinds) {
            if (std::strcmp(kind.serviceName, serviceName) == 0) {
                return kind;
            }
        }
    }
    return kUnknownKind;
}

const char* FindEditionSuffix(const char* label, const char* modelCode) {
    if (label == nullptr || modelCode == nullptr) {
        return nullptr;
    }
    if (std::strcmp(label, "Cuedeck") == 0) {
        return Lookup(kCuedeckSuffixes, modelCode);
    }
    if (std::strcmp(label, "Conductor") == 0) {
        return Lookup(kConductorSuffixes, modelCode);
    }
    return nullptr;
}
