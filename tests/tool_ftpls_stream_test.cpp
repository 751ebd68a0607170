// ftpls's EntryWriter: entries written as the parser hands them out give
// the output of the whole listing, byte for byte; what --encoding=auto and a
// failed input hold back or leave.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "codepages.h"
#include "core_helpers.h"
#include "output.h"
#include "text.h"
#include "writer.h"

namespace {

using ftpls::EntryWriter;
using ftpls::Format;
using ftpls::SortKey;

// An Output over a temporary file, and what it wrote.
class Capture {
public:
    Capture(Format format, bool extended, bool severalFiles, const std::string& encoding)
        : file_(std::tmpfile()) {
        EXPECT_TRUE(decoder.Configure(encoding));
        output.reset(new ftpls::Output(file_, format, true, extended, severalFiles, decoder));
    }
    ~Capture() { std::fclose(file_); }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Everything written so far, flushed.
    std::string Text() {
        EXPECT_TRUE(output->Flush());
        std::string text(static_cast<std::size_t>(std::ftell(file_)), '\0');
        std::rewind(file_);
        EXPECT_EQ(std::fread(&text[0], 1, text.size(), file_), text.size());
        return text;
    }

    ftpls::TextDecoder decoder;
    std::unique_ptr<ftpls::Output> output;

private:
    std::FILE* file_;
};

// The entries of `listing` in the batches a parser hands out when it gets
// the listing `chunk` bytes at a time, the last batch that of finish().
std::vector<EntryWriter::Batch> Batches(std::string_view listing, const ftpdir::Options& options,
                                        std::size_t chunk) {
    ftpdir::Parser parser(options);
    std::vector<EntryWriter::Batch> batches;
    for (std::size_t at = 0; at < listing.size(); at += chunk) {
        parser.append(listing.substr(at, chunk));
        batches.push_back(parser.takeReady());
    }
    batches.push_back(parser.finish());
    return batches;
}

// The code page --encoding=auto takes for `listing`.
ftpls::CodePage Revealed(std::string_view listing) {
    ftpdir::MonthCodePage page;
    page.append(listing);
    return ftpls::FromRevealed(page.finish());
}

struct Way {
    const char* why;
    Format format;
    SortKey sort;
    bool reverse;
    const char* encoding;
    bool classic;
    bool severalFiles;
};

const Way kWays[] = {
    {"table", Format::kTable, SortKey::kNone, false, "auto", false, true},
    {"table, classic", Format::kTable, SortKey::kNone, false, "none", true, false},
    {"CSV", Format::kCsv, SortKey::kNone, false, "none", false, false},
    {"CSV, several files", Format::kCsv, SortKey::kNone, false, "none", false, true},
    {"CSV, --encoding=auto", Format::kCsv, SortKey::kNone, false, "auto", false, false},
    {"CSV reversed", Format::kCsv, SortKey::kNone, true, "none", false, false},
    {"JSON", Format::kJson, SortKey::kNone, false, "none", false, true},
    {"JSON, --encoding=auto", Format::kJson, SortKey::kNone, false, "auto", false, true},
    {"JSON, classic", Format::kJson, SortKey::kNone, false, "none", true, false},
    {"JSON by size", Format::kJson, SortKey::kSize, false, "none", false, false},
    {"JSON by time, --encoding=auto", Format::kJson, SortKey::kTime, false, "auto", false, false},
};

const char* const kListings[] = {
    "examples/cms.txt",           "examples/dls.txt",          "examples/dos-iis.txt",
    "examples/dos.txt",           "examples/eplf.txt",         "examples/guardian.txt",
    "examples/ibmi-dmy.txt",      "examples/ibmi.txt",         "examples/jes.txt",
    "examples/mixed.txt",         "examples/mlsd.txt",         "examples/mvs-members.txt",
    "examples/mvs.txt",           "examples/nortel.txt",       "examples/os2.txt",
    "examples/os9.txt",           "examples/unix-cp1251.txt",  "examples/unix-extended.txt",
    "examples/unix-format.txt",   "examples/unix-numeric.txt", "examples/unix-padding.txt",
    "examples/unix-variants.txt", "examples/unix.txt",         "examples/vms-extended.txt",
    "examples/vms.txt",           "examples/vshell.txt",       "examples/wince.txt",
    "tests/tool/file-types.txt",  "tests/tool/hostile.txt",    "tests/tool/unix-cp1250.txt",
    "tests/tool/unix-koi8r.txt",  "tests/tool/utf8-edges.txt", "tests/tool/no-entries.txt",
};

// What ftpls writes for `listing` through EntryWriter, handed to it in
// `batches`.
std::string Streamed(const Way& way, std::string_view listing,
                     std::vector<EntryWriter::Batch> batches) {
    Capture out(way.format, !way.classic, way.severalFiles, way.encoding);
    EntryWriter::Settings settings;
    settings.sort = way.sort;
    settings.reverse = way.reverse;
    settings.autoEncoding = out.decoder.Auto();
    EntryWriter writer(*out.output, way.format, settings);
    writer.Start("a.txt");
    // A listing before set another code page: what streams must not depend on it.
    out.decoder.SetRevealed(ftpls::CodePage::kKoi8R);
    for (EntryWriter::Batch& batch : batches) writer.Add(std::move(batch));
    if (out.decoder.Auto()) out.decoder.SetRevealed(Revealed(listing));
    writer.Finish();
    out.output->End();
    return out.Text();
}

// What ftpls writes for the whole listing at once: its entries sorted, then
// the table or every row.
std::string Whole(const Way& way, std::string_view listing, const ftpdir::Listing& entries) {
    Capture out(way.format, !way.classic, way.severalFiles, way.encoding);
    std::vector<ftpls::Row> rows(entries.begin(), entries.end());
    ftpls::SortEntries(rows, way.sort, way.reverse);
    if (out.decoder.Auto()) out.decoder.SetRevealed(Revealed(listing));
    out.output->Begin();
    out.output->Listing("a.txt", rows);
    out.output->End();
    return out.Text();
}

TEST(EntryWriter, WritesWhatTheWholeListingGivesInEveryFormat) {
    for (const char* file : kListings) {
        const std::string listing = coretest::ReadSourceFile(file);
        ASSERT_FALSE(listing.empty()) << file;
        for (const Way& way : kWays) {
            ftpdir::Options options;
            options.dialect = way.classic ? ftpdir::Dialect::classic : ftpdir::Dialect::extended;
            options.today = ftpdir::Date{2024, 6, 15};
            const std::string expected = Whole(way, listing, ftpdir::parse(listing, options));
            for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, listing.size()}) {
                EXPECT_EQ(Streamed(way, listing, Batches(listing, options, chunk)), expected)
                    << file << ", " << way.why << ", chunks of " << chunk;
            }
        }
    }
}

// A listing of plain files with these names (MLSD lines).
ftpdir::Listing Files(std::initializer_list<const char*> names) {
    std::string listing;
    for (const char* name : names) listing += std::string("type=file;size=1; ") + name + "\r\n";
    return ftpdir::parse(listing);
}

// What the output writes for the whole listing of `names`.
std::string WholeFiles(Format format, std::initializer_list<const char*> names) {
    Capture out(format, true, false, "auto");
    out.decoder.SetRevealed(ftpls::CodePage::kWindows1251);
    const ftpdir::Listing files = Files(names);
    out.output->Begin();
    out.output->Listing("a.txt", std::vector<ftpls::Row>(files.begin(), files.end()));
    out.output->End();
    return out.Text();
}

// "\xcf\xf0\xe8" is "При" in Windows-1251 and "Ïðè" in Windows-1252: which
// the listing means is known only once its month names have all been read.
TEST(EntryWriter, AutoEncodingHoldsFromTheFirstEntryACodePageWouldChange) {
    for (const Format format : {Format::kCsv, Format::kJson}) {
        Capture out(format, true, false, "auto");
        EntryWriter::Settings settings;
        settings.autoEncoding = true;
        EntryWriter writer(*out.output, format, settings);
        writer.Start("a.txt");
        writer.Add(Files({"plain", "\xcf\xf0\xe8", "caf\xc3\xa9"}));
        writer.Add(Files({"late"}));
        // UTF-8 "café" reads alike under every code page, yet waits behind
        // the entry before it, to keep the listing's order.
        const std::string streamed = out.Text();
        EXPECT_NE(streamed.find("plain"), std::string::npos) << streamed;
        for (const char* held : {"\xcf", "\xd0\x9f", "caf", "late"}) {
            EXPECT_EQ(streamed.find(held), std::string::npos) << held << " in " << streamed;
        }
        out.decoder.SetRevealed(ftpls::CodePage::kWindows1251);
        writer.Finish();
        out.output->End();
        const std::string text = out.Text();
        EXPECT_NE(text.find("\xd0\x9f\xd1\x80\xd0\xb8"), std::string::npos) << text;
        EXPECT_EQ(text, WholeFiles(format, {"plain", "\xcf\xf0\xe8", "caf\xc3\xa9", "late"}));
    }
}

// An input that fails partway: what went out stays and the output still
// ends well-formed; nothing held is written, nor is a table or a sorted
// order begun.
TEST(EntryWriter, AFailedInputLeavesWhatWasWrittenAndAWellFormedEnd) {
    struct Case {
        const char* why;
        Format format;
        SortKey sort;
        bool written;  // "a" stays
    };
    const Case cases[] = {
        {"JSON: the array is closed", Format::kJson, SortKey::kNone, true},
        {"CSV: the rows written", Format::kCsv, SortKey::kNone, true},
        {"the table waits for the whole listing", Format::kTable, SortKey::kNone, false},
        {"a sorted order too", Format::kJson, SortKey::kName, false},
    };
    for (const Case& c : cases) {
        Capture out(c.format, true, false, "auto");
        EntryWriter::Settings settings;
        settings.sort = c.sort;
        settings.autoEncoding = true;
        EntryWriter writer(*out.output, c.format, settings);
        writer.Start("a.txt");
        writer.Add(Files({"a"}));
        writer.Add(Files({"\xcf\xf0\xe8", "b"}));  // held: the code page is not known yet
        writer.Drop();
        out.output->End();
        EXPECT_EQ(out.Text(), c.written ? WholeFiles(c.format, {"a"}) : "") << c.why;
    }
}

}  // namespace
