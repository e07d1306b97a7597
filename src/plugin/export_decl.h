// How the exports are declared for the host: C names, the platform's standard calling convention.
#pragma once

#if defined(_WIN32)
#define TIMS_EXPORT extern "C" __declspec(dllexport)
#if defined(__i386__) || defined(_M_IX86)
#define TIMS_CALL __stdcall
#else
#define TIMS_CALL
#endif
#else
#define TIMS_EXPORT extern "C" __attribute__((visibility("default")))
#define TIMS_CALL
#endif
