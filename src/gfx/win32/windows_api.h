#pragma once
// <windows.h> for our sources. Its macros that share a name with ours are taken back:
// min and max (std::min, std::max), RGB (gfx/color.h has a function of that name that
// gives the same 0x00BBGGRR value), and the message-box values that widgets/application.h
// declares with the system's numbers.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef RGB
#undef MB_OK
#undef MB_ICONERROR
#undef IDOK
