#include "boardlib/zkt_names.h"

const ZktOperationName kZktOperationNames[kZktOperationCount] = {
    {"ZKT_displayMode", 1}, {"ZKT_init", 2},    {"ZKT_lidList", 3},     {"ZKT_getInfo", 2},
    {"ZKT_open", 3},        {"ZKT_puList", 4},  {"ZKT_serviceList", 5}, {"ZKT_capture", 5},
    {"ZKT_ctrl", 4},        {"ZKT_release", 2}, {"ZKT_close", 1},       {"ZKT_cleanup", 0}};

namespace {

constexpr int kNameForms = 3;

// Form 0 is the plain name, 1 _name@N, 2 name@N.
std::string NameForm(ZktOperation operation, int form) {
    const ZktOperationName &op = kZktOperationNames[operation];
    if (form == 0) return op.name;
    return std::string(form == 1 ? "_" : "") + op.name + "@" + std::to_string(4 * op.arguments);
}

}  // namespace

void *ZktFindOperation(ZktLookup lookup, void *context, ZktOperation operation) {
    for (int form = 0; form < kNameForms; ++form) {
        void *address = lookup(context, NameForm(operation, form).c_str());
        if (address != nullptr) return address;
    }
    return nullptr;
}

std::string ZktTriedNames(ZktOperation operation) {
    std::string names;
    for (int form = 0; form < kNameForms; ++form) {
        if (form > 0) names += ", ";
        names += NameForm(operation, form);
    }
    return names;
}

std::string ZktNotFound(ZktOperation operation) {
    return std::string(kZktOperationNames[operation].name) + " (tried " + ZktTriedNames(operation) +
           ")";
}
