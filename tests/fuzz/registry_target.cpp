#include <string_view>

#include "fuzz/targets.h"
#include "host/registry_format.h"

namespace tv::fuzz {
namespace {

std::string describe(const RegistryDocument& d) {
    std::string out = std::string(registryRootName(d.root)) + "\n";
    for (const RegistryKeyEntry& k : d.keys) {
        out += "[" + k.path + "]\n";
        for (const RegistryValue& v : k.values) out += "  " + v.name + " = " + v.data + "\n";
    }
    return out;
}

bool sameDocument(const RegistryDocument& a, const RegistryDocument& b) {
    if (a.root != b.root || a.keys.size() != b.keys.size()) return false;
    for (std::size_t i = 0; i < a.keys.size(); ++i) {
        const RegistryKeyEntry& x = a.keys[i];
        const RegistryKeyEntry& y = b.keys[i];
        if (x.path != y.path || x.values.size() != y.values.size()) return false;
        for (std::size_t j = 0; j < x.values.size(); ++j)
            if (x.values[j].name != y.values[j].name || x.values[j].data != y.values[j].data)
                return false;
    }
    return true;
}

std::string roundTrip(std::string_view text, RegistryRoot root) {
    const RegistryParseResult first = parseRegistry(text, root);
    if (!first.document) {
        if (first.error.rfind("line ", 0) != 0) return "an error without its line: " + first.error;
        return "";
    }
    if (first.document->root != root) return "the document names another root";
    const std::string written = serializeRegistry(*first.document);
    const RegistryParseResult second = parseRegistry(written, root);
    if (!second.document)
        return "the written form does not parse (" + second.error + "):\n" + written;
    if (!sameDocument(*first.document, *second.document))
        return "the written form reads back differently:\n" + describe(*first.document) +
               "--- became ---\n" + describe(*second.document);
    // Written text is the canonical form: writing it again changes nothing.
    if (serializeRegistry(*second.document) != written) return "writing is not stable:\n" + written;
    return "";
}

}  // namespace

std::string registryInput(Input bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    try {
        for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
            std::string fault = roundTrip(text, root);
            if (!fault.empty()) return fault;
        }
    } catch (const std::exception& e) {
        return std::string("unexpected exception: ") + e.what();
    }
    return "";
}

}  // namespace tv::fuzz
