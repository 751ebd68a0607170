#include "entry_type.h"

#include <datetime.h>

#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace pyftpdir {

namespace {

struct EntryObject {
    PyObject_HEAD ftpdir::Entry entry;
    PyObject* name;  // decoded once, when the entry is made
    CodecPtr codec;  // for the texts decoded when read
};

PyTypeObject* gEntryType = nullptr;

const EntryObject& Self(PyObject* object) { return *reinterpret_cast<EntryObject*>(object); }

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

PyObject* OptionalText(const std::string& text, const Codec& codec) {
    if (text.empty()) Py_RETURN_NONE;
    return DecodeText(text, codec);
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

PyObject* GetRawName(const EntryObject& o) {
    return PyBytes_FromStringAndSize(o.entry.name.data(),
                                     static_cast<Py_ssize_t>(o.entry.name.size()));
}

PyObject* GetTarget(const EntryObject& o) { return OptionalText(o.entry.target, *o.codec); }
PyObject* GetOwner(const EntryObject& o) { return OptionalText(o.entry.owner, *o.codec); }
PyObject* GetGroup(const EntryObject& o) { return OptionalText(o.entry.group, *o.codec); }
PyObject* GetAttributes(const EntryObject& o) { return DecodeText(o.entry.attributes, *o.codec); }

// Negative sizes say "no byte count": extended -1, classic -1 (DOS
// directory) and -2 (VMS).
PyObject* GetSize(const EntryObject& o) {
    if (o.entry.size < 0) Py_RETURN_NONE;
    return NewInt(o.entry.size);
}

PyObject* GetIsDir(const EntryObject& o) { return PyBool_FromLong(o.entry.isDir); }
PyObject* GetIsLink(const EntryObject& o) { return PyBool_FromLong(o.entry.isLink); }
PyObject* GetUtc(const EntryObject& o) { return PyBool_FromLong(o.entry.utc); }

PyObject* GetModified(const EntryObject& o) {
    const ftpdir::Entry& e = o.entry;
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
    const auto& d = o.entry.date;
    return OptionalInt(d.has_value(), d ? *d.*Part : 0);
}

template <std::int32_t ftpdir::Time::*Part>
PyObject* GetTimePart(const EntryObject& o) {
    const auto& t = o.entry.time;
    return OptionalInt(t.has_value(), t ? *t.*Part : 0);
}

PyObject* GetSecond(const EntryObject& o) {
    const auto& t = o.entry.time;
    return OptionalInt(t && t->second, t && t->second ? *t->second : 0);
}

PyObject* GetFormat(const EntryObject& o) {
    return PyUnicode_FromString(ftpdir::formatName(o.entry.format));
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
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

void Dealloc(PyObject* object) {
    auto* self = reinterpret_cast<EntryObject*>(object);
    PyTypeObject* type = Py_TYPE(object);
    Py_XDECREF(self->name);
    self->entry.~Entry();
    self->codec.~CodecPtr();
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
    if (o.entry.isLink && !o.entry.target.empty()) {
        Ref text(DecodeText(o.entry.target, *o.codec));
        if (text.p == nullptr) return nullptr;
        target.p = PyUnicode_FromFormat(", target=%R", text.p);
    } else {
        target.p = PyUnicode_FromString("");
    }
    if (target.p == nullptr) return nullptr;
    return PyUnicode_FromFormat(
        "Entry(name=%R%U, size=%R, is_dir=%s, is_link=%s, modified=%R, format='%s')", o.name,
        target.p, size.p, o.entry.isDir ? "True" : "False", o.entry.isLink ? "True" : "False",
        modified.p, ftpdir::formatName(o.entry.format));
}

bool Equal(const EntryObject& a, const EntryObject& b) {
    return a.entry == b.entry && a.codec->name == b.codec->name;
}

PyObject* Compare(PyObject* a, PyObject* b, int op) {
    if ((op != Py_EQ && op != Py_NE) || Py_TYPE(a) != gEntryType || Py_TYPE(b) != gEntryType) {
        Py_RETURN_NOTIMPLEMENTED;
    }
    return PyBool_FromLong(Equal(Self(a), Self(b)) == (op == Py_EQ));
}

// Over fields that equality compares, so equal entries hash alike.
Py_hash_t Hash(PyObject* object) {
    const ftpdir::Entry& e = Self(object).entry;
    std::size_t h = std::hash<std::string_view>()(e.name);
    const auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
    mix(std::hash<std::string_view>()(e.target));
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

const char* const kEntryDoc =
    "One directory entry. Immutable; compares and hashes by value.\n\n"
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
        {Py_tp_doc, const_cast<char*>(kEntryDoc)},
        {0, nullptr},
    };
    unsigned int flags = Py_TPFLAGS_DEFAULT;
#ifdef Py_TPFLAGS_IMMUTABLETYPE
    flags |= Py_TPFLAGS_IMMUTABLETYPE;
#endif
    PyType_Spec typeSpec = {"ftpdirlist.Entry", static_cast<int>(sizeof(EntryObject)), 0, flags,
                            slots};
    PyObject* type = PyType_FromSpec(&typeSpec);
    if (type == nullptr) return false;
    // Entries come from parsing only.
    reinterpret_cast<PyTypeObject*>(type)->tp_new = nullptr;
    gEntryType = reinterpret_cast<PyTypeObject*>(type);
    Py_INCREF(type);  // one reference for gEntryType, for the life of the process
    if (PyModule_AddObject(module, "Entry", type) != 0) {
        Py_DECREF(type);
        return false;
    }
    return true;
}

PyObject* NewEntry(ftpdir::Entry&& entry, PyObject* name, const CodecPtr& codec) {
    void* memory = PyObject_Malloc(sizeof(EntryObject));
    if (memory == nullptr) {
        Py_DECREF(name);
        return PyErr_NoMemory();
    }
    auto* self = static_cast<EntryObject*>(memory);
    PyObject_Init(reinterpret_cast<PyObject*>(self), gEntryType);
    // Moving an Entry and copying a shared_ptr do not throw.
    new (&self->entry) ftpdir::Entry(std::move(entry));
    self->name = name;
    new (&self->codec) CodecPtr(codec);
    return reinterpret_cast<PyObject*>(self);
}

}  // namespace pyftpdir
