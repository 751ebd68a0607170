// The extension module ftpdirlist._ftpdirlist: ftpdir::parse and
// ftpdir::Parser for Python, entries as immutable Entry objects.
//
// Contracts kept here for every function exported to Python:
// - bad listing bytes never raise; only arguments of the wrong type or value
//   do (TypeError, ValueError, LookupError for an unknown encoding, and
//   UnicodeEncodeError for a str the encoding cannot represent);
// - std::bad_alloc becomes MemoryError (pybind11's translation);
// - the GIL is released while bytes are parsed; the listing's buffer is held
//   (and so cannot be resized) for that time.
#include <pybind11/pybind11.h>

#include <datetime.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "codec.h"
#include "entry_type.h"
#include "ftpdirlist/ftpdirlist.hpp"

// The project's version, given by the build (CMake or setup.py).
#ifndef FTPDIRLIST_VERSION
#error "FTPDIRLIST_VERSION must be defined by the build"
#endif

namespace py = pybind11;
using pyftpdir::Codec;
using pyftpdir::kCodecErrors;

namespace {

const Codec* LookupCodec(const py::object& encoding) {
    if (encoding.is_none()) return pyftpdir::InternCodec("utf-8");
    if (!py::isinstance<py::str>(encoding)) throw py::type_error("encoding must be a str or None");
    py::object info = py::module_::import("codecs").attr("lookup")(encoding);
    if (!py::bool_(py::getattr(info, "_is_text_encoding", py::bool_(true)))) {
        throw py::value_error("'" + encoding.cast<std::string>() + "' is not a text encoding");
    }
    return pyftpdir::InternCodec(info.attr("name").cast<std::string>());
}

py::str Decode(std::string_view bytes, const Codec& codec) {
    PyObject* text = pyftpdir::DecodeText(bytes, codec);
    if (text == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(text);
}

// A read-only view of a listing chunk (bytes-like object or str, the str
// encoded with the codec). Holds the buffer until destroyed.
class Chunk {
public:
    Chunk(const py::handle& data, const Codec& codec) {
        if (PyUnicode_Check(data.ptr())) {
            PyObject* bytes =
                PyUnicode_AsEncodedString(data.ptr(), codec.name.c_str(), kCodecErrors);
            if (bytes == nullptr) throw py::error_already_set();
            encoded_ = py::reinterpret_steal<py::object>(bytes);
            view_ = {PyBytes_AS_STRING(bytes), static_cast<std::size_t>(PyBytes_GET_SIZE(bytes))};
            return;
        }
        if (!PyObject_CheckBuffer(data.ptr())) {
            throw py::type_error(std::string("a bytes-like object or str is required, not '") +
                                 Py_TYPE(data.ptr())->tp_name + "'");
        }
        // A C-contiguous buffer only; PyBUF_SIMPLE refuses the others.
        if (PyObject_GetBuffer(data.ptr(), &buffer_, PyBUF_SIMPLE) != 0) {
            throw py::error_already_set();
        }
        held_ = true;
        view_ = {static_cast<const char*>(buffer_.buf), static_cast<std::size_t>(buffer_.len)};
    }
    ~Chunk() {
        if (held_) PyBuffer_Release(&buffer_);
    }
    Chunk(const Chunk&) = delete;
    Chunk& operator=(const Chunk&) = delete;

    std::string_view view() const { return view_; }

private:
    py::object encoded_;
    Py_buffer buffer_{};
    bool held_ = false;
    std::string_view view_;
};

py::bytes Bytes(const std::string& text) { return py::bytes(text.data(), text.size()); }

ftpdir::Options MakeOptions(const std::string& dialect, const py::object& today, bool keepVersions,
                            bool collectSkipped) {
    ftpdir::Options options;
    if (dialect == "extended") {
        options.dialect = ftpdir::Dialect::extended;
    } else if (dialect == "classic") {
        options.dialect = ftpdir::Dialect::classic;
    } else {
        throw py::value_error("dialect must be 'extended' or 'classic', not '" + dialect + "'");
    }
    if (!today.is_none()) {
        if (!PyDate_Check(today.ptr())) {
            throw py::type_error("today must be a datetime.date or None");
        }
        options.today =
            ftpdir::Date{PyDateTime_GET_YEAR(today.ptr()), PyDateTime_GET_MONTH(today.ptr()),
                         PyDateTime_GET_DAY(today.ptr())};
    }
    options.keepVersions = keepVersions;
    options.collectSkipped = collectSkipped;
    return options;
}

// New Entry objects, owned references, kept in order until they go into
// a list. Needs the GIL, also to be destroyed.
class EntryObjects {
public:
    EntryObjects() = default;
    EntryObjects(const EntryObjects&) = delete;
    EntryObjects& operator=(const EntryObjects&) = delete;
    ~EntryObjects() { Clear(); }

    // Adds an Entry of each of `entries` (a Listing or a vector of Entry).
    template <typename Entries>
    void Add(const Entries& entries, const Codec& codec) {
        if (objects_.capacity() - objects_.size() < entries.size()) {
            // Growing by half at least, as a stream of chunks adds a few at a time.
            objects_.reserve(std::max(objects_.size() + entries.size(), objects_.size() * 3 / 2));
        }
        for (const auto& e : entries) {
            PyObject* entry = pyftpdir::NewEntry(e, codec);
            if (entry == nullptr) throw py::error_already_set();
            objects_.push_back(entry);
        }
    }

    // A list of the entries, which leave this store.
    py::list Take() {
        py::list out(objects_.size());
        for (std::size_t i = 0; i < objects_.size(); ++i)
            PyList_SET_ITEM(out.ptr(), static_cast<Py_ssize_t>(i), objects_[i]);
        objects_.clear();
        return out;
    }

    void Clear() {
        for (PyObject* entry : objects_) Py_DECREF(entry);
        objects_.clear();
    }

private:
    std::vector<PyObject*> objects_;
};

// New Entry objects of `entries` (a Listing or a vector of Entry), in order.
// Needs the GIL.
template <typename Entries>
py::list ToList(const Entries& entries, const Codec& codec) {
    EntryObjects objects;
    objects.Add(entries, codec);
    return objects.Take();
}

// A line that gave no entry, as Parser.skipped lists it.
struct PySkipped {
    std::uint64_t number;
    std::string text;
    const Codec* codec;
    ftpdir::SkipReason reason;
};

// ftpdir::Parser with the GIL released while it works. The mutex keeps two
// Python threads that share one parser from running it at once; it is only
// ever locked without the GIL, so taking the GIL while it is held cannot
// deadlock.
class PyParser {
public:
    PyParser(const std::string& dialect, const py::object& today, bool keepVersions,
             bool collectSkipped, const py::object& encoding)
        : codec_(LookupCodec(encoding)),
          parser_(MakeOptions(dialect, today, keepVersions, collectSkipped)) {}

    // The entries no later line can change become Entry objects at once, so
    // that the parser holds only the pending part, and are kept for close().
    void Feed(const py::handle& data) {
        Chunk chunk(data, *codec_);
        py::gil_scoped_release release;
        std::lock_guard<std::mutex> lock(mutex_);
        parser_.append(chunk.view());
        const ftpdir::Listing ready = parser_.takeReady();
        if (ready.empty()) return;
        // Under the lock: the entries of two threads' chunks keep the order
        // the parser handed them out in.
        py::gil_scoped_acquire acquire;
        taken_.Add(ready, *codec_);
    }

    py::list Close() {
        py::gil_scoped_release release;
        std::lock_guard<std::mutex> lock(mutex_);
        const ftpdir::Listing rest = parser_.finish();
        py::gil_scoped_acquire acquire;
        taken_.Add(rest, *codec_);
        return taken_.Take();
    }

    py::list Skipped() {
        std::vector<ftpdir::SkippedLine> lines;
        {
            py::gil_scoped_release release;
            std::lock_guard<std::mutex> lock(mutex_);
            lines = parser_.skipped();
        }
        py::list out;
        for (auto& line : lines)
            out.append(PySkipped{line.number, std::move(line.text), codec_, line.reason});
        return out;
    }

    const std::string& encoding() const { return codec_->name; }

private:
    const Codec* codec_;
    std::mutex mutex_;
    ftpdir::Parser parser_;
    EntryObjects taken_;  // handed out so far; used with the GIL and the lock held
};

py::list Parse(const py::handle& listing, const std::string& dialect, const py::object& today,
               bool keepVersions, const py::object& encoding) {
    const ftpdir::Options options = MakeOptions(dialect, today, keepVersions, false);
    const Codec* codec = LookupCodec(encoding);
    ftpdir::Listing entries;
    {
        Chunk chunk(listing, *codec);
        py::gil_scoped_release release;
        entries = ftpdir::parse(chunk.view(), options);
    }
    return ToList(entries, *codec);
}

const char* const kModuleDoc = R"(Parses FTP directory listings (replies to LIST and MLSD).

The parser itself is C++; this module turns its entries into immutable
Entry objects. Two dialects: "extended" (the default) reads Unix, DOS, VMS,
MLSD, EPLF, mainframe and the other server families, validating every field;
"classic" gives exactly the entries of the library's C interface.)";

const char* const kParseDoc =
    R"(parse(listing, *, dialect="extended", today=None, keep_versions=False, encoding=None) -> list[Entry]

Parses a whole listing. `listing` is bytes (or any bytes-like object) as the
server sent it, or a str, which is encoded with `encoding` first.
`today` (datetime.date) is the date Unix-style entries with a clock time
instead of a year are dated against; by default the local date.
`keep_versions` keeps every version of a VMS file as its own entry, the name
with its ";N"; by default only the highest version is kept, without it.
`encoding` decodes names and other texts (default UTF-8), always with the
"surrogateescape" handler, so the server's bytes are never lost.
Bad input never raises: lines that are no entry are left out.)";

const char* const kParserDoc =
    R"(Parser(*, dialect="extended", today=None, keep_versions=False, collect_skipped=False, encoding=None)

Parses a listing that arrives in chunks; feed() may be handed straight to
ftplib:  ftp.retrbinary("LIST", parser.feed); entries = parser.close().
The options are those of parse(); with collect_skipped=True the lines that
gave no entry are listed by `skipped`. After close() the parser is ready for
a new listing with the same options.)";

}  // namespace

PYBIND11_MODULE(_ftpdirlist, m) {
    PyDateTime_IMPORT;
    if (PyDateTimeAPI == nullptr) throw py::error_already_set();
    m.doc() = kModuleDoc;
    m.attr("__version__") = FTPDIRLIST_VERSION;
    // The docstrings give the Python signatures themselves.
    py::options options;
    options.disable_function_signatures();

    if (!pyftpdir::AddEntryType(m.ptr())) throw py::error_already_set();

    py::class_<PySkipped> skipped(m, "SkippedLine", "A listing line that gave no entry.");
    skipped
        .def_property_readonly(
            "number", [](const PySkipped& self) { return self.number; },
            "The 1-based line number in the listing.")
        .def_property_readonly(
            "text", [](const PySkipped& self) { return Decode(self.text, *self.codec); },
            "The line without its line end and outer spaces, decoded.")
        .def_property_readonly(
            "raw_text", [](const PySkipped& self) { return Bytes(self.text); }, "The line's bytes.")
        .def_property_readonly(
            "reason", [](const PySkipped& self) { return ftpdir::skipReasonName(self.reason); },
            "Why the line gave no entry: 'not-a-listing-line', 'header', 'title', 'total',\n"
            "'joined-elsewhere', 'dot-entry', 'impossible-date' or 'line-too-long' (the classic\n"
            "dialect gives 'not-a-listing-line', 'dot-entry' or 'line-too-long').")
        .def("__repr__",
             [](const PySkipped& self) {
                 return "SkippedLine(number=" + std::to_string(self.number) +
                        ", text=" + py::repr(Decode(self.text, *self.codec)).cast<std::string>() +
                        ", reason='" + ftpdir::skipReasonName(self.reason) + "')";
             })
        .def(
            "__eq__",
            [](const PySkipped& self, const py::object& other) -> py::object {
                if (!py::isinstance<PySkipped>(other))
                    return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                const PySkipped& o = other.cast<const PySkipped&>();
                return py::bool_(self.number == o.number && self.text == o.text &&
                                 self.reason == o.reason);
            },
            py::is_operator())
        .def("__hash__", [](const PySkipped& self) {
            return py::hash(py::make_tuple(self.number, Bytes(self.text)));
        });
    skipped.attr("__module__") = "ftpdirlist";

    py::class_<PyParser> parser(m, "Parser", kParserDoc);
    parser
        .def(py::init<const std::string&, const py::object&, bool, bool, const py::object&>(),
             py::kw_only(), py::arg("dialect") = "extended", py::arg("today") = py::none(),
             py::arg("keep_versions") = false, py::arg("collect_skipped") = false,
             py::arg("encoding") = py::none())
        .def("feed", &PyParser::Feed, py::arg("chunk"),
             "feed(chunk) -> None\n\nParses every line of `chunk` (bytes-like or str) whose line "
             "end has\narrived; only the unfinished last line is kept. Never raises on bad "
             "input.")
        .def("close", &PyParser::Close,
             "close() -> list[Entry]\n\nParses what is left and returns the entries. The parser "
             "is then ready\nfor a new listing.")
        .def_property_readonly("skipped", &PyParser::Skipped,
                               "The lines that gave no entry in the listing being parsed or, "
                               "after close(),\nin the one just closed. Empty unless "
                               "collect_skipped=True.")
        .def_property_readonly("encoding", &PyParser::encoding,
                               "The canonical name of the codec texts are decoded with.");
    parser.attr("__module__") = "ftpdirlist";

    m.def("parse", &Parse, py::arg("listing"), py::kw_only(), py::arg("dialect") = "extended",
          py::arg("today") = py::none(), py::arg("keep_versions") = false,
          py::arg("encoding") = py::none(), kParseDoc);
}
