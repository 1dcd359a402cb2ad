// The one place that chooses between the real Win32 API and the stand-in,
// and that names the calling convention of the host interface.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <share.h>
#include <stdio.h>
#else
#include "Win32Stub.h"
#endif

// Entry points and host functions use the C calling convention. It only
// matters on 32-bit x86; other targets have a single convention.
#ifdef _WIN32
#define QV_CDECL __cdecl
#else
#define QV_CDECL
#endif

// The host calls the entry points and the dialog procedure with whatever
// stack alignment its own compiler keeps, which on 32-bit x86 may be as
// little as 4 bytes. They realign the stack on entry, so that the code
// inside, and every host function it calls, gets the 16 bytes this
// compiler assumes.
#if defined(__i386__)
#define QV_REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define QV_REALIGN_STACK
#endif
