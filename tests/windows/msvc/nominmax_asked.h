// Forced in before anything else: whether the build itself asked for
// NOMINMAX. MinGW's C++ library defines it too, in its first header, so
// by the time <windows.h> comes it no longer tells.
#ifdef NOMINMAX
#define KESTRUNE_NOMINMAX_ASKED
#endif
