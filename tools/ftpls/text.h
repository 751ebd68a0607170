// Text helpers of ftpls: code-page conversion and the quoting of the output
// formats. Names and attribute texts arrive as bytes in the server's code
// page; nothing here assumes they are UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ftpls {

// Length of the well-formed UTF-8 sequence that starts `bytes` (1 to 4), or
// 0 when it does not start with one. Overlong forms, surrogates and code
// points above U+10FFFF are not well-formed.
std::size_t Utf8SequenceLength(std::string_view bytes);

// Appends `bytes` as the body of a JSON string (without the quotes).
// Well-formed UTF-8 is kept as it is, apart from the escapes JSON requires
// ('"', '\\' and the bytes below 0x20). Every other byte B (0x80-0xFF) is
// written as the escape \udcXX, XX = B in hex: the "surrogate escape" rule.
// No well-formed UTF-8 text yields such an escape, so the bytes can always
// be recovered (Python: s.encode("utf-8", "surrogateescape")).
void AppendJsonString(std::string& out, std::string_view bytes);

// Appends `bytes` as one CSV field: quoted, with inner quotes doubled, when
// it holds a comma, a quote, CR or LF; unchanged otherwise.
void AppendCsvField(std::string& out, std::string_view bytes);

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
