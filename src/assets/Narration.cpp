#include "assets/Narration.h"

#include <iostream>
#include <streambuf>

namespace {

class Nowhere : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

thread_local int quietDepth = 0;

// Each thread has its own: a stream's flags and width change as it is
// written to, so one shared null stream would be written from two threads.
std::ostream& nowhere() {
    thread_local Nowhere buffer;
    thread_local std::ostream stream(&buffer);
    return stream;
}

} // namespace

std::ostream& Narration::out() {
    return quietDepth > 0 ? nowhere() : std::cout;
}

std::ostream& Narration::err() {
    return quietDepth > 0 ? nowhere() : std::cerr;
}

Narration::Quiet::Quiet() {
    ++quietDepth;
}

Narration::Quiet::~Quiet() {
    --quietDepth;
}
