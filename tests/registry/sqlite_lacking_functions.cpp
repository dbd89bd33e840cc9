// A library that has some of SQLite's function names and not others, so
// that a test can see a load name exactly the ones it lacks. Nothing calls
// these.
extern "C" {
void sqlite3_open_v2() {}
void sqlite3_close() {}
void sqlite3_exec() {}
void sqlite3_prepare_v2() {}
void sqlite3_finalize() {}
void sqlite3_bind_int64() {}
void sqlite3_bind_blob64() {}
void sqlite3_step() {}
void sqlite3_column_int64() {}
void sqlite3_column_blob() {}
void sqlite3_column_bytes() {}
void sqlite3_changes() {}
void sqlite3_busy_timeout() {}
}
