#include "entry_type.h"

#include <datetime.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

namespace pyftpdir {

namespace {

// The texts of an entry, in the order their bytes lie in the object.
enum Text : int { kName, kAttributes, kTarget, kOwner, kGroup, kFacts, kTextCount };

// One entry, allocated in one piece: this header, then the bytes of the
// texts one after the other (ends[t] is where text t ends, the first starting
// at 0). The bytes are kept as the server sent them; the name is decoded once,
// when the entry is made, the other texts when read.
struct EntryObject {
    PyVarObject head;  // ob_size: the texts' bytes
    PyObject* name;    // decoded
    const Codec* codec;
    std::int64_t size;
    std::optional<ftpdir::Date> date;
    std::optional<ftpdir::Time> time;
    std::uint32_t ends[kTextCount];
    bool isDir, isLink, utc;
    ftpdir::Format format;
};

// Where the texts' bytes start: after the header, which the type's basic
// size covers (tp_itemsize 1 counts the bytes).
constexpr std::size_t kTextOffset = sizeof(EntryObject);

PyTypeObject* gEntryType = nullptr;

const EntryObject& Self(PyObject* object) { return *reinterpret_cast<EntryObject*>(object); }

std::string_view TextOf(const EntryObject& o, Text t) {
    const char* bytes = reinterpret_cast<const char*>(&o) + kTextOffset;
    const std::uint32_t begin = t == kName ? 0 : o.ends[t - 1];
    return {bytes + begin, o.ends[t] - begin};
}

std::string_view AllText(const EntryObject& o) {
    return {reinterpret_cast<const char*>(&o) + kTextOffset, o.ends[kTextCount - 1]};
}

// Owns one reference; releases it unless released.
struct Ref {
    PyObject* p;
    explicit Ref(PyObject* object) : p(object) {}
    ~Ref() { Py_XDECREF(p); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
};

PyObject* NewInt(std::int64_t value) { return PyLong_FromLongLong(value); }

PyObject* OptionalInt(bool present, std::int32_t value) {
    if (!present) Py_RETURN_NONE;
    return NewInt(value);
}

PyObject* OptionalText(const EntryObject& o, Text t) {
    const std::string_view text = TextOf(o, t);
    if (text.empty()) Py_RETURN_NONE;
    return DecodeText(text, *o.codec);
}

// The date as datetime accepts it (the classic dialect passes the listing's
// day through, and a classic year may lie outside 1-9999).
bool IsCalendarDate(const ftpdir::Date& d) {
    return d.year >= 1 && d.year <= 9999 && d.day >= 1 &&
           d.day <= ftpdir::daysInMonth(d.year, d.month);
}

PyObject* GetName(const EntryObject& o) {
    Py_INCREF(o.name);
    return o.name;
}

PyObject* Bytes(std::string_view text) {
    return PyBytes_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

PyObject* GetRawName(const EntryObject& o) { return Bytes(TextOf(o, kName)); }

PyObject* GetTarget(const EntryObject& o) { return OptionalText(o, kTarget); }
PyObject* GetOwner(const EntryObject& o) { return OptionalText(o, kOwner); }
PyObject* GetGroup(const EntryObject& o) { return OptionalText(o, kGroup); }
PyObject* GetAttributes(const EntryObject& o) {
    return DecodeText(TextOf(o, kAttributes), *o.codec);
}

// Negative sizes say "no byte count": extended -1, classic -1 (DOS
// directory) and -2 (VMS).
PyObject* GetSize(const EntryObject& o) {
    if (o.size < 0) Py_RETURN_NONE;
    return NewInt(o.size);
}

PyObject* GetIsDir(const EntryObject& o) { return PyBool_FromLong(o.isDir); }
PyObject* GetIsLink(const EntryObject& o) { return PyBool_FromLong(o.isLink); }
PyObject* GetUtc(const EntryObject& o) { return PyBool_FromLong(o.utc); }

PyObject* GetModified(const EntryObject& o) {
    const EntryObject& e = o;
    if (!e.date || !IsCalendarDate(*e.date)) Py_RETURN_NONE;
    const ftpdir::Time t = e.time ? *e.time : ftpdir::Time();
    if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59) Py_RETURN_NONE;
    // datetime has no leap second: 60 reads as 59 (`second` keeps 60).
    const int second = t.second ? (*t.second < 0 ? 0 : (*t.second > 59 ? 59 : *t.second)) : 0;
    PyObject* zone = e.utc ? PyDateTime_TimeZone_UTC : Py_None;
    return PyDateTimeAPI->DateTime_FromDateAndTime(e.date->year, e.date->month, e.date->day, t.hour,
                                                   t.minute, second, 0, zone,
                                                   PyDateTimeAPI->DateTimeType);
}

template <std::int32_t ftpdir::Date::*Part>
PyObject* GetDatePart(const EntryObject& o) {
    const auto& d = o.date;
    return OptionalInt(d.has_value(), d ? *d.*Part : 0);
}

template <std::int32_t ftpdir::Time::*Part>
PyObject* GetTimePart(const EntryObject& o) {
    const auto& t = o.time;
    return OptionalInt(t.has_value(), t ? *t.*Part : 0);
}

PyObject* GetSecond(const EntryObject& o) {
    const auto& t = o.time;
    return OptionalInt(t && t->second, t && t->second ? *t->second : 0);
}

// {fact name in ASCII lower case: value} of the "name=value;" facts, read
// only; a fact named twice keeps its last value.
PyObject* GetFacts(const EntryObject& o) {
    Ref facts(PyDict_New());
    if (facts.p == nullptr) return nullptr;
    std::string_view rest = TextOf(o, kFacts);
    std::string name;
    while (!rest.empty()) {
        const std::size_t stop = std::min(rest.find(';'), rest.size());
        const std::string_view fact = rest.substr(0, stop);
        rest.remove_prefix(std::min(stop + 1, rest.size()));
        const std::size_t equals = fact.find('=');
        if (equals == std::string_view::npos) continue;
        name.assign(fact.substr(0, equals));
        for (char& ch : name) {
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        }
        Ref key(DecodeText(name, *o.codec));
        Ref value(DecodeText(fact.substr(equals + 1), *o.codec));
        if (key.p == nullptr || value.p == nullptr ||
            PyDict_SetItem(facts.p, key.p, value.p) != 0) {
            return nullptr;
        }
    }
    return PyDictProxy_New(facts.p);
}

PyObject* GetFormat(const EntryObject& o) {
    return PyUnicode_FromString(ftpdir::formatName(o.format));
}

template <PyObject* (*Get)(const EntryObject&)>
PyObject* Getter(PyObject* self, void*) {
    return Get(Self(self));
}

PyGetSetDef kFields[] = {
    {"name", Getter<GetName>, nullptr,
     "The name (for a classic-dialect link, with its \" -> target\").", nullptr},
    {"raw_name", Getter<GetRawName>, nullptr, "The name's bytes as the server sent them.", nullptr},
    {"target", Getter<GetTarget>, nullptr,
     "A link's target, or None (always None in the classic dialect).", nullptr},
    {"size", Getter<GetSize>, nullptr,
     "The size in bytes (VMS: blocks x 512), or None when the listing gives none.", nullptr},
    {"is_dir", Getter<GetIsDir>, nullptr,
     "True for a directory (classic dialect: also for a Unix-style link).", nullptr},
    {"is_link", Getter<GetIsLink>, nullptr, "True for a symbolic link.", nullptr},
    {"modified", Getter<GetModified>, nullptr,
     "The modification time as datetime.datetime: aware (UTC) when the listing\n"
     "gives UTC (MLSD, EPLF), naive server-local time otherwise; the time parts\n"
     "are 0 when the listing gives a date only. None without a date, or when\n"
     "the classic dialect passes on a date the calendar does not have.",
     nullptr},
    {"year", Getter<GetDatePart<&ftpdir::Date::year>>, nullptr, "The date's year, or None.",
     nullptr},
    {"month", Getter<GetDatePart<&ftpdir::Date::month>>, nullptr,
     "The date's month (1-12), or None.", nullptr},
    {"day", Getter<GetDatePart<&ftpdir::Date::day>>, nullptr, "The date's day, or None.", nullptr},
    {"hour", Getter<GetTimePart<&ftpdir::Time::hour>>, nullptr,
     "The hour, or None when the listing gives no time.", nullptr},
    {"minute", Getter<GetTimePart<&ftpdir::Time::minute>>, nullptr,
     "The minute, or None when the listing gives no time.", nullptr},
    {"second", Getter<GetSecond>, nullptr,
     "The second (0-60), or None when the listing gives none.", nullptr},
    {"utc", Getter<GetUtc>, nullptr,
     "True when the date and time are UTC rather than the server's local time.", nullptr},
    {"owner", Getter<GetOwner>, nullptr, "The owner, or None (always None in the classic dialect).",
     nullptr},
    {"group", Getter<GetGroup>, nullptr, "The group, or None (always None in the classic dialect).",
     nullptr},
    {"attributes", Getter<GetAttributes>, nullptr,
     "The attribute text (Unix mode, VMS protection, MLSD perm, ...); '' when none.", nullptr},
    {"format", Getter<GetFormat>, nullptr,
     "The family the line was read as: 'unix', 'dos', 'vms', 'mlsd', 'mvs-member',\n"
     "...; 'unknown' in the classic dialect.",
     nullptr},
    {"facts", Getter<GetFacts>, nullptr,
     "MLSD and MLST: every fact of the line, a read-only mapping of the fact's\n"
     "name in lower case to its value ('unique', 'media-type', 'unix.mode', ...);\n"
     "empty for other formats.",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

void Dealloc(PyObject* object) {
    auto* self = reinterpret_cast<EntryObject*>(object);
    PyTypeObject* type = Py_TYPE(object);
    Py_XDECREF(self->name);
    PyObject_Free(object);
    Py_DECREF(type);  // instances of a heap type hold a reference to it
}

// Entry(name='...', [target='...', ]size=..., is_dir=..., is_link=...,
// modified=..., format='...')
PyObject* Repr(PyObject* object) {
    const EntryObject& o = Self(object);
    Ref size(GetSize(o));
    Ref modified(GetModified(o));
    if (size.p == nullptr || modified.p == nullptr) return nullptr;
    Ref target(nullptr);
    if (o.isLink && !TextOf(o, kTarget).empty()) {
        Ref text(DecodeText(TextOf(o, kTarget), *o.codec));
        if (text.p == nullptr) return nullptr;
        target.p = PyUnicode_FromFormat(", target=%R", text.p);
    } else {
        target.p = PyUnicode_FromString("");
    }
    if (target.p == nullptr) return nullptr;
    return PyUnicode_FromFormat(
        "Entry(name=%R%U, size=%R, is_dir=%s, is_link=%s, modified=%R, format='%s')", o.name,
        target.p, size.p, o.isDir ? "True" : "False", o.isLink ? "True" : "False", modified.p,
        ftpdir::formatName(o.format));
}

// The ends being equal, the texts are equal exactly when all their bytes are.
bool Equal(const EntryObject& a, const EntryObject& b) {
    return a.codec == b.codec && std::equal(std::begin(a.ends), std::end(a.ends), b.ends) &&
           AllText(a) == AllText(b) && a.size == b.size && a.date == b.date && a.time == b.time &&
           a.isDir == b.isDir && a.isLink == b.isLink && a.utc == b.utc && a.format == b.format;
}

// -1, 0 or 1 as `a` is below, equal to or above `b`.
template <typename T>
int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int Order(const ftpdir::Date& a, const ftpdir::Date& b) {
    return Order(std::tie(a.year, a.month, a.day), std::tie(b.year, b.month, b.day));
}

int Order(const ftpdir::Time& a, const ftpdir::Time& b) {
    if (const int order = Order(std::tie(a.hour, a.minute), std::tie(b.hour, b.minute))) {
        return order;
    }
    return Order(a.second, b.second);
}

// Absent before present.
template <typename T>
int Order(const std::optional<T>& a, const std::optional<T>& b) {
    if (!a || !b) return Order(a.has_value(), b.has_value());
    return Order(*a, *b);
}

// The order of every field but the decoded name, the first that differs
// deciding; 0 exactly when Equal.
int OrderOfTheRest(const EntryObject& x, const EntryObject& y) {
    const auto text = [&x, &y](Text t) { return Order(TextOf(x, t), TextOf(y, t)); };
    const int orders[] = {
        text(kName),
        Order(x.date, y.date),
        Order(x.time, y.time),
        Order(x.size, y.size),
        Order(x.isDir, y.isDir),
        Order(x.isLink, y.isLink),
        text(kTarget),
        text(kAttributes),
        text(kOwner),
        text(kGroup),
        Order(x.utc, y.utc),
        Order(x.format, y.format),
        text(kFacts),
        Order(x.codec->name, y.codec->name),
    };
    for (const int order : orders) {
        if (order != 0) return order;
    }
    return 0;
}

// Entries sort by name (as str), then by the other fields: a total order
// that agrees with ==.
PyObject* Compare(PyObject* a, PyObject* b, int op) {
    if (Py_TYPE(a) != gEntryType || Py_TYPE(b) != gEntryType) Py_RETURN_NOTIMPLEMENTED;
    const EntryObject& x = Self(a);
    const EntryObject& y = Self(b);
    if (op == Py_EQ || op == Py_NE) return PyBool_FromLong(Equal(x, y) == (op == Py_EQ));
    int order = PyUnicode_Compare(x.name, y.name);
    if (order == -1 && PyErr_Occurred()) return nullptr;
    if (order == 0) order = OrderOfTheRest(x, y);
    Py_RETURN_RICHCOMPARE(order, 0, op);
}

// Over fields that equality compares, so equal entries hash alike.
Py_hash_t Hash(PyObject* object) {
    const EntryObject& e = Self(object);
    std::size_t h = std::hash<std::string_view>()(TextOf(e, kName));
    const auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
    mix(std::hash<std::string_view>()(TextOf(e, kTarget)));
    mix(static_cast<std::size_t>(e.size));
    mix(static_cast<std::size_t>(e.isDir) | static_cast<std::size_t>(e.isLink) << 1 |
        static_cast<std::size_t>(e.utc) << 2 | static_cast<std::size_t>(e.format) << 3);
    if (e.date) {
        mix(static_cast<std::size_t>(e.date->year) * 372u +
            static_cast<std::size_t>(e.date->month) * 31u + static_cast<std::size_t>(e.date->day));
    }
    if (e.time) {
        mix(static_cast<std::size_t>(e.time->hour) * 60u +
            static_cast<std::size_t>(e.time->minute));
    }
    const auto result = static_cast<Py_hash_t>(h);
    return result == -1 ? -2 : result;  // -1 tells Python an error occurred
}

// Pickling. An entry is saved as its fields as the parser gave them (the
// texts as bytes, the date and time as tuples, the format by name, the
// encoding by name) and restored by _restore_entry, which checks them as
// bad input: a wrong state raises, never crashes.

PyObject* gRestore = nullptr;  // _restore_entry, for __reduce__

PyObject* DateState(const std::optional<ftpdir::Date>& d) {
    if (!d) Py_RETURN_NONE;
    return Py_BuildValue("(iii)", d->year, d->month, d->day);
}

PyObject* TimeState(const std::optional<ftpdir::Time>& t) {
    if (!t) Py_RETURN_NONE;
    if (!t->second) return Py_BuildValue("(iiO)", t->hour, t->minute, Py_None);
    return Py_BuildValue("(iii)", t->hour, t->minute, *t->second);
}

// (raw_name, attributes, size, is_dir, is_link, date, time, target, owner,
// group, utc, format, encoding, facts)
PyObject* State(const EntryObject& o) {
    return Py_BuildValue(
        "(NNLNNNNNNNNssN)", Bytes(TextOf(o, kName)), Bytes(TextOf(o, kAttributes)),
        static_cast<long long>(o.size), PyBool_FromLong(o.isDir), PyBool_FromLong(o.isLink),
        DateState(o.date), TimeState(o.time), Bytes(TextOf(o, kTarget)), Bytes(TextOf(o, kOwner)),
        Bytes(TextOf(o, kGroup)), PyBool_FromLong(o.utc), ftpdir::formatName(o.format),
        o.codec->name.c_str(), Bytes(TextOf(o, kFacts)));
}

PyObject* Reduce(PyObject* self, PyObject*) {
    return Py_BuildValue("(O(N))", gRestore, State(Self(self)));
}

// An immutable value is its own copy.
PyObject* CopySelf(PyObject* self, PyObject*) {
    Py_INCREF(self);
    return self;
}

bool ReadText(PyObject* bytes, std::string& text) {
    char* data;
    Py_ssize_t size;
    if (PyBytes_AsStringAndSize(bytes, &data, &size) != 0) return false;
    text.assign(data, static_cast<std::size_t>(size));
    return true;
}

// PyArg_ParseTuple takes tuples only (anything else is a SystemError).
bool IsTuple(PyObject* state, const char* what) {
    if (PyTuple_Check(state)) return true;
    PyErr_Format(PyExc_TypeError, "%s must be a tuple, not '%s'", what, Py_TYPE(state)->tp_name);
    return false;
}

bool ReadDate(PyObject* state, std::optional<ftpdir::Date>& date) {
    if (state == Py_None) return true;
    ftpdir::Date d{};
    if (!IsTuple(state, "an entry's date") ||
        !PyArg_ParseTuple(state, "iii;an entry's date is (year, month, day)", &d.year, &d.month,
                          &d.day)) {
        return false;
    }
    date = d;
    return true;
}

bool ReadTime(PyObject* state, std::optional<ftpdir::Time>& time) {
    if (state == Py_None) return true;
    ftpdir::Time t;
    PyObject* second = nullptr;
    if (!IsTuple(state, "an entry's time") ||
        !PyArg_ParseTuple(state, "iiO;an entry's time is (hour, minute, second or None)", &t.hour,
                          &t.minute, &second)) {
        return false;
    }
    if (second != Py_None) {
        const long value = PyLong_AsLong(second);
        if (value == -1 && PyErr_Occurred()) return false;
        if (value < 0 || value > 60) {
            PyErr_SetString(PyExc_ValueError, "an entry's second is 0-60 or None");
            return false;
        }
        t.second = static_cast<std::int32_t>(value);
    }
    time = t;
    return true;
}

bool ReadFormat(const char* name, ftpdir::Format& format) {
    for (int i = 0; i <= static_cast<int>(ftpdir::Format::unixNumeric); ++i) {
        const auto candidate = static_cast<ftpdir::Format>(i);
        if (std::string_view(ftpdir::formatName(candidate)) == name) {
            format = candidate;
            return true;
        }
    }
    PyErr_Format(PyExc_ValueError, "'%s' is not an entry format", name);
    return false;
}

PyObject* Restore(PyObject*, PyObject* state) {
    PyObject *name, *attributes, *date, *time, *target, *owner, *group, *facts;
    long long size;
    int isDir, isLink, utc;
    const char *format, *encoding;
    if (!IsTuple(state, "an Entry's state") ||
        !PyArg_ParseTuple(state, "SSLppOOSSSpssS;not the state of an Entry", &name, &attributes,
                          &size, &isDir, &isLink, &date, &time, &target, &owner, &group, &utc,
                          &format, &encoding, &facts)) {
        return nullptr;
    }
    if (PyCodec_KnownEncoding(encoding) != 1) {
        PyErr_Format(PyExc_LookupError, "unknown encoding: %s", encoding);
        return nullptr;
    }
    ftpdir::Entry e;
    e.size = size;
    e.isDir = isDir != 0;
    e.isLink = isLink != 0;
    e.utc = utc != 0;
    if (!ReadText(name, e.name) || !ReadText(attributes, e.attributes) ||
        !ReadText(target, e.target) || !ReadText(owner, e.owner) || !ReadText(group, e.group) ||
        !ReadText(facts, e.facts) || !ReadDate(date, e.date) || !ReadTime(time, e.time) ||
        !ReadFormat(format, e.format)) {
        return nullptr;
    }
    return NewEntry(e, *InternCodec(encoding));
}

PyMethodDef kMethods[] = {
    {"__reduce__", Reduce, METH_NOARGS, nullptr},
    {"__copy__", CopySelf, METH_NOARGS, nullptr},
    {"__deepcopy__", CopySelf, METH_O, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyMethodDef kRestoreDef = {"_restore_entry", Restore, METH_O,
                           "_restore_entry(state) -> Entry\n\nUnpickles an Entry."};

const char* const kEntryDoc =
    "One directory entry. Immutable; compares and hashes by value, sorts by\n"
    "name (as str) and then the other fields, pickles, and is its own copy.\n\n"
    "Texts are str decoded with the parser's encoding (\"surrogateescape\" for\n"
    "bytes that do not decode); raw_name gives the name's bytes.";

}  // namespace

bool AddEntryType(PyObject* module) {
    PyDateTime_IMPORT;
    if (PyDateTimeAPI == nullptr) return false;
    PyType_Slot slots[] = {
        {Py_tp_dealloc, reinterpret_cast<void*>(Dealloc)},
        {Py_tp_repr, reinterpret_cast<void*>(Repr)},
        {Py_tp_richcompare, reinterpret_cast<void*>(Compare)},
        {Py_tp_hash, reinterpret_cast<void*>(Hash)},
        {Py_tp_getset, kFields},
        {Py_tp_methods, kMethods},
        {Py_tp_doc, const_cast<char*>(kEntryDoc)},
        {0, nullptr},
    };
    unsigned int flags = Py_TPFLAGS_DEFAULT;
#ifdef Py_TPFLAGS_IMMUTABLETYPE
    flags |= Py_TPFLAGS_IMMUTABLETYPE;
#endif
    PyType_Spec typeSpec = {"ftpdirlist.Entry", static_cast<int>(kTextOffset), 1, flags, slots};
    PyObject* type = PyType_FromSpec(&typeSpec);
    if (type == nullptr) return false;
    // Entries come from parsing only.
    reinterpret_cast<PyTypeObject*>(type)->tp_new = nullptr;
    gEntryType = reinterpret_cast<PyTypeObject*>(type);
    PyObject* moduleName = PyModule_GetNameObject(module);
    if (moduleName == nullptr) return false;
    gRestore = PyCFunction_NewEx(&kRestoreDef, nullptr, moduleName);
    Py_DECREF(moduleName);
    if (gRestore == nullptr) return false;
    Py_INCREF(gRestore);  // one reference for gRestore, one the module takes
    if (PyModule_AddObject(module, "_restore_entry", gRestore) != 0) {
        Py_DECREF(gRestore);
        return false;
    }
    Py_INCREF(type);  // one reference for gEntryType, for the life of the process
    if (PyModule_AddObject(module, "Entry", type) != 0) {
        Py_DECREF(type);
        return false;
    }
    return true;
}

namespace {

template <typename E>
PyObject* MakeEntry(const E& entry, const Codec& codec) {
    const std::string_view texts[kTextCount] = {entry.name,  entry.attributes, entry.target,
                                                entry.owner, entry.group,      entry.facts};
    std::size_t total = 0;
    for (const std::string_view text : texts) total += text.size();
    // A line is far shorter (Options::maxLineLength); the guard keeps the
    // 32-bit ends exact whatever the options.
    if (total > UINT32_MAX) {
        PyErr_SetString(PyExc_OverflowError, "an entry's texts exceed 4 GiB");
        return nullptr;
    }
    PyObject* name = DecodeText(entry.name, codec);
    if (name == nullptr) return nullptr;
    void* memory = PyObject_Malloc(kTextOffset + total);
    if (memory == nullptr) {
        Py_DECREF(name);
        return PyErr_NoMemory();
    }
    auto* self = static_cast<EntryObject*>(memory);
    PyObject_InitVar(reinterpret_cast<PyVarObject*>(self), gEntryType,
                     static_cast<Py_ssize_t>(total));
    self->name = name;
    self->codec = &codec;
    self->size = entry.size;
    new (&self->date) std::optional<ftpdir::Date>(entry.date);
    new (&self->time) std::optional<ftpdir::Time>(entry.time);
    self->isDir = entry.isDir;
    self->isLink = entry.isLink;
    self->utc = entry.utc;
    self->format = entry.format;
    char* out = static_cast<char*>(memory) + kTextOffset;
    std::uint32_t end = 0;
    for (int t = 0; t < kTextCount; ++t) {
        if (!texts[t].empty()) std::memcpy(out + end, texts[t].data(), texts[t].size());
        end += static_cast<std::uint32_t>(texts[t].size());
        self->ends[t] = end;
    }
    return reinterpret_cast<PyObject*>(self);
}

}  // namespace

PyObject* NewEntry(const ftpdir::EntryView& entry, const Codec& codec) {
    return MakeEntry(entry, codec);
}

PyObject* NewEntry(const ftpdir::Entry& entry, const Codec& codec) {
    return MakeEntry(entry, codec);
}

}  // namespace pyftpdir
