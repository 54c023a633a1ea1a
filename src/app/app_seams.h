// The application core's seams: the points at which a test puts something of its own
// in place of a part of this layer, gathered in one record. The program leaves every
// entry empty, which means the real thing; the tests' shared main empties them again
// around every test (AppResetSeams, called by ResetRunState in
// tests/support/run_state.cpp).
#pragma once

struct AppSeams {
    // Called instead of fsync wherever the settings store makes a file or a folder
    // durable (a save's temporary file before its rename, the folder after it, a kept
    // copy of an unreadable file), with the open descriptor; returns as fsync does.
    // Null: fsync.
    int (*syncFile)(int fd);
    // The largest settings file the store reads or writes, in bytes. 0: 16 MiB. A test
    // of that limit works with a smaller one: a file of 16 MiB passes through the
    // toolkit's parser in copies that grow a little at a time, which takes minutes
    // under the address sanitizer.
    long maxFileBytes;
};

extern AppSeams g_appSeams;  // empty unless a test fills it

// Every entry back to empty (the run-state reset tests use).
void AppResetSeams();
