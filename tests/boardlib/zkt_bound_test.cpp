// Binding a library by name: each operation under its plain name or either
// stdcall decoration, only the operations a program calls, and what a
// message says of one not found.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "boardlib/zkt_bound.h"
#include "boardlib/zkt_names.h"

namespace {

// A library as the names it exports.
using Exports = std::map<std::string, void *>;

void *Lookup(void *context, const char *name) {
    const Exports &exports = *static_cast<const Exports *>(context);
    const auto found = exports.find(name);
    return found != exports.end() ? found->second : nullptr;
}

int32_t DisplayModePlain(int32_t mode) { return mode + 1; }
int32_t DisplayModeDecorated(int32_t mode) { return mode + 2; }
int32_t Cleanup() { return 7; }

template <typename Function>
void *Address(Function *function) {
    return reinterpret_cast<void *>(function);
}

// Every operation under the names form gives, displayMode and cleanup
// answering, the others never called.
Exports Library(const std::string &prefix, bool decorated) {
    Exports exports;
    for (const ZktOperationName &op : kZktOperationNames) {
        std::string name = prefix + op.name;
        if (decorated) name += "@" + std::to_string(4 * op.arguments);
        exports[name] = Address(&Cleanup);
    }
    exports[prefix + (decorated ? "ZKT_displayMode@4" : "ZKT_displayMode")] =
        Address(&DisplayModePlain);
    return exports;
}

TEST(ZktBindTest, EveryNameFormBinds) {
    for (const auto &form :
         {std::make_pair("", false), std::make_pair("_", true), std::make_pair("", true)}) {
        Exports exports = Library(form.first, form.second);
        ZktOperation missing = kZktCtrl;
        ASSERT_TRUE(ZktBind(Lookup, &exports, kZktAllOperations, &missing))
            << "prefix '" << form.first << "', decorated " << form.second;
        EXPECT_EQ(ZktBoundOps().displayMode(4), 5);
        EXPECT_EQ(ZktBoundOps().cleanup(), 7);
    }
}

TEST(ZktBindTest, ThePlainNameComesFirstThenTheUnderscore) {
    Exports exports = Library("", false);
    exports["_ZKT_displayMode@4"] = Address(&DisplayModeDecorated);
    ZktOperation missing = kZktCtrl;
    ASSERT_TRUE(ZktBind(Lookup, &exports, kZktAllOperations, &missing));
    EXPECT_EQ(ZktBoundOps().displayMode(4), 5);

    exports.erase("ZKT_displayMode");
    exports["ZKT_displayMode@4"] = Address(&DisplayModePlain);
    ASSERT_TRUE(ZktBind(Lookup, &exports, kZktAllOperations, &missing));
    EXPECT_EQ(ZktBoundOps().displayMode(4), 6);
}

TEST(ZktBindTest, OnlyTheOperationsNeededMustBeThere) {
    Exports exports = Library("", false);
    exports.erase("ZKT_ctrl");
    ZktOperation missing = kZktDisplayMode;
    EXPECT_FALSE(ZktBind(Lookup, &exports, kZktAllOperations, &missing));
    EXPECT_EQ(missing, kZktCtrl);

    const uint32_t withoutCtrl = kZktAllOperations & ~ZktOperationBit(kZktCtrl);
    ASSERT_TRUE(ZktBind(Lookup, &exports, withoutCtrl, &missing));
    EXPECT_EQ(ZktBoundOps().displayMode(1), 2);
    // Not bound: answered as misuse, never called.
    EXPECT_EQ(ZktBoundOps().ctrl(1, 0, 0, nullptr), static_cast<int32_t>(ZKTerr_BAD_MODE));
}

TEST(ZktBindTest, AMessageNamesEveryNameTried) {
    EXPECT_EQ(ZktNotFound(kZktCtrl), "ZKT_ctrl (tried ZKT_ctrl, _ZKT_ctrl@16, ZKT_ctrl@16)");
    EXPECT_EQ(ZktNotFound(kZktCleanup),
              "ZKT_cleanup (tried ZKT_cleanup, _ZKT_cleanup@0, ZKT_cleanup@0)");
    EXPECT_EQ(ZktNotFound(kZktServiceList),
              "ZKT_serviceList (tried ZKT_serviceList, _ZKT_serviceList@20, ZKT_serviceList@20)");
}

}  // namespace
