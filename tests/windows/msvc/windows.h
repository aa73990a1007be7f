// <windows.h> as MSVC's compiler meets it: the Windows SDK's <minwindef.h>
// defines min and max as macros for C and C++ alike unless NOMINMAX is
// defined; MinGW-w64's defines them for C only, and its C++ library removes
// them in its first header, so a MinGW build never meets them. Found before
// MinGW's own <windows.h> when a source is compiled as MSVC would see it.
#include_next <windows.h>

#ifndef KESTRUNE_NOMINMAX_ASKED
#ifndef max
#define max(a, b) (((a) > (b)) ? (a) : (b))
#endif
#ifndef min
#define min(a, b) (((a) < (b)) ? (a) : (b))
#endif
#endif
