// How the listing's bytes become Python text: a text codec, always with the
// "surrogateescape" handler, so decoding never fails and the server's bytes
// come back with text.encode(codec, "surrogateescape").
#ifndef FTPDIRLIST_PYTHON_CODEC_H
#define FTPDIRLIST_PYTHON_CODEC_H

#include <Python.h>

#include <string>
#include <string_view>

namespace pyftpdir {

struct Codec {
    std::string name;  // the codec's canonical name, e.g. "utf-8", "cp1251"
    bool utf8 = false;
};

// The one Codec of `name`, made on first use and kept for the life of the
// process (a process names few codecs), so that entries hold a plain pointer
// and two codecs are the same exactly when their pointers are. Never fails
// but by std::bad_alloc.
const Codec* InternCodec(const std::string& name);

inline constexpr const char* kCodecErrors = "surrogateescape";

// A new str of `bytes` decoded with `codec`, or nullptr with a Python error
// set (only when memory runs out, for a text codec). Needs the GIL.
inline PyObject* DecodeText(std::string_view bytes, const Codec& codec) {
    const auto size = static_cast<Py_ssize_t>(bytes.size());
    return codec.utf8 ? PyUnicode_DecodeUTF8(bytes.data(), size, kCodecErrors)
                      : PyUnicode_Decode(bytes.data(), size, codec.name.c_str(), kCodecErrors);
}

}  // namespace pyftpdir

#endif  // FTPDIRLIST_PYTHON_CODEC_H
