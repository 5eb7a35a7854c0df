// A fresh working directory per test, holding the zkt.ini that the library
// reads, and a library that starts every test uninitialised with nothing
// held back for its trace.
#ifndef QUILMAR_TESTS_SUPPORT_SIM_TEST_SUPPORT_H
#define QUILMAR_TESTS_SUPPORT_SIM_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "boardlib/zkt_api.h"
#include "tests/support/temp_dir.h"

// Payload doubles may sit on 4-byte boundaries, and the test macros bind
// their arguments to references: read such a field into a value first.
inline double Value(double field) { return field; }

constexpr int32_t kBadMode = static_cast<int32_t>(ZKTerr_BAD_MODE);
constexpr int32_t kNoService = static_cast<int32_t>(ZKTerr_INSUFFICIENT_SERVICES);

class SimLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.Path());
        ResetLibrary();
    }

    void TearDown() override {
        ResetLibrary();
        std::filesystem::current_path(previousDir_);
    }

    // Ends any session and drops whatever calls were held back for a trace:
    // an initialisation from an empty file (no trace) discards them.
    void ResetLibrary() {
        ZKT_cleanup();
        WriteFile("reset.ini", "");
        int32_t count = 0;
        ZKT_init("reset.ini", &count);
        ZKT_cleanup();
    }

    static void WriteFile(const std::string &name, const std::string &text) {
        std::ofstream out(name, std::ios::binary);
        out << text;
    }

    static std::string ReadFile(const std::string &name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Writes zkt.ini and starts the library on it; returns ZKT_init's result.
    int32_t Init(const std::string &ini, int32_t *countOut = nullptr) {
        WriteFile("zkt.ini", ini);
        int32_t count = -1;
        const int32_t result = ZKT_init("zkt.ini", &count);
        if (countOut != nullptr) *countOut = count;
        return result;
    }

    TempDir dir_;  // removed after TearDown has left it
    std::filesystem::path previousDir_;
};

#endif  // QUILMAR_TESTS_SUPPORT_SIM_TEST_SUPPORT_H
