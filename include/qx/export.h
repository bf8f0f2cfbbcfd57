/// @file
/// QX_API marks what the shared libraries export; everything else stays hidden.
#pragma once

// Windows builds are static: a DLL would need export and import marks of its own.
#if defined(_WIN32)
#define QX_API
#elif defined(__GNUC__) || defined(__clang__)
#define QX_API __attribute__((visibility("default")))
#else
#define QX_API
#endif
