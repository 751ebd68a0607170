#include "text.h"

#include <cerrno>
#include <cstdint>

#ifdef FTPLS_HAVE_ICONV
#include <iconv.h>
#endif

namespace ftpls {

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Well-formed sequences by lead byte: the range of the second byte (which
// rules out overlong forms, surrogates and code points above U+10FFFF) and
// the length; the further bytes are plain continuation bytes.
struct LeadRule {
    unsigned char firstLead;
    unsigned char lastLead;
    unsigned char low;
    unsigned char high;
    std::size_t length;
};

constexpr LeadRule kLeadRules[] = {
    {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},  // no overlong forms
    {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3},  // no surrogates
    {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},  // no overlong forms
    {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},  // nothing above U+10FFFF
};

const LeadRule* RuleFor(unsigned char lead) {
    for (const LeadRule& rule : kLeadRules) {
        if (lead >= rule.firstLead && lead <= rule.lastLead) return &rule;
    }
    return nullptr;
}

const char kHex[] = "0123456789abcdef";

void AppendEscape(std::string& out, const char* prefix, unsigned char b) {
    out += prefix;
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0x0F]);
}

// "\uXXXX", XXXX the code point in lower-case hex (up to U+FFFF).
void AppendCodePoint(std::string& out, std::uint32_t cp) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(cp >> shift) & 0x0F]);
}

// The code point of the well-formed sequence of `length` bytes at `bytes`.
std::uint32_t CodePoint(const char* bytes, std::size_t length) {
    static const unsigned char kLeadBits[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t cp = static_cast<unsigned char>(bytes[0]) & kLeadBits[length];
    for (std::size_t i = 1; i < length; ++i) {
        cp = (cp << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    }
    return cp;
}

// Characters that a display reorders or hides although they are no control
// characters: the bidi embeddings, overrides, isolates and marks, the line
// and paragraph separators, and the zero-width characters. A name such as
// "report<U+202E>txt.exe" would show as "reportexe.txt".
bool IsDeceptive(std::uint32_t cp) {
    return cp == 0x061C || cp == 0x180E || (cp >= 0x200B && cp <= 0x200F) ||
           (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x2069) || cp == 0xFEFF;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view bytes) {
    if (bytes.empty()) return 0;
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) return 1;
    const LeadRule* rule = RuleFor(lead);
    if (rule == nullptr || bytes.size() < rule->length) return 0;
    const auto second = static_cast<unsigned char>(bytes[1]);
    if (second < rule->low || second > rule->high) return 0;
    for (std::size_t i = 2; i < rule->length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(bytes[i]))) return 0;
    }
    return rule->length;
}

void AppendJsonString(std::string& out, std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length == 0) {
            AppendEscape(out, "\\udc", b);
            ++i;
            continue;
        }
        if (length > 1) {
            const std::uint32_t cp = CodePoint(bytes.data() + i, length);
            if (cp < 0xA0 || IsDeceptive(cp)) {
                AppendCodePoint(out, cp);  // C1 controls, and what a display would hide
            } else {
                out.append(bytes.data() + i, length);
            }
        } else if (b == '"' || b == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(b));
        } else if (b == '\n') {
            out += "\\n";
        } else if (b == '\r') {
            out += "\\r";
        } else if (b == '\t') {
            out += "\\t";
        } else if (b < 0x20) {
            AppendEscape(out, "\\u00", b);
        } else {
            out.push_back(static_cast<char>(b));
        }
        i += length;
    }
}

bool IsUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length == 0) return false;
        i += length;
    }
    return true;
}

namespace {

bool IsControl(unsigned char b) { return b < 0x20 || b == 0x7F; }

bool NeedsCsvQuotes(std::string_view bytes) {
    if (bytes.empty()) return false;
    if (bytes.front() == ' ' || bytes.back() == ' ') return true;
    return bytes.find_first_of(",\"\r\n") != std::string_view::npos;
}

// A spreadsheet reads a cell that starts so as a formula.
bool StartsFormula(std::string_view bytes) {
    return !bytes.empty() &&
           std::string_view("=+-@\t\r").find(bytes.front()) != std::string_view::npos;
}

}  // namespace

void AppendDisplay(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8SequenceLength(text.substr(i));
        const std::uint32_t cp = length > 1 ? CodePoint(text.data() + i, length) : b;
        if (length > 1 && cp < 0xA0) {
            AppendEscape(out, "\\x", static_cast<unsigned char>(cp));  // C1 in UTF-8
        } else if (length > 1 && IsDeceptive(cp)) {
            AppendCodePoint(out, cp);
        } else if (length <= 1 && (IsControl(b) || (b >= 0x80 && b < 0xA0))) {
            AppendEscape(out, "\\x", b);  // C0, DEL, or a lone C1 byte
        } else {
            out.append(text.data() + i, length == 0 ? 1 : length);
        }
        i += length == 0 ? 1 : length;
    }
}

std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = Utf8SequenceLength(text.substr(i));
        i += length == 0 ? 1 : length;
        ++width;
    }
    return width;
}

void AppendCsvField(std::string& out, std::string_view bytes, bool keepFormulas) {
    const bool formula = !keepFormulas && StartsFormula(bytes);
    if (!formula && !NeedsCsvQuotes(bytes)) {
        out.append(bytes.data(), bytes.size());
        return;
    }
    out.push_back('"');
    if (formula) out.push_back('\'');
    for (const char c : bytes) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

#ifdef FTPLS_HAVE_ICONV

Recoder::~Recoder() {
    if (active_) iconv_close(static_cast<iconv_t>(handle_));
}

bool Recoder::Open(const std::string& encoding) {
    iconv_t cd = iconv_open("UTF-8", encoding.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    if (active_) iconv_close(static_cast<iconv_t>(handle_));
    handle_ = cd;
    active_ = true;
    return true;
}

std::string_view Recoder::Convert(std::string_view bytes) {
    if (!active_) return bytes;
    const auto cd = static_cast<iconv_t>(handle_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // Code pages of one byte per letter need at most 3 UTF-8 bytes per byte;
    // the buffer grows for the rest.
    buffer_.resize(bytes.size() * 3 + 8);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* out = &buffer_[used];
        std::size_t outLeft = buffer_.size() - used;
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        used = buffer_.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            buffer_.resize(buffer_.size() * 2);
        } else {
            // EILSEQ or EINVAL: a byte the code page does not define, or an
            // incomplete sequence at the end; replace one byte and go on.
            buffer_.resize(used);
            buffer_ += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER in UTF-8
            used = buffer_.size();
            buffer_.resize(used + inLeft * 3 + 8);
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return std::string_view(buffer_.data(), used);
}

#else

Recoder::~Recoder() = default;
bool Recoder::Open(const std::string&) { return false; }
std::string_view Recoder::Convert(std::string_view bytes) { return bytes; }

#endif

bool TextDecoder::Configure(const std::string& encoding) {
    if (encoding == "none") {
        mode_ = Mode::kNone;
    } else if (encoding == "auto") {
        mode_ = Mode::kAuto;
    } else {
        if (!recoder_.Open(encoding)) return false;
        mode_ = Mode::kIconv;
    }
    return true;
}

std::string_view TextDecoder::Decode(std::string_view bytes) {
    switch (mode_) {
        case Mode::kNone:
            return bytes;
        case Mode::kIconv:
            return recoder_.Convert(bytes);
        case Mode::kAuto:
            break;
    }
    if (IsUtf8(bytes)) return bytes;
    buffer_.clear();
    AppendFromCodePage(buffer_, bytes, revealed_);
    return buffer_;
}

}  // namespace ftpls
