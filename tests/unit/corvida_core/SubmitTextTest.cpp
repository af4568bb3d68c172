#include "Collector.h"

#include <gtest/gtest.h>

namespace {

TEST(CollectorOptions, DeviceAndSerialNumberTable)
{
    struct Case {
        const char* device;
        const char* serial;
        const char* options;
    } cases[] = {
        {"Aldera 800", "AL800-4711", " -p \"Aldera 800\"  -c \"AL800-4711\""},
        {"Aldera 800", "user^4711", " -p \"Aldera 800\"  -c \"4711\""},
        {"Aldera 800", "", " -p \"Aldera 800\" "},
        {"Aldera 800", "user^", " -p \"Aldera 800\" "},
        {"", "", " -p \"\" "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildCollectorOptions(c.device, c.serial), c.options) << c.serial;
}

TEST(CollectorConfiguration, DirectoryFileText)
{
    EXPECT_EQ(DirectoryIniBytes(), "\r\n\r\n [DIRECTORY]  \r\n\r\n Path Directory= .\\ \r\n");
}

}  // namespace
