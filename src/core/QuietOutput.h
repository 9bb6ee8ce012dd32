#pragma once

#include <iostream>
#include <streambuf>

// While it lives, standard output goes nowhere: for running an attempt
// whose narration nobody asked for (a replay played to learn its score)
// inside a program whose output is its record.
class QuietOutput {
public:
    QuietOutput() : saved(std::cout.rdbuf(&nowhere)) {}
    ~QuietOutput() { std::cout.rdbuf(saved); }
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    class Nowhere : public std::streambuf {
    protected:
        int overflow(int c) override { return traits_type::not_eof(c); }
        std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
    };
    Nowhere nowhere;
    std::streambuf* saved;
};
