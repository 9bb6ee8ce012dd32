#pragma once

// Where this build's source tree, build tree and programs are.
//
// These paths differ from one clone to the next. As compile-time string
// literals they would end up in the compiled text of every test that names
// one, and of every test that includes a helper header naming one, so each
// fresh clone would compile all of those again instead of taking them from
// the compiler cache. Here they are calls into one small source that the
// build generates for each test program (cmake/BuildPaths.cmake): that one
// source is all a new clone compiles afresh.
namespace buildPaths {
const char* sourceDir();
const char* binaryDir();
const char* gameExe();
const char* backendDefaultsFile();
// Only in the scores server's test program.
const char* serverExe();
} // namespace buildPaths

#define VOLLARIN_SOURCE_DIR (::buildPaths::sourceDir())
#define VOLLARIN_BINARY_DIR (::buildPaths::binaryDir())
#define VOLLARIN_GAME_EXE (::buildPaths::gameExe())
#define VOLLARIN_BACKEND_DEFAULTS_FILE (::buildPaths::backendDefaultsFile())
#define VOLLARIN_SERVER_EXE (::buildPaths::serverExe())
