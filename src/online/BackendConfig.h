#pragma once

// The scores backend is fixed at build time (see VOLLARIN_BACKEND_URL and
// VOLLARIN_ANON_KEY in CMakeLists.txt); the game reads no configuration at run
// time.
#ifndef VOLLARIN_BACKEND_URL
#define VOLLARIN_BACKEND_URL "http://127.0.0.1:54321"
#endif
#ifndef VOLLARIN_ANON_KEY
#define VOLLARIN_ANON_KEY                                                                          \
    "eyJhbGciOiJIUzI1NiIsInR5cCI6IkpXVCJ9."                                                        \
    "eyJpc3MiOiJzdXBhYmFzZS1kZW1vIiwicm9sZSI6ImFub24iLCJleHAiOjE5ODM4MTI5OTZ9."                    \
    "CRXP1A7WOeoJeXxjNni43kdQwgnWNReilDMblYTn_I0"
#endif

inline constexpr const char* BACKEND_BASE_URL = VOLLARIN_BACKEND_URL;
inline constexpr const char* BACKEND_ANON_KEY = VOLLARIN_ANON_KEY;
