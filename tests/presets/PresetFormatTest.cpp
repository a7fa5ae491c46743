#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "ParameterSanitizer.h"
#include "PresetFiles.h"
#include "PresetFormat.h"

namespace frostel {
namespace {

FilterParameters Defaults() {
    FilterParameters p{};
    ApplyWindowPlacementDefaults(p);
    ApplyParameterDefaults(p);
    p.geometryDirty = 0;
    return p;
}

bool SameBytes(const FilterParameters& a, const FilterParameters& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool Read(const std::string& text, FilterParameters& p) { return ReadPresetText(text.data(), text.size(), p); }

std::string Preset(const std::string& body) { return std::string(kPresetHeader) + "\nVersion 1;\n" + body; }

TEST(PresetText, WritesTheTableInItsThreeForms) {
    FilterParameters p = Defaults();
    p.BkCl = 255;
    const std::string text = WritePresetText(p);
    EXPECT_EQ(0u, text.find("Frostel Preset;\nVersion 1;\n;------Emitter------\nlCkB 255 \t\t\t\t;Background Color\n"));
    // The emitter type is a byte written in the integer form; RenderMode in the byte form.
    EXPECT_NE(std::string::npos, text.find("\npTmE 2 \t\t\t\t;Emitter Type\n"));
    EXPECT_NE(std::string::npos, text.find("\nMdnR 5 \t\t\t\t;RenderMode \n"));
    EXPECT_NE(std::string::npos, text.find("\nelcS 100.00 \t\t\t\t;Scale \n"));
    EXPECT_NE(std::string::npos, text.find("\ncrfR -50.00 \t\t\t\t;Refraction \n"));
    const std::string end = ";------The End------\n";
    EXPECT_EQ(text.size() - end.size(), text.rfind(end));
    // 3 header lines, 47 keys, the end line.
    EXPECT_EQ(51, std::count(text.begin(), text.end(), '\n'));
}

TEST(PresetText, RoundTripsEveryParameter) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        FilterParameters p = Defaults();
        // In-range values for every field: a random pick between its sanitised extremes.
        for (const ParameterKey& k : ParameterKeys) {
            if (k.isFloat()) {
                StoreFloatParameter(p, k, std::uniform_real_distribution<double>(-400, 400)(rng));
            } else {
                StoreIntegerParameter(p, k, int64_t(rng()) - (int64_t(1) << 31));
            }
        }
        p.Colr = 0xFFFFFFFF;
        p.RndS = 0x80000001;
        FilterParameters q = Defaults();
        const std::string text = WritePresetText(p);
        ASSERT_TRUE(Read(text, q));
        for (const ParameterKey& k : ParameterKeys) {
            if (k.isFloat())
                EXPECT_NEAR(GetFloatField(p, k), GetFloatField(q, k), 0.005 + 1e-6) << k.name;
            else
                EXPECT_EQ(GetIntegerField(p, k), GetIntegerField(q, k)) << k.name;
        }
    }
}

TEST(PresetText, WithoutItsHeaderChangesNothing) {
    FilterParameters p = Defaults();
    const FilterParameters before = p;
    EXPECT_FALSE(Read("Version 1;\nlCkB 255\n", p));
    EXPECT_FALSE(Read("", p));
    EXPECT_FALSE(Read(" Frostel Preset;\nlCkB 255\n", p));
    EXPECT_TRUE(SameBytes(before, p));
}

TEST(PresetText, KeysAreTheirMemoryBytes) {
    FilterParameters p = Defaults();
    ASSERT_TRUE(Read(Preset("BkCl 7\nlCkB 255 \t\t\t\t;Background Color\nunknown line\n;comment\nab\n"), p));
    EXPECT_EQ(255u, p.BkCl);
    // An integer line without a number is skipped, as a float line without one is.
    ASSERT_TRUE(Read(Preset("lCkB red\nSdnR -\nnInM x\npTmE ;7\n"), p));
    EXPECT_EQ(255u, p.BkCl);
    EXPECT_EQ(Defaults().RndS, p.RndS);
    EXPECT_EQ(Defaults().MnIn, p.MnIn);
    EXPECT_EQ(Defaults().EmTp, p.EmTp);
    // Missing keys keep their values.
    EXPECT_EQ(Defaults().Scle, p.Scle);
}

TEST(PresetText, ValuesFromFilesKeepTheirMeaningAndStayFinite) {
    FilterParameters p = Defaults();
    ASSERT_TRUE(Read(Preset("rTxM 0\ntIxM -1\nMdnR 99\nelcS 1e999\nnInM nan\nrloC 4294967295\n"
                            "SdnR 99999999999999999999999\n1nrT 12,5\nhtdW 12,5\n"),
                     p));
    EXPECT_EQ(0u, p.MxTr);
    EXPECT_EQ(0xFFFFFFFFu, p.MxIt);  // the field's bits
    EXPECT_EQ(99u, p.RndM);          // draws as Phong
    EXPECT_EQ(Defaults().Scle, p.Scle);  // infinite: refused
    EXPECT_EQ(Defaults().MnIn, p.MnIn);  // no number: refused
    EXPECT_EQ(0xFFFFFFFFu, p.Colr);
    EXPECT_EQ(0xFFFFFFFFu, p.RndS);  // saturated, then its low 32 bits
    EXPECT_FLOAT_EQ(12.5f, p.Trn1);   // a decimal comma
    EXPECT_FLOAT_EQ(12.5f, p.Wdth);
    for (const ParameterKey& k : ParameterKeys) {
        if (k.isFloat()) {
            EXPECT_TRUE(std::isfinite(GetFloatField(p, k))) << k.name;
        }
    }
}

TEST(PresetText, LinesEndOnlyAtLineEnds) {
    FilterParameters p = Defaults();
    // A byte order mark, CR LF, a comment with bytes from 0x80 up, an over-long line whose tail
    // looks like a key, NUL in a comment, and a last line without its end.
    std::string body = "lCkB 17 \t\t\t\t;Hintergrundfarbe \xC3\xA4\r\n";
    body += "; " + std::string(5000, 'x') + "\nrloC 9\n" + std::string(3000, ' ') + "lCkB 1\n";
    body += std::string("pTmE 3 ;\0nul\n", 13);
    body += "elcS 42.25";
    const std::string text = "\xEF\xBB\xBF" + Preset(body);
    ASSERT_TRUE(Read(text, p));
    EXPECT_EQ(17u, p.BkCl);
    EXPECT_EQ(9u, p.Colr);
    EXPECT_EQ(3u, p.EmTp);
    EXPECT_FLOAT_EQ(42.25f, p.Scle);
}

TEST(PresetText, NumberTokens) {
    int64_t n = 99;
    EXPECT_TRUE(ParseIntegerValue("  12,5", n));
    EXPECT_EQ(12, n);
    EXPECT_TRUE(ParseIntegerValue("-7 ;x", n));
    EXPECT_EQ(-7, n);
    EXPECT_TRUE(ParseIntegerValue("-99999999999999999999", n));
    EXPECT_EQ(INT64_MIN, n);
    EXPECT_TRUE(ParseIntegerValue("99999999999999999999", n));
    EXPECT_EQ(INT64_MAX, n);
    // No digit right after the sign: no number, and the value is left alone.
    for (const char* none : {"abc", "", "  ;5", "-", "-x5", ".5", ",7", "e3", "- 5"}) {
        n = 99;
        EXPECT_FALSE(ParseIntegerValue(none, n)) << none;
        EXPECT_EQ(99, n) << none;
    }
    double v = 0;
    EXPECT_TRUE(ParseFloatValue(" -3.25e1", v));
    EXPECT_DOUBLE_EQ(-32.5, v);
    EXPECT_FALSE(ParseFloatValue("-.e5", v));
    // The token stops at 63 characters: the 64th digit is not read.
    EXPECT_TRUE(ParseFloatValue(("0." + std::string(60, '0') + "98").c_str(), v));
    EXPECT_NEAR(9e-61, v, 1e-70);
    EXPECT_TRUE(ParseFloatValue(("0." + std::string(61, '0') + "9").c_str(), v));
    EXPECT_EQ(0.0, v);
    EXPECT_EQ("Snow", ParseTextValue("  Snow   ;comment"));
    EXPECT_EQ(ParseTextValue("Snow"), ParseTextValue("Snow \t;x"));
}

TEST(IniText, SevenPlacementKeys) {
    FilterParameters p = Defaults();
    p.dialogLeft = -5;
    p.dialogTop = 77;
    p.dialogWidth = 900;
    p.dialogHeight = 700;
    p.curveLeft = 1;
    p.curveTop = 2;
    p.curveInteractive = 1;
    const std::string text = WriteIniText(p);
    EXPECT_EQ(0u, text.find(";Parameters for Frostel plug-in UI\ntfeL -5 \t\t\t\t;Left of window\n"));
    EXPECT_NE(std::string::npos, text.find("\n poT 77 \t\t\t\t;Top of window\n"));
    FilterParameters q = Defaults();
    ReadIniText(text.data(), text.size(), q);
    EXPECT_TRUE(SameBytes(p, q));
    // Unknown keys, keys without a number and a file of rubbish change nothing.
    for (const std::string junk : {"xxxx 5\n\n;\n poT\n", "xxxx 5\nHello\n", "tfeL abc\nhtdW -\n"}) {
        FilterParameters r = Defaults();
        ReadIniText(junk.data(), junk.size(), r);
        EXPECT_TRUE(SameBytes(Defaults(), r)) << junk;
    }
}

TEST(IniText, DialogValuesKeptWholeCurveValuesClampedToTheirMeaning) {
    const std::string text =
        "tfeL 99999999999\n poT -99999999999\nhtdW 2147483647\nthgH -7\n"
        "fLvC 2147483647\npTvC -99999999999\nnIvC 7\n";
    FilterParameters p = Defaults();
    ReadIniText(text.data(), text.size(), p);
    // The dialog's rectangle is checked against the screens where it is used.
    EXPECT_EQ(INT32_MAX, p.dialogLeft);
    EXPECT_EQ(INT32_MIN, p.dialogTop);
    EXPECT_EQ(INT32_MAX, p.dialogWidth);
    EXPECT_EQ(-7, p.dialogHeight);
    // A point on a screen and a flag.
    EXPECT_EQ(32767, p.curveLeft);
    EXPECT_EQ(-32768, p.curveTop);
    EXPECT_EQ(1, p.curveInteractive);
    const std::string negative = "nIvC -3\n";
    ReadIniText(negative.data(), negative.size(), p);
    EXPECT_EQ(0, p.curveInteractive);
}

TEST(PresetNames, ExtensionAndChecks) {
    EXPECT_EQ("Snowfrlpst", StripPresetExtension("Snowfrlpst.frlpst"));
    EXPECT_EQ("Snowfrlpst", StripPresetExtension("Snowfrlpst"));
    EXPECT_EQ("a", StripPresetExtension("a.FRLPST"));
    EXPECT_TRUE(HasPresetExtension("a.FRLPST"));
    EXPECT_FALSE(HasPresetExtension(".frlpst"));
    EXPECT_FALSE(HasPresetExtension("afrlpst"));
    EXPECT_TRUE(IsImageFileName("x.TIFF"));
    EXPECT_FALSE(IsImageFileName("x.txt"));
    EXPECT_EQ(nullptr, CheckPresetName("Blue ice 2"));
    for (const char* bad : {"", "..\\up", "a/b", "a:b", "con", "Lpt1.txt", " lead", "trail.", "tab\tname",
                            "what?"})
        EXPECT_NE(nullptr, CheckPresetName(bad)) << bad;
    EXPECT_NE(nullptr, CheckPresetName(std::string(kMaxPresetName + 1, 'a')));
}

class PresetFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/frostel-presets-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir_ = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string dir_;
};

TEST_F(PresetFileTest, SaveLoadAndFailedWrites) {
    FilterParameters p = Defaults();
    p.Scle = 55.5f;
    const std::string path = dir_ + "/Ice.frlpst";
    ASSERT_TRUE(SavePresetFile(path, p));
    FilterParameters q = Defaults();
    ASSERT_TRUE(LoadPresetFile(path, q));
    EXPECT_FLOAT_EQ(55.5f, q.Scle);
    EXPECT_FALSE(LoadPresetFile(dir_ + "/missing.frlpst", q));

    // The temporary file cannot be made: the write fails and the old file stays whole.
    ASSERT_EQ(0, mkdir((path + ".tmp").c_str(), 0700));
    p.Scle = 10;
    EXPECT_FALSE(SavePresetFile(path, p));
    FilterParameters r = Defaults();
    ASSERT_TRUE(LoadPresetFile(path, r));
    EXPECT_FLOAT_EQ(55.5f, r.Scle);
    EXPECT_FALSE(SavePresetFile(dir_ + "/no/such/folder/x.frlpst", p));
}

TEST_F(PresetFileTest, IniFile) {
    FilterParameters p = Defaults();
    p.dialogTop = 333;
    const std::string path = dir_ + "/" + kIniFileName;
    ASSERT_TRUE(WriteIniFileAt(path, p));
    FilterParameters q = Defaults();
    ReadIniFileAt(path, q);
    EXPECT_EQ(333, q.dialogTop);
    FilterParameters r = Defaults();
    ReadIniFileAt(dir_ + "/none.ini", r);
    EXPECT_TRUE(SameBytes(Defaults(), r));
}

}  // namespace
}  // namespace frostel
