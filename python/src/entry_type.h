// ftpdirlist.Entry: one directory entry as an immutable Python object. Written
// on the C API rather than pybind11 because a listing makes one per line: it
// is allocated in one piece, its texts' bytes inside it, and its fields are
// plain getters.
#ifndef FTPDIRLIST_PYTHON_ENTRY_TYPE_H
#define FTPDIRLIST_PYTHON_ENTRY_TYPE_H

#include <Python.h>

#include "codec.h"
#include "ftpdirlist/ftpdirlist.hpp"

namespace pyftpdir {

// Creates the type and adds it to `module` as "Entry". Returns false with a
// Python error set on failure. Called once, at import.
bool AddEntryType(PyObject* module);

// A new Entry with the fields of `entry`: its texts' bytes copied into the
// object (the entry, or the Listing it views, is not kept) and its name decoded with `codec`, which
// must live as long as the process (InternCodec). Returns nullptr with a
// Python error set when memory runs out. Needs the GIL.
PyObject* NewEntry(const ftpdir::EntryView& entry, const Codec& codec);
PyObject* NewEntry(const ftpdir::Entry& entry, const Codec& codec);

}  // namespace pyftpdir

#endif  // FTPDIRLIST_PYTHON_ENTRY_TYPE_H
