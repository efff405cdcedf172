#include "app/Settings.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace qb;

namespace {

struct IniFile {
    qb::testing::TempDir dir;
    std::string path = (dir.path / "Quillbox.ini").string();
    void Write(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }
    std::string Read() const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

} // namespace

TEST(Settings, ReadingFollowsAtoiAndTheValueLimit)
{
    IniFile ini;
    EXPECT_EQ(ReadSettingInt("MainW", ini.path), -1); // no file
    EXPECT_EQ(ReadSettingString("FontName", ini.path), "");

    const std::string longValue(600, 'v');
    ini.Write("[QUILLBOX]\nMainW=abc\nMainH=800px\nEditorW=  -42  \nFontName=Arial\nLong=" + longValue + "\n");
    const struct {
        const char* key;
        int value;
    } rows[] = {{"MainW", 0}, {"MainH", 800}, {"EditorW", -42}, {"EditorH", -1}, {"FontName", 0}};
    for (const auto& row : rows)
        EXPECT_EQ(ReadSettingInt(row.key, ini.path), row.value) << row.key;
    EXPECT_EQ(ReadSettingString("FontName", ini.path), "Arial");
    EXPECT_EQ(ReadSettingString("fontname", ini.path), "Arial"); // profile keys ignore case
    EXPECT_EQ(ReadSettingString("Long", ini.path), longValue.substr(0, 511));
}

TEST(Settings, WritingKeepsEverythingElse)
{
    IniFile ini;
    ini.Write("; written by another program\r\n[Other]\r\nMainW=1\r\n\r\n[QUILLBOX]\r\nFontSize=9\r\n"
              "MainW=100\r\n[Tail]\r\nx=y\r\n");
    EXPECT_TRUE(WriteSettingInt("MainW", 800, ini.path));
    EXPECT_TRUE(WriteSettingString("FontName", "Arial", ini.path));
    EXPECT_EQ(ini.Read(), "; written by another program\n[Other]\nMainW=1\n\n[QUILLBOX]\nFontSize=9\nMainW=800\n"
                          "FontName=Arial\n[Tail]\nx=y\n");
    EXPECT_EQ(ReadSettingInt("MainW", ini.path), 800);
    EXPECT_EQ(FindIniValue(ini.Read(), "Other", "MainW"), "1");
    EXPECT_FALSE(WriteSettingString("FontName", "two\nlines", ini.path));
    EXPECT_EQ(ReadSettingString("FontName", ini.path), "Arial");
}

TEST(Settings, FirstWriteCreatesFileAndSection)
{
    IniFile ini;
    EXPECT_TRUE(WriteSettingString("FontName", "Arial", ini.path));
    EXPECT_EQ(ini.Read(), "[QUILLBOX]\nFontName=Arial\n");
    EXPECT_FALSE(WriteSettingString("K", "v", (ini.dir.path / "missing" / "Quillbox.ini").string()));
}
