// Text helpers of ftpls: code-page conversion and the quoting of the output
// formats. Names and attribute texts arrive as bytes in the server's code
// page; nothing here assumes they are UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "codepages.h"

namespace ftpls {

// Length of the well-formed UTF-8 sequence that starts `bytes` (1 to 4), or
// 0 when it does not start with one. Overlong forms, surrogates and code
// points above U+10FFFF are not well-formed.
std::size_t Utf8SequenceLength(std::string_view bytes);

// Appends `bytes` as the body of a JSON string (without the quotes).
// Well-formed UTF-8 is kept as it is, apart from the escapes JSON requires
// ('"', '\\' and the bytes below 0x20) and \uXXXX for the C1 controls and
// the characters that AppendDisplay escapes as \uXXXX. Every other byte B (0x80-0xFF) is
// written as the escape \udcXX, XX = B in hex: the "surrogate escape" rule.
// No well-formed UTF-8 text yields such an escape, so the bytes can always
// be recovered (Python: s.encode("utf-8", "surrogateescape")).
void AppendJsonString(std::string& out, std::string_view bytes);

// Appends `bytes` as one CSV field: quoted, with inner quotes doubled, when
// it holds a comma, a quote, CR or LF, or begins or ends with a space (which
// some readers would trim otherwise); unchanged otherwise. Every byte is kept
// and none can end the field early (other control bytes need no quotes).
// Unless `keepFormulas`, a field that starts with '=', '+', '-', '@', TAB or
// CR, which a spreadsheet would run as a formula, is quoted with a "'" put
// before its first byte.
void AppendCsvField(std::string& out, std::string_view bytes, bool keepFormulas);

// Appends `text` for a terminal: each control character (C0, DEL, and C1
// U+0080-U+009F, whether written in UTF-8 or as a lone byte) becomes the four
// visible characters \xHH, HH its code in lower-case hex; each character that
// reorders or hides text (the bidi controls U+202A-U+202E, U+2066-U+2069 and
// marks, U+2028, U+2029, the zero-width characters U+200B-U+200D, U+2060,
// U+FEFF, ...) becomes \uXXXX; everything else passes as it is.
void AppendDisplay(std::string& out, std::string_view text);

// The columns `text` takes in a table: one per UTF-8 character, one per byte
// that starts none.
std::size_t DisplayWidth(std::string_view text);

// Converts texts from a code page to UTF-8 through iconv. A byte that the
// code page does not define becomes U+FFFD.
class Recoder {
public:
    Recoder() = default;
    ~Recoder();
    Recoder(const Recoder&) = delete;
    Recoder& operator=(const Recoder&) = delete;

    // Selects the code page; false when iconv does not know it.
    bool Open(const std::string& encoding);
    bool Active() const { return active_; }

    // `bytes` in UTF-8, or `bytes` unchanged when no code page is selected.
    std::string_view Convert(std::string_view bytes);

private:
    void* handle_ = nullptr;  // iconv_t
    bool active_ = false;
    std::string buffer_;
};

}  // namespace ftpls

namespace ftpls {

// How names and attribute texts are decoded before they are written.
class TextDecoder {
public:
    // "none" (bytes pass), "auto" (see Decode) or a code page name for iconv.
    // False when iconv does not know the name.
    bool Configure(const std::string& encoding);
    bool Auto() const { return mode_ == Mode::kAuto; }

    // The code page that --encoding=auto uses for the listing being written.
    void SetRevealed(CodePage page) { revealed_ = page; }

    // none: `bytes` as they are; auto: `bytes` when they are valid UTF-8, else
    // converted from the revealed code page; a named code page: converted by
    // iconv. Valid until the next call.
    std::string_view Decode(std::string_view bytes);

private:
    enum class Mode { kNone, kAuto, kIconv };
    Mode mode_ = Mode::kNone;
    CodePage revealed_ = CodePage::kWindows1252;
    Recoder recoder_;
    std::string buffer_;
};

// True when all of `bytes` is well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

}  // namespace ftpls
