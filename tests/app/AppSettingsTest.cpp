#include "app/AppSettings.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::app;
using namespace fw::test;

TEST(AppSettings, MissingOrTextValuesReadAsTheDecimalTheyHoldOr100)
{
    TempDir dir;
    const struct {
        const char* file; // INI content, or null for no file at all
        int expected;
    } cases[] = {
        {nullptr, 100},
        {"[Options]\n", 100},
        {"[Options]\nResolution=300\n", 300},
        {"[Options]\nResolution=\"72\"\n", 72},
        {"[Options]\nResolution=abc\n", 100},
        {"[Options]\nResolution=-5\n", -5},
        {"[Options]\nResolution=12abc\n", 100},
        {"[Other]\nResolution=300\n", 100},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString path = dir.path(QStringLiteral("s%1.ini").arg(n++));
        if (c.file) {
            ASSERT_TRUE(writeAll(path, QByteArray(c.file)));
        }
        EXPECT_EQ(AppSettings(path).readResolution(), c.expected) << (c.file ? c.file : "no file");
    }
}

TEST(AppSettings, WritesAndReadsBackCreatingTheFolders)
{
    TempDir dir;
    const AppSettings settings(dir.path(QStringLiteral("Orbek/Framewell/7.6.ini")));
    ASSERT_TRUE(settings.writeResolution(300));
    EXPECT_EQ(settings.readResolution(), 300);
    EXPECT_TRUE(readAll(settings.path()).contains("[Options]"));
    EXPECT_TRUE(readAll(settings.path()).contains("Resolution=300"));
    EXPECT_TRUE(AppSettings::defaultPath().endsWith(QStringLiteral("/Orbek/Framewell/7.6.ini")));
}
