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

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"

namespace py = pybind11;

namespace {

// How the listing's bytes become str: a text codec, always with the
// "surrogateescape" handler, so decoding never fails and the bytes come back
// with text.encode(codec, "surrogateescape").
struct Codec {
    std::string name;  // the codec's canonical name, e.g. "utf-8", "cp1251"
    bool utf8 = false;
};
using CodecPtr = std::shared_ptr<const Codec>;

constexpr const char* kErrors = "surrogateescape";

CodecPtr LookupCodec(const py::object& encoding) {
    auto codec = std::make_shared<Codec>();
    if (encoding.is_none()) {
        codec->name = "utf-8";
        codec->utf8 = true;
        return codec;
    }
    if (!py::isinstance<py::str>(encoding)) throw py::type_error("encoding must be a str or None");
    py::object info = py::module_::import("codecs").attr("lookup")(encoding);
    if (!py::bool_(py::getattr(info, "_is_text_encoding", py::bool_(true)))) {
        throw py::value_error("'" + encoding.cast<std::string>() + "' is not a text encoding");
    }
    codec->name = info.attr("name").cast<std::string>();
    codec->utf8 = codec->name == "utf-8";
    return codec;
}

py::str Decode(std::string_view bytes, const Codec& codec) {
    const auto size = static_cast<Py_ssize_t>(bytes.size());
    PyObject* text = codec.utf8 ? PyUnicode_DecodeUTF8(bytes.data(), size, kErrors)
                                : PyUnicode_Decode(bytes.data(), size, codec.name.c_str(), kErrors);
    if (text == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(text);
}

// A read-only view of a listing chunk (bytes-like object or str, the str
// encoded with the codec). Holds the buffer until destroyed.
class Chunk {
public:
    Chunk(const py::handle& data, const Codec& codec) {
        if (PyUnicode_Check(data.ptr())) {
            PyObject* bytes = PyUnicode_AsEncodedString(data.ptr(), codec.name.c_str(), kErrors);
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

// One directory entry as Python sees it. Immutable: no setters, no
// constructor reachable from Python. The name is decoded once, when the entry
// is made; the rarer texts when read.
struct PyEntry {
    ftpdir::Entry entry;
    py::str name;
    CodecPtr codec;
};

py::object OptionalText(const std::string& text, const Codec& codec) {
    if (text.empty()) return py::none();
    return Decode(text, codec);
}

py::object OptionalInt(bool present, std::int32_t value) {
    if (!present) return py::none();
    return py::int_(value);
}

bool IsLeapYear(std::int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The date as datetime accepts it, or nothing (the classic dialect passes
// the listing's day through, and a classic year may lie outside 1-9999).
bool IsCalendarDate(const ftpdir::Date& d) {
    static const std::int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    const std::int32_t last = kDays[d.month - 1] + (d.month == 2 && IsLeapYear(d.year) ? 1 : 0);
    return d.day <= last;
}

py::object Modified(const ftpdir::Entry& e) {
    if (!e.date || !IsCalendarDate(*e.date)) return py::none();
    ftpdir::Time t;
    if (e.time) t = *e.time;
    if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59) return py::none();
    // datetime has no leap second: 60 reads as 59 (the second part keeps 60).
    const int second = t.second ? (*t.second < 0 ? 0 : (*t.second > 59 ? 59 : *t.second)) : 0;
    PyObject* zone = e.utc ? PyDateTime_TimeZone_UTC : Py_None;
    PyObject* value = PyDateTimeAPI->DateTime_FromDateAndTime(e.date->year, e.date->month,
                                                              e.date->day, t.hour, t.minute, second,
                                                              0, zone, PyDateTimeAPI->DateTimeType);
    if (value == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(value);
}

py::object Size(const ftpdir::Entry& e) {
    // Negative sizes say "no byte count": extended -1, classic -1 (DOS
    // directory) and -2 (VMS).
    if (e.size < 0) return py::none();
    return py::int_(e.size);
}

py::bytes Bytes(const std::string& text) { return py::bytes(text.data(), text.size()); }

std::string EntryRepr(const PyEntry& self) {
    const ftpdir::Entry& e = self.entry;
    std::string out = "Entry(name=" + py::repr(self.name).cast<std::string>();
    if (e.isLink && !e.target.empty()) {
        out += ", target=" + py::repr(Decode(e.target, *self.codec)).cast<std::string>();
    }
    out += ", size=" + py::repr(Size(e)).cast<std::string>();
    out += e.isDir ? ", is_dir=True" : ", is_dir=False";
    out += e.isLink ? ", is_link=True" : ", is_link=False";
    out += ", modified=" + py::repr(Modified(e)).cast<std::string>();
    out += ", format='" + std::string(ftpdir::formatName(e.format)) + "')";
    return out;
}

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

py::list ToList(std::vector<ftpdir::Entry>&& entries, const CodecPtr& codec) {
    py::list out(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        py::str name = Decode(entries[i].name, *codec);
        py::object item = py::cast(PyEntry{std::move(entries[i]), std::move(name), codec},
                                   py::return_value_policy::move);
        PyList_SET_ITEM(out.ptr(), static_cast<Py_ssize_t>(i), item.release().ptr());
    }
    return out;
}

// A line that gave no entry, as Parser.skipped lists it.
struct PySkipped {
    std::uint64_t number;
    std::string text;
    CodecPtr codec;
};

// ftpdir::Parser with the GIL released while it works. The mutex keeps two
// Python threads that share one parser from running it at once.
class PyParser {
public:
    PyParser(const std::string& dialect, const py::object& today, bool keepVersions,
             bool collectSkipped, const py::object& encoding)
        : codec_(LookupCodec(encoding)),
          parser_(MakeOptions(dialect, today, keepVersions, collectSkipped)) {}

    void Feed(const py::handle& data) {
        Chunk chunk(data, *codec_);
        py::gil_scoped_release release;
        std::lock_guard<std::mutex> lock(mutex_);
        parser_.append(chunk.view());
    }

    py::list Close() {
        std::vector<ftpdir::Entry> entries;
        {
            py::gil_scoped_release release;
            std::lock_guard<std::mutex> lock(mutex_);
            entries = parser_.finish();
        }
        return ToList(std::move(entries), codec_);
    }

    py::list Skipped() {
        std::vector<ftpdir::SkippedLine> lines;
        {
            py::gil_scoped_release release;
            std::lock_guard<std::mutex> lock(mutex_);
            lines = parser_.skipped();
        }
        py::list out;
        for (auto& line : lines) out.append(PySkipped{line.number, std::move(line.text), codec_});
        return out;
    }

    const std::string& encoding() const { return codec_->name; }

private:
    CodecPtr codec_;
    std::mutex mutex_;
    ftpdir::Parser parser_;
};

py::list Parse(const py::handle& listing, const std::string& dialect, const py::object& today,
               bool keepVersions, const py::object& encoding) {
    const ftpdir::Options options = MakeOptions(dialect, today, keepVersions, false);
    const CodecPtr codec = LookupCodec(encoding);
    std::vector<ftpdir::Entry> entries;
    {
        Chunk chunk(listing, *codec);
        py::gil_scoped_release release;
        entries = ftpdir::parse(chunk.view(), options);
    }
    return ToList(std::move(entries), codec);
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
    // The docstrings give the Python signatures themselves.
    py::options options;
    options.disable_function_signatures();

    py::class_<PyEntry> entry(m, "Entry",
                              R"(One directory entry. Immutable; compares and hashes by value.

Texts are str decoded with the parser's encoding ("surrogateescape" for
bytes that do not decode); raw_name gives the name's bytes.)");
    entry
        .def_property_readonly(
            "name", [](const PyEntry& self) { return self.name; },
            "The name (for a classic-dialect link, with its \" -> target\").")
        .def_property_readonly(
            "raw_name", [](const PyEntry& self) { return Bytes(self.entry.name); },
            "The name's bytes as the server sent them.")
        .def_property_readonly(
            "target",
            [](const PyEntry& self) { return OptionalText(self.entry.target, *self.codec); },
            "A link's target, or None (always None in the classic dialect).")
        .def_property_readonly(
            "size", [](const PyEntry& self) { return Size(self.entry); },
            "The size in bytes (VMS: blocks x 512), or None when the listing gives none.")
        .def_property_readonly(
            "is_dir", [](const PyEntry& self) { return self.entry.isDir; },
            "True for a directory (classic dialect: also for a Unix-style link).")
        .def_property_readonly(
            "is_link", [](const PyEntry& self) { return self.entry.isLink; },
            "True for a symbolic link.")
        .def_property_readonly(
            "modified", [](const PyEntry& self) { return Modified(self.entry); },
            "The modification time as datetime.datetime: aware (UTC) when the listing\n"
            "gives UTC (MLSD, EPLF), naive server-local time otherwise; the time parts\n"
            "are 0 when the listing gives a date only. None without a date, or when\n"
            "the classic dialect passes on a date the calendar does not have.")
        .def_property_readonly(
            "year",
            [](const PyEntry& self) {
                return OptionalInt(self.entry.date.has_value(),
                                   self.entry.date ? self.entry.date->year : 0);
            },
            "The date's year, or None.")
        .def_property_readonly(
            "month",
            [](const PyEntry& self) {
                return OptionalInt(self.entry.date.has_value(),
                                   self.entry.date ? self.entry.date->month : 0);
            },
            "The date's month (1-12), or None.")
        .def_property_readonly(
            "day",
            [](const PyEntry& self) {
                return OptionalInt(self.entry.date.has_value(),
                                   self.entry.date ? self.entry.date->day : 0);
            },
            "The date's day, or None.")
        .def_property_readonly(
            "hour",
            [](const PyEntry& self) {
                return OptionalInt(self.entry.time.has_value(),
                                   self.entry.time ? self.entry.time->hour : 0);
            },
            "The clock time's hour, or None when the listing gives no time.")
        .def_property_readonly(
            "minute",
            [](const PyEntry& self) {
                return OptionalInt(self.entry.time.has_value(),
                                   self.entry.time ? self.entry.time->minute : 0);
            },
            "The clock time's minute, or None when the listing gives no time.")
        .def_property_readonly(
            "second",
            [](const PyEntry& self) {
                const auto& t = self.entry.time;
                return OptionalInt(t && t->second, t && t->second ? *t->second : 0);
            },
            "The clock time's second (0-60), or None when the listing gives none.")
        .def_property_readonly(
            "utc", [](const PyEntry& self) { return self.entry.utc; },
            "True when the date and time are UTC rather than the server's local time.")
        .def_property_readonly(
            "owner",
            [](const PyEntry& self) { return OptionalText(self.entry.owner, *self.codec); },
            "The owner, or None (always None in the classic dialect).")
        .def_property_readonly(
            "group",
            [](const PyEntry& self) { return OptionalText(self.entry.group, *self.codec); },
            "The group, or None (always None in the classic dialect).")
        .def_property_readonly(
            "attributes",
            [](const PyEntry& self) { return Decode(self.entry.attributes, *self.codec); },
            "The attribute text (Unix mode, VMS protection, MLSD perm, ...); '' when none.")
        .def_property_readonly(
            "format",
            [](const PyEntry& self) { return std::string(ftpdir::formatName(self.entry.format)); },
            "The family the line was read as: 'unix', 'dos', 'vms', 'mlsd', 'mvs-member',\n"
            "...; 'unknown' in the classic dialect.")
        .def("__repr__", &EntryRepr)
        .def(
            "__eq__",
            [](const PyEntry& self, const py::object& other) -> py::object {
                if (!py::isinstance<PyEntry>(other))
                    return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                const PyEntry& o = other.cast<const PyEntry&>();
                return py::bool_(self.entry == o.entry && self.codec->name == o.codec->name);
            },
            py::is_operator())
        .def(
            "__ne__",
            [](const PyEntry& self, const py::object& other) -> py::object {
                if (!py::isinstance<PyEntry>(other))
                    return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                const PyEntry& o = other.cast<const PyEntry&>();
                return py::bool_(!(self.entry == o.entry && self.codec->name == o.codec->name));
            },
            py::is_operator())
        .def("__hash__", [](const PyEntry& self) {
            const ftpdir::Entry& e = self.entry;
            return py::hash(py::make_tuple(Bytes(e.name), e.size, e.isDir, e.isLink, Modified(e),
                                           Bytes(e.target), static_cast<int>(e.format)));
        });
    entry.attr("__module__") = "ftpdirlist";

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
        .def("__repr__",
             [](const PySkipped& self) {
                 return "SkippedLine(number=" + std::to_string(self.number) +
                        ", text=" + py::repr(Decode(self.text, *self.codec)).cast<std::string>() +
                        ")";
             })
        .def(
            "__eq__",
            [](const PySkipped& self, const py::object& other) -> py::object {
                if (!py::isinstance<PySkipped>(other))
                    return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                const PySkipped& o = other.cast<const PySkipped&>();
                return py::bool_(self.number == o.number && self.text == o.text);
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
