// ftpls's own parts: the terminal escaping, CSV quoting, --encoding=auto's
// code page and decoder, the option table and the column table.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "codepages.h"
#include "options.h"
#include "output.h"
#include "text.h"

namespace {

using ftpls::CodePage;

// Each input in a heap buffer of exactly its length.
class Exact {
public:
    explicit Exact(std::string_view text) : bytes_(new char[text.size()]), size_(text.size()) {
        std::copy(text.begin(), text.end(), bytes_.get());
    }
    std::string_view view() const { return std::string_view(bytes_.get(), size_); }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_;
};

std::string Display(std::string_view text) {
    std::string out;
    ftpls::AppendDisplay(out, Exact(text).view());
    return out;
}

TEST(Display, ControlCharactersNeverReachTheTerminal) {
    struct Case {
        const char* why;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"retitle and recolour", "evil\033]0;title\007\033[31m", "evil\\x1b]0;title\\x07\\x1b[31m"},
        {"DEL",
         std::string("del\x7f"
                     "ete"),
         "del\\x7fete"},
        {"line breaks and tab", "a\nb\rc\td", "a\\x0ab\\x0dc\\x09d"},
        {"NUL", std::string("nul\0x", 5), "nul\\x00x"},
        {"C1 CSI written in UTF-8", "c1-\xc2\x9b-x", "c1-\\x9b-x"},
        {"C1 as a lone byte (undecoded)", "c1-\x9b-x", "c1-\\x9b-x"},
        {"U+00A0 is no control", "nb\xc2\xa0sp", "nb\xc2\xa0sp"},
        {"UTF-8 letters pass", "M\xc3\xa4rz \xd0\xaf", "M\xc3\xa4rz \xd0\xaf"},
        {"other lone bytes pass", "M\xe4rz", "M\xe4rz"},
        {"a backslash is kept as it is", "a\\b", "a\\b"},
    };
    for (const Case& c : cases) EXPECT_EQ(Display(c.in), c.out) << c.why;
}

TEST(Display, WidthCountsCharactersNotBytes) {
    EXPECT_EQ(ftpls::DisplayWidth(Exact("M\xc3\xa4rz").view()), 4u);
    EXPECT_EQ(ftpls::DisplayWidth(Exact("M\xe4rz").view()), 4u);
    EXPECT_EQ(ftpls::DisplayWidth(Exact("").view()), 0u);
}

TEST(Csv, EveryByteKeptAndQuotingNeverBroken) {
    struct Case {
        const char* why;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"plain", "a.txt", "a.txt"},
        {"comma", "a,b", "\"a,b\""},
        {"quotes doubled", "say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line breaks inside quotes", "a\r\nb", "\"a\r\nb\""},
        {"escape bytes kept raw", "evil\033[31m", "evil\033[31m"},
        {"leading space", " lead", "\" lead\""},
        {"trailing space", "trail ", "\"trail \""},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        std::string out;
        ftpls::AppendCsvField(out, Exact(c.in).view());
        EXPECT_EQ(out, c.out) << c.why;
    }
}

// The code page that --encoding=auto converts from for `listing` (the
// library's MonthCodePage, then FromRevealed), fed whole, in two chunks cut
// at every offset, and one byte at a time: all must agree.
CodePage Detect(std::string_view listing) {
    const Exact exact(listing);
    const std::string_view bytes = exact.view();
    ftpdir::MonthCodePage whole;
    whole.append(bytes);
    const CodePage result = ftpls::FromRevealed(whole.finish());
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        ftpdir::MonthCodePage two;
        two.append(bytes.substr(0, cut));
        two.append(bytes.substr(cut));
        EXPECT_EQ(ftpls::FromRevealed(two.finish()), result) << "cut at " << cut;
    }
    ftpdir::MonthCodePage single;
    for (const char c : bytes) single.append(std::string_view(&c, 1));
    EXPECT_EQ(ftpls::FromRevealed(single.finish()), result);
    return result;
}

TEST(EncodingAuto, MonthNamesRevealTheCodePage) {
    struct Case {
        const char* why;
        const char* listing;
        CodePage page;
    };
    const Case cases[] = {
        {"German M\xe4r", "-rw-r--r-- 1 a b 9 M\xe4r 12  2021 x\r\n", CodePage::kWindows1252},
        {"French f\xe9vr. with its dot", "-rw-r--r-- 1 a b 9 f\xe9vr. 3  2022 x\n",
         CodePage::kWindows1252},
        {"Czech \xfano (ISO-8859-2)", "-rw-r--r-- 1 a b 9 \xfano 3  2022 x\n",
         CodePage::kWindows1250},
        {"Polish pa\x9f", "-rw-r--r-- 1 a b 9 pa\x9f 3  2022 x\n", CodePage::kWindows1250},
        {"Russian in Windows-1251", "-rw-r--r-- 1 a b 9 \xff\xed\xe2  9  2023 x\n",
         CodePage::kWindows1251},
        {"Russian in KOI8-R", "-rw-r--r-- 1 a b 9 \xd1\xce\xd7  9  2023 x\n", CodePage::kKoi8R},
        {"genitive in KOI8-R", "-rw-r--r-- 1 a b 9 \xcd\xc1\xd1  9  2023 x", CodePage::kKoi8R},
        {"no month name", "-rw-r--r-- 1 a b 9 Jan  9  2023 \xe9t\xe9\n", CodePage::kWindows1252},
        {"UTF-8 month names convert nothing", "x 9 f\xc3\xa9vr. 3 2022 y\n",
         CodePage::kWindows1252},
        {"inside a longer token it is no month", "x \xff\xed\xe2.txt\n", CodePage::kWindows1252},
        {"most tokens win", "\xff\xed\xe2 \xf4\xe5\xe2 M\xe4r\n", CodePage::kWindows1251},
        {"an overlong token is skipped",
         "\xff\xed\xe2\xff\xed\xe2\xff\xed\xe2\xff\xed\xe2\xff\xed\xe2\xff\xed\xe2\xff\xed\xe2"
         "\xff\xed\xe2\xff\xed\xe2\xff\xed\xe2\xff\xed\xe2\xff\n",
         CodePage::kWindows1252},
    };
    for (const Case& c : cases) EXPECT_EQ(Detect(c.listing), c.page) << c.why;
}

TEST(EncodingAuto, FinishForgetsTheLastListing) {
    ftpdir::MonthCodePage d;
    d.append("\xd1\xce\xd7 ");
    EXPECT_EQ(d.finish(), ftpdir::CodePage::koi8r);
    d.append("\xd1\xce");  // an open token ends with its listing
    EXPECT_EQ(d.finish(), ftpdir::CodePage::unknown);
    d.append("\xd7 ");
    EXPECT_EQ(d.finish(), ftpdir::CodePage::unknown);
}

TEST(TextDecoder, AutoKeepsUtf8AndConvertsTheRest) {
    struct Case {
        const char* why;
        CodePage page;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"valid UTF-8 passes", CodePage::kWindows1251, "r\xc3\xa9sum\xc3\xa9",
         "r\xc3\xa9sum\xc3\xa9"},
        {"ASCII passes", CodePage::kKoi8R, "plain.txt", "plain.txt"},
        {"Windows-1252", CodePage::kWindows1252, "M\xe4rz \x80", "M\xc3\xa4rz \xe2\x82\xac"},
        {"Windows-1251", CodePage::kWindows1251, "\xff\xed\xe2", "\xd1\x8f\xd0\xbd\xd0\xb2"},
        {"KOI8-R", CodePage::kKoi8R, "\xd1\xce\xd7", "\xd1\x8f\xd0\xbd\xd0\xb2"},
        {"Windows-1250", CodePage::kWindows1250, "\xfano", "\xc3\xbano"},
        {"undefined byte", CodePage::kWindows1251, "a\x98", "a\xef\xbf\xbd"},
    };
    for (const Case& c : cases) {
        ftpls::TextDecoder decoder;
        ASSERT_TRUE(decoder.Configure("auto"));
        decoder.SetRevealed(c.page);
        EXPECT_EQ(decoder.Decode(Exact(c.in).view()), c.out) << c.why;
    }
    ftpls::TextDecoder none;
    ASSERT_TRUE(none.Configure("none"));
    EXPECT_EQ(none.Decode("M\xe4rz"), "M\xe4rz");
    EXPECT_FALSE(none.Configure("NO-SUCH-CODE-PAGE"));
}

// argv from a list of words.
bool Parse(std::vector<std::string> words, ftpls::Options& options, std::string& error) {
    words.insert(words.begin(), "ftpls");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    return ftpls::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(Options, EachOptionReachesItsField) {
    ftpls::Options o;
    std::string error;
    ASSERT_TRUE(Parse({"-l", "--classic", "--keep-versions", "--encoding", "none", "--list",
                       "--ssl", "--connect-timeout=5", "--max-time", "30", "--save-raw=raw.txt",
                       "--csv", "f1", "-", "--", "-x"},
                      o, error))
        << error;
    EXPECT_TRUE(o.attributes && o.classic && o.keepVersions && o.ssl);
    EXPECT_EQ(o.encoding, "none");
    EXPECT_EQ(o.command, ftpls::Command::kList);
    EXPECT_EQ(o.connectTimeout, 5);
    EXPECT_EQ(o.maxTime, 30);
    EXPECT_EQ(o.saveRaw, "raw.txt");
    EXPECT_EQ(o.format, ftpls::Format::kCsv);
    EXPECT_EQ(o.files, (std::vector<std::string>{"f1", "-", "-x"}));
}

TEST(Options, UsageErrors) {
    struct Case {
        std::vector<std::string> words;
        const char* error;
    };
    const Case cases[] = {
        {{"--mlsd", "--list"}, "--mlsd and --list exclude each other"},
        {{"--max-time=0"}, "invalid number of seconds '0' for --max-time"},
        {{"--connect-timeout=2s"}, "invalid number of seconds '2s' for --connect-timeout"},
        {{"--save-raw="}, "option '--save-raw' needs a file name"},
        {{"--ssl=yes"}, "option '--ssl' takes no argument"},
        {{"-lx"}, "unknown option '-lx'"},
        {{"--max-time"}, "option '--max-time' needs an argument"},
    };
    for (const Case& c : cases) {
        ftpls::Options o;
        std::string error;
        EXPECT_FALSE(Parse(c.words, o, error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(Options, EncodingDefaultsByFormat) {
    ftpls::Options o;
    EXPECT_EQ(ftpls::EffectiveEncoding(o), "auto");
    o.classic = true;
    EXPECT_EQ(ftpls::EffectiveEncoding(o), "none");
    o = ftpls::Options();
    o.format = ftpls::Format::kJson;
    EXPECT_EQ(ftpls::EffectiveEncoding(o), "none");
    o.encoding = "auto";
    EXPECT_EQ(ftpls::EffectiveEncoding(o), "auto");
}

TEST(Options, HelpListsEveryOptionWithinEightyColumns) {
    const std::string help = ftpls::HelpText();
    for (const char* name :
         {"--classic", "--keep-versions", "--encoding=NAME", "--mlsd", "--list", "--ssl",
          "--connect-timeout=SECONDS", "--max-time=SECONDS", "--save-raw=FILE", "\\xHH"}) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
    }
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = help.find('\n', start);
        EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
        start = end + 1;
    }
}

// What Output writes for `entries`.
std::string Write(ftpls::Format format, bool extended, const std::vector<ftpdir::Entry>& entries) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    ftpls::TextDecoder decoder;
    decoder.Configure(format == ftpls::Format::kTable ? "auto" : "none");
    ftpls::Output output(file, format, false, extended, false, decoder);
    output.Begin();
    output.Listing("x", entries);
    output.End();
    EXPECT_TRUE(output.Flush());
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(&text[0], 1, text.size(), file), text.size());
    std::fclose(file);
    return text;
}

ftpdir::Entry MakeEntry(std::optional<ftpdir::Date> date, std::optional<ftpdir::Time> time,
                        bool utc = false) {
    ftpdir::Entry e;
    e.name = "n";
    e.size = 7;
    e.date = date;
    e.time = time;
    e.utc = utc;
    e.format = ftpdir::Format::mlsd;
    return e;
}

TEST(Output, ModifiedIsIso8601UpToWhatTheListingTells) {
    struct Case {
        const char* why;
        ftpdir::Entry entry;
        const char* json;  // the keys from "second" on
    };
    const ftpdir::Date day{2002, 1, 15};
    const Case cases[] = {
        {"date and time", MakeEntry(day, ftpdir::Time{10, 30}),
         "\"second\": null, \"target\": \"\", \"owner\": \"\", \"group\": \"\", \"format\": "
         "\"mlsd\", \"modified\": \"2002-01-15T10:30\"}"},
        {"seconds, UTC", MakeEntry(day, ftpdir::Time{10, 30, 45}, true),
         "\"second\": 45, \"target\": \"\", \"owner\": \"\", \"group\": \"\", \"format\": "
         "\"mlsd\", \"modified\": \"2002-01-15T10:30:45Z\"}"},
        {"the date alone", MakeEntry(day, std::nullopt, true),
         "\"second\": null, \"target\": \"\", \"owner\": \"\", \"group\": \"\", \"format\": "
         "\"mlsd\", \"modified\": \"2002-01-15\"}"},
        {"no date", MakeEntry(std::nullopt, ftpdir::Time{1, 2}),
         "\"second\": null, \"target\": \"\", \"owner\": \"\", \"group\": \"\", \"format\": "
         "\"mlsd\", \"modified\": null}"},
    };
    for (const Case& c : cases) {
        const std::string json = Write(ftpls::Format::kJson, true, {c.entry});
        EXPECT_NE(json.find(c.json), std::string::npos) << c.why << "\n" << json;
    }
}

TEST(Output, ClassicColumnsAndExtendedColumns) {
    const std::vector<ftpdir::Entry> one = {MakeEntry(ftpdir::Date{2002, 1, 15}, std::nullopt)};
    EXPECT_EQ(Write(ftpls::Format::kCsv, false, one),
              "name,attributes,size,isDir,isLink,year,month,day,hour,minute\r\n"
              "n,,7,0,0,2002,1,15,,\r\n");
    EXPECT_EQ(Write(ftpls::Format::kCsv, true, one),
              "name,attributes,size,isDir,isLink,year,month,day,hour,minute,second,target,"
              "owner,group,format,modified\r\n"
              "n,,7,0,0,2002,1,15,,,,,,,mlsd,2002-01-15\r\n");
}

TEST(Output, TableShowsLinkTargetsEscaped) {
    ftpdir::Entry link = MakeEntry(ftpdir::Date{2002, 1, 15}, ftpdir::Time{9, 5, 7});
    link.isLink = true;
    link.name = "latest";
    link.target = "\033[2Jv1.4";
    ftpdir::Entry dir = MakeEntry(std::nullopt, std::nullopt);
    dir.isDir = true;
    dir.size = -1;
    dir.name = "d\xe9j\xe0";  // Windows-1252, no month revealed it: the default
    EXPECT_EQ(Write(ftpls::Format::kTable, true, {link, dir}),
              "l 7 2002-01-15 09:05:07 latest -> \\x1b[2Jv1.4\n"
              "d -                     d\xc3\xa9j\xc3\xa0\n");
}

}  // namespace
