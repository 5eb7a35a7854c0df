#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "synth/status_report.h"

namespace {

std::string ReportFor(uint32_t status) {
    testing::internal::CaptureStdout();
    ReportStatus("ZKTctrl_DDS_SETOUTFREQ", static_cast<int32_t>(status));
    return testing::internal::GetCapturedStdout();
}

struct StatusCase {
    uint32_t status;
    const char *line;
};

// Bits 16 to 18 are warnings: they never change the error named, while any
// other bit does.
const StatusCase kCases[] = {
    {0x00000000u, "ZKTctrl_DDS_SETOUTFREQ: ZKTerr_OK\n"},
    {0x00070000u, "ZKTctrl_DDS_SETOUTFREQ: ZKTerr_OK\n"},
    {0xC000010Au, "ZKTctrl_DDS_SETOUTFREQ: ZKTerr_BAD_MODE\n"},
    {0xC001010Au, "ZKTctrl_DDS_SETOUTFREQ: ZKTerr_BAD_MODE\n"},
    {0xC007010Au, "ZKTctrl_DDS_SETOUTFREQ: ZKTerr_BAD_MODE\n"},
    {0xC000010Bu, "ZKTctrl_DDS_SETOUTFREQ: ZKTerr_INSUFFICIENT_SERVICES\n"},
    {0xC004010Bu, "ZKTctrl_DDS_SETOUTFREQ: ZKTerr_INSUFFICIENT_SERVICES\n"},
    {0x00001800u, "ZKTctrl_DDS_SETOUTFREQ: ZKTerr_DDS_INVALID_WRRDREG\n"},
    {0x00071800u, "ZKTctrl_DDS_SETOUTFREQ: ZKTerr_DDS_INVALID_WRRDREG\n"},
    // One bit off outside 16..18, on either side of the warning bits.
    {0xC008010Bu, "ZKTctrl_DDS_SETOUTFREQ: Unknown error\n"},
    {0xC000810Bu, "ZKTctrl_DDS_SETOUTFREQ: Unknown error\n"},
    {0x4000010Bu, "ZKTctrl_DDS_SETOUTFREQ: Unknown error\n"},
    {0xC000010Cu, "ZKTctrl_DDS_SETOUTFREQ: Unknown error\n"},
    {0x00001801u, "ZKTctrl_DDS_SETOUTFREQ: Unknown error\n"},
    {0x00081800u, "ZKTctrl_DDS_SETOUTFREQ: Unknown error\n"},
    {0xFFFFFFFFu, "ZKTctrl_DDS_SETOUTFREQ: Unknown error\n"},
    {0x00000001u, "ZKTctrl_DDS_SETOUTFREQ: Unknown error\n"},
};

TEST(ReportStatus, NamesTheErrorIgnoringWarningBits) {
    for (const StatusCase &c : kCases) {
        EXPECT_EQ(ReportFor(c.status), c.line) << std::hex << "status 0x" << c.status;
    }
}

TEST(ReportStatus, PrintsTheCommandNameGiven) {
    testing::internal::CaptureStdout();
    ReportStatus("ZKTctrl_DDS_START", static_cast<int32_t>(0xC000010Au));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ZKTctrl_DDS_START: ZKTerr_BAD_MODE\n");
}

}  // namespace
