#pragma once

// Whether the system's code page is UTF-8 (Linux, and Windows set to UTF-8).
// The lists store UTF-8, so there file bytes go in and out untouched.
bool SystemCodePageIsUtf8();
