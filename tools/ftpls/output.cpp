#include "output.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>

namespace ftpls {

namespace {

constexpr std::size_t kDrainSize = 64 * 1024;

void AppendNumber(std::string& out, std::int64_t value) {
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%" PRId64, value);
    out.append(text, static_cast<std::size_t>(n));
}

char TypeLetter(const ftpdir::Entry& e) {
    if (e.isLink) return 'l';  // links of Unix listings also count as directories
    return e.isDir ? 'd' : '-';
}

std::string DateText(const ftpdir::Entry& e) {
    if (!e.date) return std::string();
    char text[48];
    std::snprintf(text, sizeof text, "%04" PRId32 "-%02" PRId32 "-%02" PRId32, e.date->year,
                  e.date->month, e.date->day);
    return text;
}

std::string TimeText(const ftpdir::Entry& e) {
    if (!e.time) return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%02" PRId32 ":%02" PRId32, e.time->hour, e.time->minute);
    return text;
}

// The size column: DOS-style directories (-1) and VMS-style entries (-2)
// give no size in bytes.
std::string SizeText(const ftpdir::Entry& e) {
    if (e.size < 0) return "-";
    std::string text;
    AppendNumber(text, e.size);
    return text;
}

void Pad(std::string& out, std::size_t used, std::size_t width) {
    if (used < width) out.append(width - used, ' ');
}

void AppendOptional(std::string& out, bool present, std::int32_t value, const char* absent) {
    if (present)
        AppendNumber(out, value);
    else
        out += absent;
}

}  // namespace

Output::Output(std::FILE* stream, Format format, bool attributes, bool severalFiles,
               Recoder& recoder)
    : stream_(stream),
      format_(format),
      attributes_(attributes),
      severalFiles_(severalFiles),
      recoder_(recoder) {}

void Output::Begin() {
    if (format_ == Format::kCsv) {
        if (severalFiles_) buffer_ += "file,";
        buffer_ += "name,attributes,size,isDir,isLink,year,month,day,hour,minute\r\n";
    } else if (format_ == Format::kJson) {
        buffer_ += "[";
    }
}

void Output::Listing(std::string_view file, const std::vector<ftpdir::Entry>& entries) {
    switch (format_) {
        case Format::kTable:
            Table(file, entries);
            break;
        case Format::kCsv:
            Csv(file, entries);
            break;
        case Format::kJson:
            Json(file, entries);
            break;
    }
    ++listings_;
    Drain(false);
}

void Output::End() {
    if (format_ == Format::kJson) buffer_ += jsonEntries_ == 0 ? "]\n" : "\n]\n";
}

void Output::Line(std::string_view text) {
    buffer_.append(text.data(), text.size());
    buffer_.push_back('\n');
}

void Output::Table(std::string_view file, const std::vector<ftpdir::Entry>& entries) {
    if (severalFiles_) {
        if (listings_ > 0) buffer_.push_back('\n');
        buffer_.append(file.data(), file.size());
        buffer_ += ":\n";
    }
    std::vector<std::string> sizes, dates, attributes;
    sizes.reserve(entries.size());
    dates.reserve(entries.size());
    std::size_t sizeWidth = 0, dateWidth = 0, attributesWidth = 0;
    for (const ftpdir::Entry& e : entries) {
        sizes.push_back(SizeText(e));
        dates.push_back(DateText(e));
        sizeWidth = std::max(sizeWidth, sizes.back().size());
        dateWidth = std::max(dateWidth, dates.back().size());
        if (attributes_) {
            attributes.emplace_back(recoder_.Convert(e.attributes));
            attributesWidth = std::max(attributesWidth, attributes.back().size());
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ftpdir::Entry& e = entries[i];
        buffer_.push_back(TypeLetter(e));
        buffer_.push_back(' ');
        if (attributes_) {
            buffer_ += attributes[i];
            Pad(buffer_, attributes[i].size(), attributesWidth + 1);
        }
        Pad(buffer_, sizes[i].size(), sizeWidth);
        buffer_ += sizes[i];
        buffer_.push_back(' ');
        buffer_ += dates[i];
        Pad(buffer_, dates[i].size(), dateWidth);
        const std::string time = TimeText(e);
        buffer_.push_back(' ');
        buffer_ += time;
        Pad(buffer_, time.size(), 5);
        buffer_.push_back(' ');
        buffer_ += recoder_.Convert(e.name);
        buffer_.push_back('\n');
        Drain(false);
    }
}

void Output::Csv(std::string_view file, const std::vector<ftpdir::Entry>& entries) {
    for (const ftpdir::Entry& e : entries) {
        if (severalFiles_) {
            AppendCsvField(buffer_, file);
            buffer_.push_back(',');
        }
        AppendCsvField(buffer_, recoder_.Convert(e.name));
        buffer_.push_back(',');
        AppendCsvField(buffer_, recoder_.Convert(e.attributes));
        buffer_.push_back(',');
        AppendNumber(buffer_, e.size);
        buffer_ += e.isDir ? ",1" : ",0";
        buffer_ += e.isLink ? ",1," : ",0,";
        AppendOptional(buffer_, e.date.has_value(), e.date ? e.date->year : 0, "");
        buffer_.push_back(',');
        AppendOptional(buffer_, e.date.has_value(), e.date ? e.date->month : 0, "");
        buffer_.push_back(',');
        AppendOptional(buffer_, e.date.has_value(), e.date ? e.date->day : 0, "");
        buffer_.push_back(',');
        AppendOptional(buffer_, e.time.has_value(), e.time ? e.time->hour : 0, "");
        buffer_.push_back(',');
        AppendOptional(buffer_, e.time.has_value(), e.time ? e.time->minute : 0, "");
        buffer_ += "\r\n";
        Drain(false);
    }
}

void Output::Json(std::string_view file, const std::vector<ftpdir::Entry>& entries) {
    for (const ftpdir::Entry& e : entries) {
        buffer_ += jsonEntries_++ == 0 ? "\n  {" : ",\n  {";
        if (severalFiles_) {
            buffer_ += "\"file\": \"";
            AppendJsonString(buffer_, file);
            buffer_ += "\", ";
        }
        buffer_ += "\"name\": \"";
        AppendJsonString(buffer_, recoder_.Convert(e.name));
        buffer_ += "\", \"attributes\": \"";
        AppendJsonString(buffer_, recoder_.Convert(e.attributes));
        buffer_ += "\", \"size\": ";
        AppendNumber(buffer_, e.size);
        buffer_ += e.isDir ? ", \"isDir\": true" : ", \"isDir\": false";
        buffer_ += e.isLink ? ", \"isLink\": true" : ", \"isLink\": false";
        buffer_ += ", \"year\": ";
        AppendOptional(buffer_, e.date.has_value(), e.date ? e.date->year : 0, "null");
        buffer_ += ", \"month\": ";
        AppendOptional(buffer_, e.date.has_value(), e.date ? e.date->month : 0, "null");
        buffer_ += ", \"day\": ";
        AppendOptional(buffer_, e.date.has_value(), e.date ? e.date->day : 0, "null");
        buffer_ += ", \"hour\": ";
        AppendOptional(buffer_, e.time.has_value(), e.time ? e.time->hour : 0, "null");
        buffer_ += ", \"minute\": ";
        AppendOptional(buffer_, e.time.has_value(), e.time ? e.time->minute : 0, "null");
        buffer_ += "}";
        Drain(false);
    }
}

void Output::Drain(bool force) {
    if (buffer_.empty() || (!force && buffer_.size() < kDrainSize)) return;
    if (error_ == 0 && std::fwrite(buffer_.data(), 1, buffer_.size(), stream_) != buffer_.size()) {
        error_ = errno != 0 ? errno : EIO;
    }
    buffer_.clear();
}

bool Output::Flush() {
    Drain(true);
    if (error_ == 0 && std::fflush(stream_) != 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

}  // namespace ftpls
