/// @file
/// QX_API marks what the shared libraries export; everything else stays hidden.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define QX_API __attribute__((visibility("default")))
#else
#define QX_API
#endif
