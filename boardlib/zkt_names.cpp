#include "boardlib/zkt_names.h"

const ZktOperationName kZktOperationNames[kZktOperationCount] = {
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) {"ZKT_" #name, words},
#include "boardlib/zkt_operations.inc"
};

namespace {

constexpr int kNameForms = 3;

// Form 0 is the plain name, 1 _name@N, 2 name@N.
std::string NameForm(ZktOperation operation, int form) {
    const ZktOperationName &op = kZktOperationNames[operation];
    if (form == 0) return op.name;
    return std::string(form == 1 ? "_" : "") + op.name + "@" + std::to_string(4 * op.arguments);
}

}  // namespace

const char *const kZktNameForms[kNameForms] = {"name", "_name@N", "name@N"};

void *ZktFindOperation(ZktLookup lookup, void *context, ZktOperation operation, int *form) {
    for (int tried = 0; tried < kNameForms; ++tried) {
        void *address = lookup(context, NameForm(operation, tried).c_str());
        if (address == nullptr) continue;
        if (form != nullptr) *form = tried;
        return address;
    }
    return nullptr;
}

// The names ZktFindOperation tries, in order.
std::string ZktNotFound(ZktOperation operation) {
    std::string text = std::string(kZktOperationNames[operation].name) + " (tried ";
    for (int form = 0; form < kNameForms; ++form) {
        text += (form > 0 ? ", " : "") + NameForm(operation, form);
    }
    return text + ")";
}
